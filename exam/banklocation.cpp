#include "banklocation.h"

#include "database.h"
#include "error.h"
#include "sqlitebackend.h"
#include "sqlitewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvi {

using namespace Qt::StringLiterals;

namespace {

// Another Quorvi copying or converting a large bank holds the lock this long at most.
constexpr int kLockWaitMs = 60000;
constexpr int kMaxBackups = 1000;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Write permission as the user has it, with the permission bits honoured even for the superuser
// (the record layer refuses to write a file without write bits, whoever runs it).
bool mayWrite(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isWritable() && common::hasWritePermission(path);
}

// The bytes that tell a bank's format.
QByteArray header(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(20) : QByteArray();
}

bool hasJetHeader(const QByteArray &bytes)
{
    return bytes.size() == 20
           && (bytes.mid(4) == QByteArrayView("Standard Jet DB\0", 16)
               || bytes.mid(4) == QByteArrayView("Standard ACE DB\0", 16));
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa{};
    struct stat sb{};
    return ::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0
           && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A rename or link is durable only once the folder that holds the name is synced.
void syncFolder(const QString &dir)
{
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Gives `from` the name `to` unless `to` exists. Returns false with errno EEXIST when it does.
bool renameNoReplace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: link, which never replaces either, then drop the old name.
    if (::link(native(from).constData(), native(to).constData()) != 0)
        return false;
    ::unlink(native(from).constData());
    return true;
}

// A byte copy of the installed bank, synced; the new file gets ordinary permissions rather than
// the installed file's read-only ones.
bool copyBytes(const QString &source, const QString &target)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    bool ok = true;
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    ok = ok && out.flush() && ::fsync(out.handle()) == 0;
    out.close();
    if (!ok)
        QFile::remove(target);
    return ok;
}

common::Error cannotStore(const QString &installed, const QString &copy)
{
    return common::Error(common::CannotOpenFile,
                         QStringLiteral("无法保存答案：题库“%1”不能写入，个人副本“%2”也无法写入。")
                             .arg(installed, copy));
}

QString convertedInPlace(const QString &bank, const QString &backup)
{
    return QStringLiteral("题库“%1”是 Access 格式的文件，已转换为新的格式，答案从此保存在转换后的文件里。"
                          "原来的文件没有改动，保存为“%2”。")
        .arg(bank, backup);
}

QString convertedToCopy(const QString &bank, const QString &copy)
{
    return QStringLiteral("题库“%1”是 Access 格式的文件，程序文件夹不能写入，已把它转换并保存为“%2”，"
                          "答案从此保存在那里。原来的文件没有改动。")
        .arg(bank, copy);
}

} // namespace

BankLocation::BankLocation(QString installed, QString userDir)
    : m_installed(std::move(installed))
    , m_userDir(std::move(userDir))
{
}

QString BankLocation::defaultUserDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool BankLocation::isJetFile(const QString &path)
{
    return hasJetHeader(header(path));
}

QString BankLocation::backupName(int n) const
{
    return m_installed + (n == 0 ? u".jet"_s : u".jet."_s + QString::number(n));
}

void BankLocation::copyAsSqlite(const QString &source, const QString &target)
{
    const auto database = common::Database::open(source, common::Database::Access::ReadOnly);
    common::createSqliteFile(target, common::readTables(*database));
}

BankChoice BankLocation::choose() const
{
    const QFileInfo info(m_installed);
    const bool folderWritable = mayWrite(info.path());
    if (!info.exists()) {
        // A conversion that stopped between its two renames is finished; otherwise the record
        // layer reports the missing bank.
        if (folderWritable && QFile::exists(m_installed + u".new"_s) && !latestBackup().isEmpty())
            return convertInPlace();
        return {m_installed, {}};
    }
    const QByteArray bytes = header(m_installed);
    if (hasJetHeader(bytes))
        return folderWritable ? convertInPlace() : userCopy(true);
    // Anything else that is not a bank is reported by the record layer, naming the installed file.
    if (!info.isFile() || !common::Database::hasSqliteHeader(bytes))
        return {m_installed, {}};
    // SQLite writes its journal beside the bank, so the folder must be writable too.
    if (folderWritable && mayWrite(m_installed))
        return {m_installed, {}};
    return userCopy(false);
}

