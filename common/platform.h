#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QProcess;

// What differs between Linux and Windows in files and processes, one implementation per system
// (platform_linux.cpp, platform_windows.cpp). Paths are Qt's, with '/' separators.
namespace common::platform {

// The running program's own file; empty when the system does not say. On Linux the bytes are the
// kernel's, whatever their encoding.
QByteArray executablePath();
// A name on disk as the system's calls take it, and back.
QByteArray nativeName(const QString &path);
QString fromNativeName(const QByteArray &name);
// The file names of programs carry this ending ("" on Linux, ".exe" on Windows).
QString executableSuffix();

// Whether the current user may create files in the folder that holds `path`.
bool folderWritable(const QString &path);
// Whether two paths name one file (hard links included).
bool sameFile(const QString &a, const QString &b);
// The path with every link and relative piece resolved, as bytes; `path` itself when it cannot be.
QByteArray canonicalPath(const QString &path);
// Size and modification time in nanoseconds; false when the file cannot be looked at.
bool fileStamp(const QString &path, qint64 *size, qint64 *modifiedNs);

// Durability: a rename or link is on disk only once the folder that holds the names is (a no-op
// where the file system journals names itself).
void syncFolder(const QString &dir);
// Gives `from` the name `to` unless `to` exists; false (errno EEXIST when it did) otherwise.
bool renameNoReplace(const QString &from, const QString &to);
// Gives `from` the name `to`, replacing a file of that name in one step.
bool replaceFile(const QString &from, const QString &to);
// A second name for a file; false (errno EEXIST when the name is taken) otherwise.
bool hardLink(const QString &existing, const QString &link);

// Confines a process the programs start on untrusted input: at most `addressSpace` bytes of
// memory and `cpuSeconds` of processor time, and on Windows it dies with the handle its parent
// holds. Set up before QProcess::start(); started() must follow a successful start and says
// whether the process now runs confined (when false, kill it).
class ProcessConfinement
{
public:
    ProcessConfinement(QProcess &process, qint64 addressSpace, qint64 cpuSeconds);
    ~ProcessConfinement();
    ProcessConfinement(const ProcessConfinement &) = delete;
    ProcessConfinement &operator=(const ProcessConfinement &) = delete;

    bool started();

private:
    void *m_job = nullptr;
    void *m_info = nullptr; // the started process's handles, where the system gives them
};

} // namespace common::platform
