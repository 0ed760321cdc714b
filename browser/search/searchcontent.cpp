#include "searchcontent.h"

#include "articlereader.h"
#include "database.h"
#include "error.h"
#include "knowledgebase.h"
#include "programfolder.h"
#include "searchtext.h"

#include <optional>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace tamsel {

namespace {

// Texts of at least this many characters are folded on two threads.
constexpr qsizetype kFoldTogetherFrom = 1'000'000;

void foldEntry(SearchEntry &entry)
{
    entry.foldedTitle = foldText(entry.title);
    entry.foldedBody = foldText(entry.body);
}

// Adds an entry, folding its texts.
void addSearchEntry(SearchContent &content, SearchEntry entry)
{
    foldEntry(entry);
    content.characters += entry.title.size() + entry.body.size();
    content.entries.append(std::move(entry));
}

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

// One catalogue title with its article's text, or why the file could not be read.
struct ArticleSlot
{
    SearchEntry entry; // without its text until read
    QString error;
};

// Reads the articles of the slots not yet taken, taking one at a time, so that threads reading
// together share the work whatever the files' sizes.
void readArticles(std::vector<ArticleSlot> &slots, std::atomic<std::size_t> &next, const common::ProgramFolder &folder,
                  const std::atomic_bool *cancel, ArticleFolding folding)
{
    for (std::size_t i = next++; i < slots.size() && !cancelled(cancel); i = next++) {
        SearchEntry &entry = slots[i].entry;
        try {
            entry.body = readArticle(folder.path(entry.location.suffix()));
        } catch (const common::Error &error) {
            slots[i].error = error.text();
        }
        if (folding == ArticleFolding::Now) {
            foldEntry(entry);
        } else {
            entry.foldedTitle = foldText(entry.title);
            entry.bodyFolded = false;
        }
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


void foldBodies(SearchContent &content)
{
    // Two threads, an entry at a time each, for content that is worth it.
    std::atomic<qsizetype> next = 0;
    const auto fold = [&content, &next] {
        for (qsizetype i = next++; i < content.entries.size(); i = next++) {
            SearchEntry &entry = content.entries[i];
            if (!entry.bodyFolded) {
                entry.foldedBody = foldText(entry.body);
                entry.bodyFolded = true;
            }
        }
    };
    content.entries.detach(); // not from two threads at once
    std::optional<std::thread> second;
    if (content.characters >= kFoldTogetherFrom)
        second.emplace(fold);
    fold();
    if (second)
        second->join();
}

SearchContent loadSearchContent(const common::ProgramFolder &folder, const std::atomic_bool *cancel,
                                ArticleFolding folding)
{
    std::vector<ArticleSlot> slots;
    for (const auto kind : {CatalogueKind::Example, CatalogueKind::Technique}) {
        const SearchKind searchKind = kind == CatalogueKind::Example ? SearchKind::Example : SearchKind::Technique;
        for (const Catalogue::Title &title : Catalogue::titles(kind)) {
            slots.push_back({SearchEntry{searchKind, title.text, {}, {}, {}, title.location.folderPiece.mid(1).toInt(),
                                         -1, title.location},
                             {}});
        }
    }
    // Reading and decoding the articles is most of the work: a second thread reads them from the
    // start, and this one joins it once it has read the two databases.
    std::atomic<std::size_t> next = 0;
    std::thread second([&] { readArticles(slots, next, folder, cancel, folding); });

    SearchContent content;
    SearchContent api;
    for (auto [part, read] : {std::pair{&content, &addKnowledge}, std::pair{&api, &addApiFunctions}}) {
        // Each source on its own: one that cannot be read is named and the others are still searched.
        try {
            if (!cancelled(cancel))
                read(*part, folder);
        } catch (const common::Error &error) {
            part->unreadable.append(error.text());
        }
    }
    readArticles(slots, next, folder, cancel, folding);
    second.join();

    for (ArticleSlot &slot : slots) {
        if (!slot.error.isEmpty())
            content.unreadable.append(slot.error);
        content.characters += slot.entry.title.size() + slot.entry.body.size();
        content.entries.append(std::move(slot.entry));
    }
    content.entries.append(std::move(api.entries));
    content.unreadable.append(std::move(api.unreadable));
    content.characters += api.characters;
    return content;
}

} // namespace tamsel