BankChoice BankLocation::convertInPlace() const
{
    QLockFile lock(m_installed + u".lock"_s);
    lock.setStaleLockTime(0); // a slow conversion is not stale; a dead owner is
    if (!lock.tryLock(kLockWaitMs))
        throw common::Error::fileInUse(m_installed);

    // The folder as given: "." may be all there is of a folder whose name is not UTF-8.
    const QString dir = QFileInfo(m_installed).path();
    const QString pending = m_installed + u".new"_s;
    if (!QFile::exists(m_installed)) {
        // The original already has its backup name and the pending file is complete: it was
        // synced before the original was renamed.
        const QString backup = latestBackup();
        if (backup.isEmpty() || !QFile::exists(pending))
            return {m_installed, {}};
        if (!renameNoReplace(pending, m_installed))
            throw common::Error::cannotOpen(m_installed);
        syncFolder(dir);
        return {m_installed, convertedInPlace(m_installed, backup)};
    }
    // Another Quorvi may have converted it while this one waited for the lock.
    if (!isJetFile(m_installed))
        return {m_installed, {}};

    QFile::remove(pending); // left by a conversion that stopped before it was complete
    copyAsSqlite(m_installed, pending);
    syncFolder(dir);
    const QString backup = keepOriginal();
    syncFolder(dir);
    if (std::rename(native(pending).constData(), native(m_installed).constData()) != 0)
        throw common::Error::cannotOpen(m_installed);
    syncFolder(dir);
    return {m_installed, convertedInPlace(m_installed, backup)};
}

// Gives the original a backup name that no other file has. A hard link keeps the original under
// "shiti.mdb" too, so that until the converted file replaces it a crash leaves a usable bank
// there; a backup name that is already this very file (a conversion that stopped) is reused.
QString BankLocation::keepOriginal() const
{
    for (int n = 0; n < kMaxBackups; ++n) {
        const QString backup = backupName(n);
        if (QFileInfo::exists(backup) || QFileInfo(backup).isSymLink()) {
            if (sameFile(backup, m_installed))
                return backup;
            continue;
        }
        if (::link(native(m_installed).constData(), native(backup).constData()) == 0)
            return backup;
        if (errno == EEXIST)
            continue;
        // No hard links here: move the original; a crash before the converted file takes its
        // name is finished by the next start.
        if (renameNoReplace(m_installed, backup))
            return backup;
        if (errno != EEXIST)
            break;
    }
    throw common::Error::cannotOpen(m_installed);
}

QString BankLocation::latestBackup() const
{
    QString latest;
    for (int n = 0; n < kMaxBackups; ++n) {
        const QString backup = backupName(n);
        if (!QFileInfo::exists(backup))
            break;
        latest = backup;
    }
    return latest;
}

BankChoice BankLocation::userCopy(bool convert) const
{
    const QString copy = QDir(m_userDir).filePath(u"shiti.mdb"_s);
    const auto usable = [&] {
        if (!mayWrite(copy))
            throw cannotStore(m_installed, copy);
        return BankChoice{copy, {}};
    };
    if (m_userDir.isEmpty() || !QDir().mkpath(m_userDir) || !mayWrite(m_userDir))
        throw cannotStore(m_installed, copy);
    if (QFileInfo::exists(copy))
        return usable();

    QLockFile lock(copy + u".lock"_s);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kLockWaitMs))
        throw common::Error::fileInUse(copy);
    if (QFileInfo::exists(copy)) // made by another Quorvi while this one waited
        return usable();

    const QString pending = copy + u".new"_s;
    QFile::remove(pending);
    if (convert) {
        try {
            copyAsSqlite(m_installed, pending);
        } catch (const common::Error &error) {
            // A bank that cannot be read is reported as it is; a copy that cannot be written is
            // the per-user folder's fault.
            if (!error.text().contains(pending))
                throw;
            throw cannotStore(m_installed, copy);
        }
    } else if (!copyBytes(m_installed, pending)) {
        throw cannotStore(m_installed, copy);
    }
    syncFolder(m_userDir);
    if (!renameNoReplace(pending, copy)) {
        const int error = errno;
        QFile::remove(pending);
        if (error != EEXIST)
            throw cannotStore(m_installed, copy);
    }
    syncFolder(m_userDir);
    return {copy, convert ? convertedToCopy(m_installed, copy) : QString()};
}

} // namespace quorvi
