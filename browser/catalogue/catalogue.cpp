#include "catalogue.h"

#include "cataloguedata.h"
#include "database.h"

namespace tamsel {

namespace data = catalogue_data;

namespace {

constexpr TechniqueRange kTechniqueRanges[] = {{0, 25}, {25, 21}, {46, 24}, {70, 21}, {91, 27}};

// Entry 9 of example folder 1 repeats entry 1 and is no row of the title table.
constexpr int kRepeatedFolder = 1;
constexpr int kRepeatedEntry = 9;

QString fromView(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

ArticleLocation location(CatalogueKind kind, int folder, int number)
{
    return {kind == CatalogueKind::Example ? QStringLiteral("\\article") : QStringLiteral("\\technique"),
            u'\\' + QString::number(folder), QStringLiteral("\\data%1.txt").arg(number)};
}

QList<Catalogue::Title> buildTitles(CatalogueKind kind)
{
    QList<Catalogue::Title> titles;
    if (kind == CatalogueKind::Example) {
        for (int f = 1; f <= int(data::kExampleLists.size()); ++f) {
            const auto list = data::kExampleLists[f - 1];
            int number = 0;
            for (int entry = 1; entry <= int(list.size()); ++entry) {
                if (f == kRepeatedFolder && entry == kRepeatedEntry)
                    continue;
                ++number;
                titles.append({fromView(list[entry - 1]), location(kind, f, number)});
            }
        }
    } else {
        for (int f = 1; f <= int(data::kTechniqueTitleTable.size()); ++f) {
            const auto list = data::kTechniqueTitleTable[f - 1];
            for (int k = 1; k <= int(list.size()); ++k)
                titles.append({fromView(list[k - 1]), location(kind, f, k)});
        }
    }
    return titles;
}

const QList<Catalogue::Title> &titleTable(CatalogueKind kind)
{
    static const QList<Catalogue::Title> examples = buildTitles(CatalogueKind::Example);
    static const QList<Catalogue::Title> techniques = buildTitles(CatalogueKind::Technique);
    return kind == CatalogueKind::Example ? examples : techniques;
}

} // namespace

QStringList Catalogue::categoryNames(CatalogueKind kind)
{
    QStringList names;
    if (kind == CatalogueKind::Example) {
        for (auto name : data::kExampleCategories)
            names.append(fromView(name));
    } else {
        for (auto name : data::kTechniqueCategories)
            names.append(fromView(name));
    }
    return names;
}

std::optional<Category> Catalogue::findCategory(const QString &text)
{
    for (CatalogueKind kind : {CatalogueKind::Example, CatalogueKind::Technique}) {
        const QStringList names = categoryNames(kind);
        const qsizetype index = names.indexOf(text);
        if (index >= 0)
            return Category{kind, int(index) + 1, names[index]};
    }
    return std::nullopt;
}

QStringList Catalogue::exampleEntries(int folder)
{
    QStringList entries;
    if (folder < 1 || folder > int(data::kExampleLists.size()))
        return entries;
    for (auto entry : data::kExampleLists[folder - 1])
        entries.append(fromView(entry));
    return entries;
}

TechniqueRange Catalogue::techniqueRange(int folder)
{
    if (folder < 1 || folder > int(std::size(kTechniqueRanges)))
        return {0, 0};
    return kTechniqueRanges[folder - 1];
}

QStringList Catalogue::techniqueEntries(common::Recordset &wen, int folder)
{
    const TechniqueRange range = techniqueRange(folder);
    QStringList entries;
    if (wen.recordCount() == 0 || wen.recordCount() <= range.preceding)
        return entries;
    wen.setAbsolutePosition(range.preceding);
    for (int i = 0; i < range.length && !wen.eof(); ++i) {
        entries.append(wen.text(QStringLiteral("shiliname")));
        wen.moveNext();
    }
    return entries;
}

std::optional<ArticleLocation> Catalogue::resolve(CatalogueKind kind, const QString &title)
{
    for (const Title &row : titleTable(kind)) {
        if (row.text == title)
            return row.location;
    }
    return std::nullopt;
}

QList<Catalogue::Title> Catalogue::titles(CatalogueKind kind)
{
    return titleTable(kind);
}

} // namespace tamsel
