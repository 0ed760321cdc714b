#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace common {
class Recordset;
}

namespace tamsel {

enum class CatalogueKind { Example, Technique };

struct Category
{
    CatalogueKind kind;
    int folder; // 1-based position within its catalogue; names the article sub-folder
    QString name;
};

// Where a title's article lies: three pieces joined after the program folder.
struct ArticleLocation
{
    QString cataloguePiece; // "\article" or "\technique"
    QString folderPiece;    // "\1" ... "\8"
    QString filePiece;      // "\data1.txt" ... "\data32.txt"

    QString suffix() const { return cataloguePiece + folderPiece + filePiece; }
    bool operator==(const ArticleLocation &) const = default;
};

// Records of table "wen" that make up the list of technique folder f: the `preceding` records
// before it are skipped, the next `length` are listed.
struct TechniqueRange
{
    int preceding;
    int length;
};

class Catalogue
{
public:
    // Category names of one catalogue in tree order.
    static QStringList categoryNames(CatalogueKind kind);
    // The first category whose name equals the text exactly, examples before techniques.
    static std::optional<Category> findCategory(const QString &text);

    // The entries of an example list in list order (folder 1 repeats its first title).
    static QStringList exampleEntries(int folder);
    static TechniqueRange techniqueRange(int folder);
    // Entry i is field "shiliname" of record preceding + i, always counted from the first record.
    // A table shorter than the range gives the records that exist; a null value an empty entry.
    static QStringList techniqueEntries(common::Recordset &wen, int folder);

    // Looks a clicked title up in its own catalogue's title table only; the first equal title wins.
    static std::optional<ArticleLocation> resolve(CatalogueKind kind, const QString &title);

    // Every title of one catalogue's title table with its location, in table order.
    struct Title
    {
        QString text;
        ArticleLocation location;
    };
    static QList<Title> titles(CatalogueKind kind);
};

} // namespace tamsel
