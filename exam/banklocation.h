#pragma once

#include <QString>

namespace quorvi {

// The bank Quorvi opens, and what the user must be told once about how it was chosen.
struct BankChoice
{
    QString path;
    QString notice; // empty unless this start made, converted or renewed the bank it opens
};

// Decides where the answers are kept. A bank in a folder the user may write is used in place. A
// bank the user cannot write (a system-wide install) is copied into a folder of its own in the
// per-user data folder, one per program folder; the copy records the bank it came from, and when
// that bank has changed (an upgrade) a fresh copy is made with the answers to unchanged questions
// carried over and the old copy kept under a backup name. An Access (Jet) bank is never written:
// it is converted to a SQLite file, in place with the original kept under a backup name, or into
// the per-user copy. Two programs starting at once agree on one file: copies and conversions are
// made under a lock file and appear under their final name only when complete and synced.
class BankLocation
{
public:
    // `installed` is the program folder's bank, `userDir` the per-user data folder.
    BankLocation(QString installed, QString userDir);

    // The per-user data folder of the running program.
    static QString defaultUserDir();

    // Throws common::Error when neither the program folder's bank nor the per-user copy can take
    // answers, naming both, so the user learns it before answering anything.
    BankChoice choose() const;

    // The per-user copy of this program folder's bank: in the per-user data folder, a folder
    // named after the program folder and a digest of its canonical path.
    QString userCopyPath() const;

    static bool isJetFile(const QString &path);
    // Writes every table of the database at `source`, every row and every NULL and empty text as
    // they are, into a new SQLite file `target`, synced to disk.
    static void copyAsSqlite(const QString &source, const QString &target);

private:
    BankChoice convertInPlace() const;
    BankChoice userCopy(bool convert) const;
    BankChoice renewUserCopy(const QString &copy, bool convert) const;
    // Moves the one copy earlier versions kept for every program folder to `copy`, once.
    bool adoptSharedCopy(const QString &copy) const;
    QString latestBackup() const;

    QString m_installed;
    QString m_userDir;
};

} // namespace quorvi
