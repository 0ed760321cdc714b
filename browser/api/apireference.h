#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace common {
class Error;
class Recordset;
}

namespace tamsel {

// The three "winfun" values shown with a function, read as text (a null value is empty).
struct ApiFunctionText
{
    QString description; // "说明"
    QString returnValue; // "返回值"
    QString notes;       // "其它"
};

// The details text of one function. A null declaration yields no text at all.
std::optional<QString> composeApiDetails(const std::optional<QString> &declaration,
                                         const ApiFunctionText &text);

// The two tables of the API reference, paired by position: row k of "funclass" holds the
// declaration of row k of "winfun". The reference shares both recordsets with whoever opened them,
// so it stays usable however long it is kept.
class ApiReference
{
public:
    ApiReference(std::shared_ptr<common::Recordset> functions, std::shared_ptr<common::Recordset> declarations);

    // The first field the reference reads (in the order a click reads them) that its table lacks, as error 3265 naming the database
    // file `path`, the table and the field; nullopt when both tables hold every field.
    static std::optional<common::Error> missingField(const common::Recordset &functions,
                                                     const common::Recordset &declarations,
                                                     const QString &path);

    // Makes the row with this bookmark current in "winfun"; an unknown or missing bookmark leaves
    // the current row as it was. Returns the three texts of the current row afterwards; a field
    // that cannot be read is empty and does not keep the others from being read.
    ApiFunctionText select(std::optional<qint64> bookmark);
    // The declaration paired with the current "winfun" row, positioned directly; nullopt when
    // there is no such row or it holds no value.
    std::optional<QString> pairedDeclaration();

private:
    std::shared_ptr<common::Recordset> m_functions;
    std::shared_ptr<common::Recordset> m_declarations;
};

} // namespace tamsel
