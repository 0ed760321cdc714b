#include "banklocation.h"

#include "bankcopy.h"
#include "database.h"
#include "error.h"
#include "platform.h"
#include "questionbank.h"
#include "sqlitebackend.h"
#include "sqlitewriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace quorvi {

namespace platform = common::platform;
using namespace Qt::StringLiterals;

namespace {

// Another Quorvi copying or converting a large bank holds the lock this long at most.
constexpr int kLockWaitMs = 60000;
constexpr int kMaxBackups = 1000;

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

// The n-th backup name of a file: BASE, then BASE.1, BASE.2, ...
QString backupName(const QString &base, int n)
{
    return n == 0 ? base : base + u'.' + QString::number(n);
}

// Gives `file` a backup name that no other file has and returns it, or an empty text. A hard link
// keeps the file under its own name too; a backup name that already is this very file (a run that
// stopped) is reused. Without hard links `fallback` makes the backup under the name it is given.
QString keepUnderBackupName(const QString &file, const QString &base,
                            const std::function<bool(const QString &backup)> &fallback)
{
    for (int n = 0; n < kMaxBackups; ++n) {
        const QString backup = backupName(base, n);
        if (QFileInfo::exists(backup) || QFileInfo(backup).isSymLink()) {
            if (platform::sameFile(backup, file))
                return backup;
            continue;
        }
        if (platform::hardLink(file, backup))
            return backup;
        if (errno == EEXIST)
            continue;
        if (fallback(backup))
            return backup;
        if (errno != EEXIST)
            break;
    }
    return {};
}

// The per-user copy's folder for a program folder: its name, readable, and a digest of its
// canonical path (as bytes, whatever their encoding), so that every folder has its own.
QString folderKey(const QString &dir)
{
    const QByteArray canonical = platform::canonicalPath(dir);
    QString name;
    for (const QChar c : QString::fromUtf8(canonical.mid(canonical.lastIndexOf('/') + 1)).left(32))
        name += c.isLetterOrNumber() || c == u'-' || c == u'_' ? c : u'_';
    const QByteArray digest = QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(12);
    return (name.isEmpty() ? u"folder"_s : name) + u'-' + QString::fromLatin1(digest);
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

QString copiedToUser(const QString &bank, const QString &copy)
{
    return QStringLiteral("题库“%1”不能写入（它或它所在的文件夹是只读的），已把它复制为“%2”，答案从此保存在那里。"
                          "题库以后更新时会重新复制，题目没有改动的题保留原来的答案。")
        .arg(bank, copy);
}

// Said when a copy is made afresh: why, how many answers came over and where the old copy is.
QString renewedCopy(const QString &why, const CarriedAnswers &answers, const QString &backup)
{
    QString text = why + QStringLiteral("题目没有改动的 %1 道题保留了原来的答案。").arg(answers.kept);
    if (answers.left > 0)
        text += QStringLiteral("另有 %1 道题的题目已经改动或删去，它们的答案没有带过来。").arg(answers.left);
    return text + QStringLiteral("原来的副本保存为“%1”。").arg(backup);
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

QString BankLocation::userCopyPath() const
{
    return QDir(m_userDir).filePath(folderKey(QFileInfo(m_installed).path()) + u"/shiti.mdb"_s);
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
        if (!platform::renameNoReplace(pending, m_installed))
            throw common::Error::cannotOpen(m_installed);
        platform::syncFolder(dir);
        return {m_installed, convertedInPlace(m_installed, backup)};
    }
    // Another Quorvi may have converted it while this one waited for the lock.
    if (!isJetFile(m_installed))
        return {m_installed, {}};

    QFile::remove(pending); // left by a conversion that stopped before it was complete
    copyAsSqlite(m_installed, pending);
    platform::syncFolder(dir);
    // Without hard links the original is moved; a crash before the converted file takes its name
    // is finished by the next start.
    const QString backup = keepUnderBackupName(m_installed, m_installed + u".jet"_s, [&](const QString &name) {
        return platform::renameNoReplace(m_installed, name);
    });
    if (backup.isEmpty())
        throw common::Error::cannotOpen(m_installed);
    platform::syncFolder(dir);
    if (!platform::replaceFile(pending, m_installed))
        throw common::Error::cannotOpen(m_installed);
    platform::syncFolder(dir);
    return {m_installed, convertedInPlace(m_installed, backup)};
}

QString BankLocation::latestBackup() const
{
    QString latest;
    for (int n = 0; n < kMaxBackups; ++n) {
        const QString backup = backupName(m_installed + u".jet"_s, n);
        if (!QFileInfo::exists(backup))
            break;
        latest = backup;
    }
    return latest;
}

BankChoice BankLocation::userCopy(bool convert) const
{
    const QString copy = userCopyPath();
    const QString dir = QFileInfo(copy).path();
    if (m_userDir.isEmpty() || !QDir().mkpath(m_userDir) || (!QFileInfo::exists(dir) && !mayWrite(m_userDir))
        || !QDir().mkpath(dir) || !mayWrite(dir))
        throw cannotStore(m_installed, copy);
    // The usual start: the copy records the installed bank as it is now.
    if (QFileInfo::exists(copy)) {
        if (!mayWrite(copy))
            throw cannotStore(m_installed, copy);
        const std::optional<BankStamp> recorded = BankCopy::recorded(copy);
        if (recorded && recorded->sameSizeAndTime(BankCopy::fileStamp(m_installed)))
            return {copy, {}};
    }

    QLockFile lock(copy + u".lock"_s);
    lock.setStaleLockTime(0); // a slow copy is not stale; a dead owner is
    if (!lock.tryLock(kLockWaitMs))
        throw common::Error::fileInUse(copy);
    return renewUserCopy(copy, convert);
}

// Under the copy's lock. A copy is made in full under a temporary name, with the answers and the
// record of its source, and synced; the old copy gets a backup name beside it; only then does
// the new one take the copy's name, so a crash at any point leaves a whole copy with the answers.
BankChoice BankLocation::renewUserCopy(const QString &copy, bool convert) const
{
    const QString dir = QFileInfo(copy).path();
    BankStamp stamp = BankCopy::fileStamp(m_installed); // before reading: a later change is seen
    const bool adopted = !QFileInfo::exists(copy) && adoptSharedCopy(copy);
    const bool hadCopy = QFileInfo::exists(copy);
    if (hadCopy && !mayWrite(copy))
        throw cannotStore(m_installed, copy);
    const std::optional<BankStamp> recorded = hadCopy ? BankCopy::recorded(copy) : std::nullopt;
    if (recorded && recorded->sameSizeAndTime(stamp)) // renewed by another Quorvi while this one waited
        return {copy, {}};

    // Read through the record layer first, so that a bank without its questions is reported by
    // its own name.
    const auto source = common::Database::open(m_installed, common::Database::Access::ReadOnly);
    QuestionBank::checkQuestionTable(*source->openRecordset(QuestionBank::questionTable()));
    // The digest is taken of the copy: it holds what a log beside the bank adds to it.
    const QString pending = copy + u".new"_s;
    QFile::remove(pending); // left by a copy that stopped before it was complete
    QFile::remove(pending + u"-journal"_s);
    CarriedAnswers answers;
    try {
        if (convert)
            common::createSqliteFile(pending, common::readTables(*source));
        else
            common::backupSqliteFile(m_installed, pending);
        stamp.digest = BankCopy::questionDigest(pending);
        if (recorded && recorded->digest == stamp.digest) { // the same questions in a new file
            QFile::remove(pending);
            BankCopy::restamp(copy, stamp);
            return {copy, {}};
        }
        if (hadCopy)
            answers = BankCopy::carry(copy, pending);
        BankCopy::complete(pending, answers, m_installed, stamp);
    } catch (const common::WriteFailure &) {
        QFile::remove(pending);
        throw cannotStore(m_installed, copy);
    } catch (...) {
        QFile::remove(pending);
        throw;
    }
    platform::syncFolder(dir);

    QString backup;
    if (hadCopy) {
        // Without hard links the backup is a copy of its own, complete before it takes its name.
        backup = keepUnderBackupName(copy, copy + u".old"_s, [&](const QString &name) {
            const QString part = name + u".part"_s;
            QFile::remove(part);
            try {
                common::backupSqliteFile(copy, part);
            } catch (const common::Error &) {
                errno = EIO;
                return false;
            }
            return platform::renameNoReplace(part, name);
        });
        if (backup.isEmpty())
            throw cannotStore(m_installed, copy);
        platform::syncFolder(dir);
    }
    if (!platform::replaceFile(pending, copy)) {
        QFile::remove(pending);
        throw cannotStore(m_installed, copy);
    }
    platform::syncFolder(dir);

    if (adopted) {
        return {copy, renewedCopy(QStringLiteral("答案现在按程序文件夹分别保存：原来的个人副本“%1”已按题库“%2”"
                                                 "重新建立为“%3”。")
                                      .arg(QDir(m_userDir).filePath(u"shiti.mdb"_s), m_installed, copy),
                                  answers, backup)};
    }
    if (hadCopy) {
        return {copy, renewedCopy(QStringLiteral("题库“%1”已经更新，个人副本“%2”已按新的题库重新建立。")
                                      .arg(m_installed, copy),
                                  answers, backup)};
    }
    return {copy, convert ? convertedToCopy(m_installed, copy) : copiedToUser(m_installed, copy)};
}

// Earlier versions kept one copy for every read-only program folder, in the per-user data folder
// itself. The first program folder without a copy of its own takes it over, and carries its
// answers into a fresh copy of its own bank.
bool BankLocation::adoptSharedCopy(const QString &copy) const
{
    const QString shared = QDir(m_userDir).filePath(u"shiti.mdb"_s);
    // The lock those versions made their copy under.
    QLockFile lock(shared + u".lock"_s);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kLockWaitMs))
        throw common::Error::fileInUse(shared);
    if (!QFileInfo(shared).isFile())
        return false;
    // A save cut off in an earlier run is rolled back before the file leaves its journal behind.
    common::Database::open(shared, common::Database::Access::ReadWrite);
    if (!platform::renameNoReplace(shared, copy))
        throw cannotStore(m_installed, copy);
    platform::syncFolder(m_userDir);
    platform::syncFolder(QFileInfo(copy).path());
    return true;
}

} // namespace quorvi
