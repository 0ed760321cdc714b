#pragma once

#include <QString>
#include <exception>

namespace common {

// Error numbers of the original data engine and runtime, kept so that messages read as users know them.
enum ErrorNumber : int {
    FileNotFound = 53,
    NoCurrentRecord = 3021,
    DatabaseNotFound = 3024,
    FileInUse = 3045,
    CannotOpenFile = 3051,
    TableNotFound = 3078,
    FieldNotFound = 3265,
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
    static Error noCurrentRecord(const QString &table);

private:
    int m_number;
    QString m_text;
    QByteArray m_what;
};

} // namespace common
