#include "platform.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common::platform {

QByteArray executablePath()
{
    QByteArray buffer(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), size_t(buffer.size()));
        if (length < 0)
            return {};
        if (length < buffer.size())
            return buffer.left(length);
        buffer.resize(buffer.size() * 2);
    }
}

QByteArray nativeName(const QString &path)
{
    return QFile::encodeName(path);
}

QString fromNativeName(const QByteArray &name)
{
    return QFile::decodeName(name);
}

QString executableSuffix()
{
    return {};
}

bool folderWritable(const QString &path)
{
    return ::access(nativeName(QFileInfo(path).absolutePath()).constData(), W_OK) == 0;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa{};
    struct stat sb{};
    return ::stat(nativeName(a).constData(), &sa) == 0 && ::stat(nativeName(b).constData(), &sb) == 0
           && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QByteArray canonicalPath(const QString &path)
{
    const QByteArray given = nativeName(path);
    char *resolved = ::realpath(given.constData(), nullptr);
    const QByteArray canonical = resolved ? QByteArray(resolved) : given;
    std::free(resolved);
    return canonical;
}

bool fileStamp(const QString &path, qint64 *size, qint64 *modifiedNs)
{
    struct stat info{};
    if (::stat(nativeName(path).constData(), &info) != 0)
        return false;
    *size = qint64(info.st_size);
    *modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

void syncFolder(const QString &dir)
{
    const int fd = ::open(nativeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool renameNoReplace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, nativeName(from).constData(), AT_FDCWD, nativeName(to).constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: link, which never replaces either, then drop the old name.
    if (!hardLink(from, to))
        return false;
    ::unlink(nativeName(from).constData());
    return true;
}

bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(nativeName(from).constData(), nativeName(to).constData()) == 0;
}

bool hardLink(const QString &existing, const QString &link)
{
    return ::link(nativeName(existing).constData(), nativeName(link).constData()) == 0;
}

ProcessConfinement::ProcessConfinement(QProcess &process, qint64 addressSpace, qint64 cpuSeconds)
{
    process.setChildProcessModifier([addressSpace, cpuSeconds] {
        const rlimit space{rlim_t(addressSpace), rlim_t(addressSpace)};
        const rlimit cpu{rlim_t(cpuSeconds), rlim_t(cpuSeconds + 1)};
        const rlimit core{0, 0};
        setrlimit(RLIMIT_AS, &space);
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_CORE, &core);
    });
}

ProcessConfinement::~ProcessConfinement() = default;

bool ProcessConfinement::started()
{
    return true;
}

} // namespace common::platform
