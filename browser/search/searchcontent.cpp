#include "searchcontent.h"

#include "articlereader.h"
#include "database.h"
#include "error.h"
#include "knowledgebase.h"
#include "programfolder.h"
#include "searchtext.h"

using namespace Qt::StringLiterals;

namespace tamsel {

namespace {

bool cancelled(const std::atomic_bool *cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

void addKnowledge(SearchContent &content, const common::ProgramFolder &folder)
{
    const auto db = common::Database::open(folder.path(u"\\vb.MDB"), common::Database::Access::ReadOnly);
    const QList<KnowledgeSection> sections = readKnowledgeBase(*db);
    for (qsizetype s = 0; s < sections.size(); ++s) {
        const QList<KnowledgeEntry> &entries = sections[s].entries;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            addSearchEntry(content, {SearchKind::Knowledge, entries[e].title, entries[e].description, {}, {}, int(s),
                                     int(e), {}});
        }
    }
}

void addArticles(SearchContent &content, const common::ProgramFolder &folder, CatalogueKind kind,
                 const std::atomic_bool *cancel)
{
    const SearchKind searchKind = kind == CatalogueKind::Example ? SearchKind::Example : SearchKind::Technique;
    for (const Catalogue::Title &title : Catalogue::titles(kind)) {
        if (cancelled(cancel))
            return;
        QString text;
        try {
            text = readArticle(folder.path(title.location.suffix()));
        } catch (const common::Error &error) {
            content.unreadable.append(error.text());
        }
        addSearchEntry(content, {searchKind, title.text, text, {}, {}, title.location.folderPiece.mid(1).toInt(), -1,
                                 title.location});
    }
}

void addApiFunctions(SearchContent &content, const common::ProgramFolder &folder)
{
    const auto db = common::Database::open(folder.path(u"\\api.mdb"), common::Database::Access::ReadOnly);
    const auto functions = db->openRecordset(u"winfun"_s);
    const auto declarations = db->openRecordset(u"funclass"_s);
    const QStringList fields{u"函数"_s, u"说明"_s, u"返回值"_s, u"其它"_s};
    QStringList present;
    for (const QString &field : fields) {
        if (functions->hasField(field))
            present.append(field);
    }
    if (!present.contains(fields.first()))
        throw common::Error::fieldNotFound(db->path(), u"winfun"_s, fields.first());
    const QList<QList<common::FieldValue>> columns = functions->columns(present);
    const QList<common::FieldValue> fullnames = declarations->hasField(u"fullname"_s)
                                                    ? declarations->column(u"fullname"_s)
                                                    : QList<common::FieldValue>();
    for (qsizetype row = 0; row < columns.first().size(); ++row) {
        // The declaration first, then the texts in the order the details show them.
        QStringList lines{fullnames.value(row).value_or(QString())};
        for (qsizetype f = 1; f < columns.size(); ++f)
            lines.append(columns[f][row].value_or(QString()));
        addSearchEntry(content, {SearchKind::Api, columns.first()[row].value_or(QString()), lines.join(u'\n'), {}, {},
                                 -1, int(row), {}});
    }
}

} // namespace

QString searchKindName(SearchKind kind)
{
    switch (kind) {
    case SearchKind::Knowledge: return u"知识"_s;
    case SearchKind::Example: return u"实例"_s;
    case SearchKind::Technique: return u"技巧"_s;
    case SearchKind::Api: return u"API"_s;
    }
    return QString();
}

void addSearchEntry(SearchContent &content, SearchEntry entry)
{
    entry.foldedTitle = foldText(entry.title);
    entry.foldedBody = foldText(entry.body);
    content.characters += entry.title.size() + entry.body.size();
    content.entries.append(std::move(entry));
}

SearchContent loadSearchContent(const common::ProgramFolder &folder, const std::atomic_bool *cancel)
{
    SearchContent content;
    // Each source on its own: one that cannot be read is named and the others are still searched.
    const auto guarded = [&content](auto &&read) {
        try {
            read();
        } catch (const common::Error &error) {
            content.unreadable.append(error.text());
        }
    };
    guarded([&] { addKnowledge(content, folder); });
    if (!cancelled(cancel))
        addArticles(content, folder, CatalogueKind::Example, cancel);
    if (!cancelled(cancel))
        addArticles(content, folder, CatalogueKind::Technique, cancel);
    if (!cancelled(cancel))
        guarded([&] { addApiFunctions(content, folder); });
    return content;
}

} // namespace tamsel
