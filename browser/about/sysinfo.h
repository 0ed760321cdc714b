#pragma once

#include "registry.h"

#include <QString>

#include <functional>

namespace common {
class ProcessStarter;
}

namespace tamsel {

// Reads one registry value into keyVal. Text values lose their terminating zero; a DWORD reads as
// "&h" and its bytes in hexadecimal from the last to the first ("&h00000102" for 258); an empty
// value reads as empty text; other types leave keyVal as passed. Returns false (keyVal empty)
// when the key or the value cannot be read.
bool GetKeyValue(Registry &registry, quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                 QString &keyVal);

// Finds the system-information program through the registry and starts it. Returns false when
// nothing could be started; the caller tells the user.
class SysInfoLauncher
{
public:
    using FileExists = std::function<bool(const QString &)>;

    SysInfoLauncher(Registry &registry, common::ProcessStarter &starter, FileExists fileExists);

    bool start();

private:
    Registry &m_registry;
    common::ProcessStarter &m_starter;
    FileExists m_fileExists;
};

// The local path of "<folder>\MSINFO32.EXE".
QString msinfoPath(const QString &folder);

// "版本 " followed by major.minor.revision in plain decimal.
QString versionText(int major, int minor, int revision);

} // namespace tamsel
