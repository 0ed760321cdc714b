#pragma once

#include "programfolder.h"
#include "searchmatcher.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace tamsel {

// Runs searches away from the user-interface thread. Nothing is read before the first search;
// that search reads every source once, and later ones look at what was read. Large content gets an
// index, built in the background while searches go on by scanning. A new search abandons the one
// before it, whose results are never reported.
class SearchEngine : public QObject
{
    Q_OBJECT

public:
    // Content of at least this many characters is indexed.
    static constexpr qsizetype kIndexFrom = 4'000'000;

    explicit SearchEngine(common::ProgramFolder folder, QObject *parent = nullptr);
    ~SearchEngine() override;

    // Searches for the text; resultsReady() follows unless another search comes first.
    void search(const QString &text);

    bool contentLoaded() const { return m_content != nullptr; }
    std::shared_ptr<const SearchContent> content() const { return m_content; }
    bool indexed() const { return m_index != nullptr; }
    qsizetype indexMemory() const { return m_index ? m_index->memoryBytes() : 0; }

Q_SIGNALS:
    void loaded(const QStringList &unreadable);
    void resultsReady(const tamsel::SearchQuery &query, const tamsel::SearchResults &results);
    void indexReady();

private:
    void startLoading();
    void contentRead(std::shared_ptr<const SearchContent> content);
    void startQuery();
    void foldAndIndex();
    // Runs `work` on a thread of its own; `done` then runs on this object's thread.
    void runAside(std::function<void()> work, std::function<void()> done);

    common::ProgramFolder m_folder;
    std::shared_ptr<const SearchContent> m_content;
    std::shared_ptr<const SearchMatcher> m_scan;
    std::shared_ptr<const SearchMatcher> m_index;
    bool m_loading = false;
    bool m_foldPending = false;
    SearchQuery m_query;
    std::shared_ptr<std::atomic_bool> m_stale; // of the search running now
    std::atomic_bool m_closing = false;
    QList<QThread *> m_threads;
};

} // namespace tamsel
