#pragma once

#include "catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace common {
class ProgramFolder;
}

namespace tamsel {

enum class SearchKind { Knowledge, Example, Technique, Api };
constexpr int kSearchKinds = 4;
// "知识", "实例", "技巧" or "API".
QString searchKindName(SearchKind kind);

// One thing a search can find, with where it is shown.
struct SearchEntry
{
    SearchKind kind;
    QString title;
    QString body;        // description, article text, or the API function's texts one per line
    QString foldedTitle; // foldText() of each
    QString foldedBody;  // of an article only once foldBodies() has run, when read without it
    // Knowledge: the section (0-based, in table order) and the entry within it. Example and
    // technique: the category's folder number and the article. API: the row of "winfun".
    int section = -1;
    int item = -1;
    ArticleLocation location;
    bool bodyFolded = true;
};

// Everything a search looks at, in the order results tie in: knowledge entries, example titles,
// technique titles, API functions.
struct SearchContent
{
    QList<SearchEntry> entries;
    QStringList unreadable; // files that could not be read, each once, with why
    qsizetype characters = 0;
};

// Reads every knowledge entry of vb.MDB, the example and technique catalogues with their article
// files, and the API functions of api.mdb. A file that cannot be read is listed and the rest is
// still read. Stops early and returns what it has when `cancel` is set.
// Articles may be read without folding their texts, so that a first search does not wait for
// it: searching them then folds as it goes, until foldBodies() has run.
enum class ArticleFolding { Now, Later };
SearchContent loadSearchContent(const common::ProgramFolder &folder, const std::atomic_bool *cancel = nullptr,
                                ArticleFolding folding = ArticleFolding::Now);
// Folds every text left unfolded.
void foldBodies(SearchContent &content);

} // namespace tamsel
