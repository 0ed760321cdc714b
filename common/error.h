#pragma once

#include <QString>
#include <exception>

namespace common {

// Error numbers of the original data engine and runtime, kept so that messages read as users know them.
enum ErrorNumber : int {
    FileNotFound = 53,
    NoCurrentRecord = 3021,
    DuplicateValue = 3022,     // a unique constraint of the file refuses the value
    DatabaseNotFound = 3024,
    DiskFull = 3026,
    FolderReadOnly = 3027,     // the file may be written, its folder not (no room for the journal)
    OperationTooLong = 3035,   // a statement ran past its time bound
    DiskError = 3043,
    FileInUse = 3045,
    NeedsRecovery = 3049,      // an interrupted save left a journal that cannot be rolled back here
    CannotLockFile = 3050,     // a write-ahead-log file in a folder where its lock file cannot be made
    CannotOpenFile = 3051,     // no permission to read, or to write (opened read-only, read-only file)
    TableNotFound = 3078,
    UnsupportedTable = 3251,   // rows cannot be addressed one by one
    FieldNotFound = 3265,
    NullNotAllowed = 3314,
    ValidationFailed = 3317,   // a check or other constraint of the file refuses the value
    UnrecognizedFormat = 3343,
};

// A failure with a number and a Chinese text naming the file, table or field concerned.
class Error : public std::exception
{
public:
    Error(int number, QString text);

    int number() const { return m_number; }
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_what.constData(); }

    static Error fileNotFound(const QString &path);
    static Error databaseNotFound(const QString &path);
    static Error unrecognizedFormat(const QString &path);
    static Error cannotOpen(const QString &path);
    static Error fileInUse(const QString &path);
    static Error tableNotFound(const QString &path, const QString &table);
    static Error fieldNotFound(const QString &table, const QString &field);
    // The same, naming the database file too.
    static Error fieldNotFound(const QString &path, const QString &table, const QString &field);
    static Error noCurrentRecord(const QString &table);
    static Error fileReadOnly(const QString &path);
    // The file was replaced by another one (a renewed copy) after it was opened.
    static Error fileReplaced(const QString &path);
    static Error diskFull(const QString &path);
    static Error diskError(const QString &path);
    static Error folderReadOnly(const QString &path);
    static Error cannotLockFile(const QString &path);
    static Error needsRecovery(const QString &path);
    static Error operationTooLong(const QString &path, int seconds);
    static Error unsupportedTable(const QString &path, const QString &table);
    // `number` is DuplicateValue, NullNotAllowed or ValidationFailed.
    static Error constraint(int number, const QString &path, const QString &table, const QString &field);

private:
    int m_number;
    QString m_text;
    QByteArray m_what;
};

// What to tell the user when a file was read as it lies on disk while an interrupted save of
// another program was still pending beside it: the data shown may be incomplete.
QString incompleteDataWarning(const QString &path);

} // namespace common
