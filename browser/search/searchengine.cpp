#include "searchengine.h"

#include "searchindex.h"

#include <QMetaObject>
#include <QThread>

namespace tamsel {

SearchEngine::SearchEngine(common::ProgramFolder folder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(folder))
{
    qRegisterMetaType<tamsel::SearchQuery>();
    qRegisterMetaType<tamsel::SearchResults>();
}

SearchEngine::~SearchEngine()
{
    m_closing = true;
    if (m_stale)
        *m_stale = true;
    for (QThread *thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void SearchEngine::search(const QString &text)
{
    if (m_stale)
        *m_stale = true;
    m_stale.reset();
    m_query = parseQuery(text);
    if (m_query.isEmpty()) {
        Q_EMIT resultsReady(m_query, SearchResults());
        return;
    }
    if (m_content)
        startQuery();
    else
        startLoading();
}

void SearchEngine::runAside(std::function<void()> work, std::function<void()> done)
{
    QThread *thread = QThread::create([this, work = std::move(work), done = std::move(done)] {
        work();
        if (!m_closing)
            QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    });
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start();
}

void SearchEngine::startLoading()
{
    if (m_loading)
        return; // the search asked for last runs once the content is read
    m_loading = true;
    auto content = std::make_shared<SearchContent>();
    runAside([content, folder = m_folder, this] {
                 *content = loadSearchContent(folder, &m_closing, ArticleFolding::Later);
             },
             [this, content] { contentRead(content); });
}

void SearchEngine::contentRead(std::shared_ptr<const SearchContent> content)
{
    m_loading = false;
    m_content = content;
    m_scan = std::make_shared<ScanMatcher>(content);
    Q_EMIT loaded(content->unreadable);
    m_foldPending = true;
    if (!m_query.isEmpty())
        startQuery(); // the folding waits for its results
    else
        foldAndIndex();
}

void SearchEngine::foldAndIndex()
{
    // The articles' texts are folded once the first results are shown, and large content is then
    // indexed; searches meanwhile scan what was read.
    m_foldPending = false;
    auto folded = std::make_shared<SearchContent>(*m_content);
    auto index = std::make_shared<std::shared_ptr<const SearchMatcher>>();
    runAside(
        [this, folded, index] {
            foldBodies(*folded);
            if (folded->characters >= kIndexFrom && !m_closing)
                *index = IndexMatcher::build(folded, &m_closing);
        },
        [this, folded, index] {
            m_content = folded;
            m_scan = std::make_shared<ScanMatcher>(folded);
            if (!*index)
                return;
            m_index = *index;
            Q_EMIT indexReady();
        });
}

void SearchEngine::startQuery()
{
    auto stale = std::make_shared<std::atomic_bool>(false);
    m_stale = stale;
    const std::shared_ptr<const SearchMatcher> matcher = m_index ? m_index : m_scan;
    auto results = std::make_shared<SearchResults>();
    runAside([matcher, query = m_query, stale, results] { *results = matcher->search(query, stale.get()); },
             [this, query = m_query, stale, results] {
                 if (!*stale && !results->abandoned)
                     Q_EMIT resultsReady(query, *results);
                 if (m_foldPending)
                     foldAndIndex();
             });
}

} // namespace tamsel
