#pragma once

#include "apireference.h"
#include "articlereader.h"
#include "catalogue.h"
#include "commands.h"
#include "form3.h"
#include "frmabout.h"
#include "knowledgebase.h"
#include "programfolder.h"
#include "searchwindow.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QGroupBox;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace common {
class DataControl;
class Database;
class Messenger;
class ProcessStarter;
}

namespace tamsel {

class Registry;

// What the main window needs from the world outside; tests pass their own.
struct Form1Services
{
    common::Messenger &messenger;
    common::ProcessStarter &starter;
    Registry &registry;
    std::function<bool(const QString &)> fileExists;
};

// Tamsel's main window: the knowledge tree, the browsing modes, the title lists, the API pane.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    Form1(common::ProgramFolder folder, Form1Services services);
    ~Form1() override;

    // The start-up routine; also the end of the knowledge-mode command. Throws common::Error.
    void Form_Load();
    // Reads the descriptions of the knowledge entries, which Form_Load leaves for after the tree
    // is shown; a node click reads them first if they are still to read. Throws common::Error.
    void loadDescriptions();
    // The same a part at a time from the event loop, each part at most about `sliceMs` long, so
    // that the window answers meanwhile; `done` runs once all are read. A failure is thrown from
    // the event loop, where an untrapped error ends the program as Form_Load's would.
    void loadDescriptionsInSlices(std::function<void()> done, int sliceMs = 15);
    // Opens the record sources once the window has loaded; failures are told, not fatal.
    void openRecordSources();
    // Starts reading the record sources' Access files in the background, so that
    // openRecordSources() finds them read; once, at start-up.
    void readRecordSourcesAhead() const;

    void exit_Click();
    void all_Click();
    void copy_Click();
    void cut_Click();
    void paste_Click();
    void basic_Click();
    void example_Click();
    void api_Click();
    void technical_Click();
    void exam_Click();
    void about_Click();
    void Toolbar1_ButtonClick(int index);
    void TreeView1_NodeClick(QTreeWidgetItem *node);
    void TreeView1_Expand(QTreeWidgetItem *node);
    void TreeView1_Collapse(QTreeWidgetItem *node);
    void ListView1_ItemClick(QTreeWidgetItem *item);
    void ListView2_ItemClick(QTreeWidgetItem *item);
    void DBList1_Click();
    void ShowArticle(const ArticleLocation &location, const QString &title);

    // Opens the search window, or raises it; a selection in a text pane becomes its query.
    void openSearch();
    // Shows a search result where the browser shows it, in the mode that shows it.
    void showSearchResult(const SearchEntry &entry, const SearchQuery &query);

    // The 1-based creation index of a tree node.
    static int nodeIndex(const QTreeWidgetItem *node);
    Form3 *readingWindow() const { return m_form3; }
    FrmAbout *aboutBox() const { return m_about; }
    SearchWindow *searchWindow() const { return m_search; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void createControls();
    void createMenus();
    void createToolbar();
    void connectHandlers();
    void runCommand(Command command);
    void placeReadingWindow();
    void showKnowledgeEntry(const SearchEntry &entry, const SearchQuery &query);
    void showArticleEntry(const SearchEntry &entry, const SearchQuery &query);
    void showApiEntry(const SearchEntry &entry, const SearchQuery &query);

    // Reads pending descriptions for up to `budgetMs` and puts them in their nodes' slots once all
    // are read; true when none are left to read.
    bool readDescriptionsFor(qint64 budgetMs);
    // Reading a file that an interrupted save left behind may show less than it holds.
    void warnIfIncomplete(const common::Database &db);
    void clearTree();
    // A new node numbered next in creation order, not yet in the tree.
    QTreeWidgetItem *makeNode(const QString &text, const QString &tag, const QString &image);
    void buildKnowledgeTree();
    void addCategoryNodes(CatalogueKind kind);
    void fillList(QTreeWidget *list, const QStringList &entries);

    common::ProgramFolder m_folder;
    Form1Services m_services;
    std::unique_ptr<common::Database> m_db;
    NodeDescriptions m_desc;
    std::unique_ptr<DescriptionReader> m_pending; // the descriptions of the tree Form_Load built
    int m_pendingFirstNode = 0;                   // the node number of their first section
    int m_nodeCount = 0;
    std::unique_ptr<ApiReference> m_api;
    QPoint m_readerPlaced;                  // where the reading window was put
    std::optional<QPoint> m_readerPosition; // where the user moved it

    QTreeWidget *m_treeView1 = nullptr;
    QListWidget *m_dbList1 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QTreeWidget *m_listView1 = nullptr;
    QTreeWidget *m_listView2 = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QPlainTextEdit *m_text2 = nullptr;
    QPlainTextEdit *m_text3 = nullptr;
    QPlainTextEdit *m_text4 = nullptr;
    QPlainTextEdit *m_text5 = nullptr;
    QToolBar *m_toolbar1 = nullptr;
    QStatusBar *m_statusBar1 = nullptr;
    common::DataControl *m_data1 = nullptr;
    common::DataControl *m_data2 = nullptr;
    common::DataControl *m_data3 = nullptr;
    QAction *m_paste = nullptr;

    QPointer<Form3> m_form3;
    QPointer<FrmAbout> m_about;
    QPointer<SearchWindow> m_search;
};

} // namespace tamsel
