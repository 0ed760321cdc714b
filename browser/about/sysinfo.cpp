#include "sysinfo.h"

#include "codec936.h"
#include "processstarter.h"

namespace tamsel {

namespace {

constexpr quint32 kBufferSize = 1024;

QString dwordText(QByteArrayView bytes)
{
    QString text = QStringLiteral("&h");
    for (qsizetype i = bytes.size() - 1; i >= 0; --i)
        text += QStringLiteral("%1").arg(uint(static_cast<unsigned char>(bytes[i])), 2, 16, QChar(u'0')).toUpper();
    return text;
}

} // namespace

bool GetKeyValue(Registry &registry, quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                 QString &keyVal)
{
    const auto key = registry.openKey(keyRoot, common::encode936(keyName), Registry::kAllAccess);
    if (!key) {
        keyVal.clear();
        return false;
    }
    const auto value = registry.queryValue(*key, common::encode936(subKeyRef), kBufferSize);
    if (!value) {
        keyVal.clear();
        registry.closeKey(*key);
        return false;
    }
    QByteArrayView data = value->data;
    if (data.isEmpty()) {
        keyVal.clear();
    } else if (value->type == Registry::kTypeText) {
        if (data.back() == '\0')
            data.chop(1);
        keyVal = common::decode936(data);
    } else if (value->type == Registry::kTypeDword) {
        keyVal = dwordText(data);
    }
    registry.closeKey(*key);
    return true;
}

QString msinfoPath(const QString &folder)
{
    QString path = folder + QStringLiteral("\\MSINFO32.EXE");
#ifndef Q_OS_WIN
    path.replace(u'\\', u'/');
#endif
    return path;
}

SysInfoLauncher::SysInfoLauncher(Registry &registry, common::ProcessStarter &starter, FileExists fileExists)
    : m_registry(registry)
    , m_starter(starter)
    , m_fileExists(std::move(fileExists))
{
}

bool SysInfoLauncher::start()
{
    QString value;
    QString program;
    if (GetKeyValue(m_registry, Registry::kLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), value)) {
        // Started as it stands, without looking for the file first.
        program = value;
    } else {
        if (!GetKeyValue(m_registry, Registry::kLocalMachine,
                         QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"),
                         value))
            return false;
        const QString candidate = msinfoPath(value);
        if (!m_fileExists(candidate))
            return false;
        program = candidate;
    }
    return !program.isEmpty() && m_starter.start(program);
}

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("版本 %1.%2.%3").arg(major).arg(minor).arg(revision);
}

} // namespace tamsel
