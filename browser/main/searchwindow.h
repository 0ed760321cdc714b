#pragma once

#include "searchengine.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QModelIndex;
class QTreeView;

namespace tamsel {

// The search window: a query box whose results show as the user types, each with its kind, its
// title and a line around its first match. Opening a result hands it to the main window, and the
// window stays open for the next one. The last searches are kept in the user's own settings.
class SearchWindow : public QWidget
{
    Q_OBJECT

public:
    // At most this many results are listed; the count line still counts all.
    static constexpr qsizetype kListed = 500;
    static constexpr int kHistorySize = 20;

    SearchWindow(common::ProgramFolder folder, QWidget *owner);

    // Starts a search for the text as if the user had typed it.
    void setQuery(const QString &text);
    // The query box takes the focus, its text selected.
    void focusQuery();
    SearchEngine &engine() { return m_engine; }

Q_SIGNALS:
    void openRequested(const tamsel::SearchEntry &entry, const tamsel::SearchQuery &query);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showResults(const SearchQuery &query, const SearchResults &results);
    void showLoaded(const QStringList &unreadable);
    void open(const QModelIndex &index);
    void remember(const QString &text);
    void fillHistory();
    void historyChosen(int index);

    SearchEngine m_engine;
    QComboBox *m_queryBox;
    QLabel *m_countLine;
    QLabel *m_problems;
    QTreeView *m_results;
    class SearchResultModel *m_model;
    SearchQuery m_shown; // the query whose results are listed
    bool m_fillingHistory = false;
};

} // namespace tamsel
