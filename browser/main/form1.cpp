#include "form1.h"

#include "datacontrol.h"
#include "error.h"
#include "form3.h"
#include "frmabout.h"
#include "imagelists.h"
#include "jetbackend.h"
#include "messenger.h"
#include "placement.h"
#include "processstarter.h"
#include "readerplacement.h"
#include "searchtext.h"
#include "textbox.h"
#include "twips.h"
#include "windowframe.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <limits>
#include <utility>

namespace tamsel {

namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;

const QString kSectionTag = QStringLiteral("tblName");
const QString kEntryTag = QStringLiteral("Site");

// A tree node that keeps its creation index, its tag and its first picture in itself instead of
// as item data, which a tree of many thousand nodes would pay for node by node. Data set later
// (a picture changed on expanding) wins over what it was made with.
class TreeNode : public QTreeWidgetItem
{
public:
    TreeNode(const QString &text, int index, const QString &tag, const QIcon &picture)
        : QTreeWidgetItem(QStringList{text}, UserType)
        , m_index(index)
        , m_tag(tag)
        , m_picture(picture)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0 && role == kIndexRole)
            return m_index;
        if (column == 0 && role == kTagRole)
            return m_tag;
        QVariant own = QTreeWidgetItem::data(column, role);
        if (column == 0 && role == Qt::DecorationRole && !own.isValid())
            return m_picture;
        return own;
    }

private:
    int m_index;
    QString m_tag;
    QIcon m_picture;
};

struct ToolbarButton
{
    const char *key;
    const char16_t *caption;
    int image;
};

constexpr ToolbarButton kToolbarButtons[] = {
    {"basic", u"VB基础", 23},  {"example", u"VB实例", 24}, {"api", u"API函数", 26},
    {"technical", u"VB技巧", 28}, {"exam", u"考试中心", 27},
};

// A list or tree whose selection also moves by keyboard, as the common controls do: a key that
// moves the current entry reports the move, Enter or Space on an entry reports an opening. Mouse
// clicks are left to the view's own signals.
template <class View>
class KeyboardView : public View
{
public:
    using View::View;
    std::function<void()> onMove;
    std::function<void()> onOpen;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int key = event->key();
        if (onOpen && this->currentIndex().isValid() && event->modifiers() == Qt::NoModifier
            && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            event->accept();
            onOpen();
            return;
        }
        const QPersistentModelIndex before = this->currentIndex();
        View::keyPressEvent(event);
        if (onMove && this->currentIndex() != before)
            onMove();
    }
};
using KeyboardTree = KeyboardView<QTreeWidget>;
using KeyboardList = KeyboardView<QListWidget>;

// A pane with a visible sibling in front of it over its whole area cannot be seen.
bool isCovered(const QWidget *pane)
{
    const QObjectList &siblings = pane->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(pane) + 1; i < siblings.size(); ++i) {
        const auto *sibling = qobject_cast<const QWidget *>(siblings[i]);
        if (sibling && !sibling->isHidden() && sibling->geometry().contains(pane->geometry()))
            return true;
    }
    return false;
}

QPlainTextEdit *makeTextBox(const QString &name, QWidget *parent, const QRect &geometry)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return box;
}

QTreeWidget *makeReportList(const QString &name, const QString &heading, QWidget *parent)
{
    auto *list = new KeyboardTree(parent);
    list->setObjectName(name);
    list->setGeometry(common::twipsRect(120, 240, 7695, 5775));
    list->setColumnCount(1);
    list->setHeaderLabels({heading});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    return list;
}

QAction *makeAction(QObject *parent, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

Form1::Form1(common::ProgramFolder folder, Form1Services services)
    : m_folder(std::move(folder))
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tamsel"));
    setWindowFlags(Qt::Window | common::kFixedFrame);
    createControls();
    createMenus();
    createToolbar();
    connectHandlers();
    setFixedSize(centralWidget()->width(), centralWidget()->height() + menuBar()->sizeHint().height());
    common::centreByFrame(this);
}

Form1::~Form1()
{
    delete m_search;
    delete m_form3;
    delete m_about;
}

void Form1::createControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(common::twipsSize(11295, 7995));
    setCentralWidget(client);

    m_statusBar1 = new QStatusBar(client);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->setGeometry(common::twipsRect(0, 7665, 11295, 330));
    m_statusBar1->setSizeGripEnabled(false);
    const std::pair<int, QString> panels[] = {
        {4800, QStringLiteral("Visual Basic 学习与参考：知识、实例、技巧、API")},
        {5000, QStringLiteral("单击左边的目录查看内容，用工具栏切换浏览方式")},
        {1440, QStringLiteral("祝学习愉快")},
    };
    for (const auto &[width, text] : panels) {
        auto *panel = new QLabel(text, m_statusBar1);
        panel->setToolTip(text);
        panel->setFixedWidth(common::fromTwips(width) - 6);
        m_statusBar1->addWidget(panel);
    }

    m_frame1 = new QGroupBox(client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(common::twipsRect(0, 1250, 11295, 6375));

    m_dbList1 = new KeyboardList(m_frame1);
    m_dbList1->setObjectName(QStringLiteral("DBList1"));
    m_dbList1->setGeometry(common::twipsRect(120, 240, 3015, 5940));
    m_dbList1->setUniformItemSizes(true);

    m_frame2 = new QGroupBox(QStringLiteral("详细说明"), m_frame1);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setGeometry(common::twipsRect(3240, 120, 7935, 6135));

    m_listView2 = makeReportList(QStringLiteral("ListView2"), QStringLiteral("说明"), m_frame2);
    m_listView2->hide();
    m_text2 = makeTextBox(QStringLiteral("Text2"), m_frame2, common::twipsRect(120, 240, 7695, 5775));
    m_text1 = makeTextBox(QStringLiteral("Text1"), m_frame2, common::twipsRect(120, 240, 7695, 5775));
    m_listView1 = makeReportList(QStringLiteral("ListView1"), QStringLiteral("相关文章"), m_frame2);

    m_treeView1 = new KeyboardTree(m_frame1);
    m_treeView1->setObjectName(QStringLiteral("TreeView1"));
    m_treeView1->setGeometry(common::twipsRect(120, 240, 3015, 5895));
    m_treeView1->setHeaderHidden(true);
    m_treeView1->setColumnCount(1);
    m_treeView1->setIconSize(QSize(TreeImages::kSize, TreeImages::kSize));
    m_treeView1->setSortingEnabled(false);

    // Earlier controls of one container are in front of later ones.
    for (QWidget *w : {static_cast<QWidget *>(m_treeView1), static_cast<QWidget *>(m_listView1), static_cast<QWidget *>(m_text1),
                       static_cast<QWidget *>(m_text2), static_cast<QWidget *>(m_listView2), static_cast<QWidget *>(m_frame2),
                       static_cast<QWidget *>(m_dbList1)})
        w->raise();

    auto *coolBar = new QWidget(client);
    coolBar->setObjectName(QStringLiteral("CoolBar1"));
    coolBar->setGeometry(common::twipsRect(0, 0, 11295, 1260));
    coolBar->setAutoFillBackground(true);
    // The status bar and Frame1 lie in front of the cool bar, which overlaps Frame1's top row.
    coolBar->lower();
    m_statusBar1->raise();

    m_toolbar1 = new QToolBar(coolBar);
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar1->setGeometry(common::twipsRect(120, 120, 10935, 1065));
    m_toolbar1->setIconSize(QSize(ToolbarImages::kSize, ToolbarImages::kSize));
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar1->setMovable(false);
    m_toolbar1->setFloatable(false);
    // The bar is as tall as a button with a 48-pixel picture and its caption: the style's margins
    // around the buttons would cut the captions' lower edge.
    m_toolbar1->layout()->setContentsMargins(0, 0, 0, 0);

    m_data3 = new common::DataControl(QStringLiteral("Data3"), m_toolbar1);
    m_data3->setRecordSource(QStringLiteral("wen"));
    m_text5 = makeTextBox(QStringLiteral("Text5"), m_toolbar1, QRect(0, 0, 10, 10));
    m_text4 = makeTextBox(QStringLiteral("Text4"), m_toolbar1, QRect(0, 0, 10, 10));
    m_text3 = makeTextBox(QStringLiteral("Text3"), m_toolbar1, QRect(0, 0, 10, 10));
    for (QPlainTextEdit *hidden : {m_text3, m_text4, m_text5})
        hidden->hide();
    m_data2 = new common::DataControl(QStringLiteral("Data2"), m_toolbar1);
    m_data2->setRecordSource(QStringLiteral("funclass"));
    m_data1 = new common::DataControl(QStringLiteral("Data1"), m_toolbar1);
    m_data1->setRecordSource(QStringLiteral("winfun"));

    // Keyboard and screen readers: left pane before right, the pane in front first.
    for (QPlainTextEdit *box : {m_text1, m_text2})
        common::makeTextBox(box);
    QWidget *const order[] = {m_dbList1, m_treeView1, m_listView2, m_text2, m_text1, m_listView1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_treeView1->setFocus();
    const std::pair<QWidget *, QString> names[] = {
        {m_treeView1, QStringLiteral("目录树")},
        {m_dbList1, QStringLiteral("API函数列表")},
        {m_listView1, QStringLiteral("实例文章列表")},
        {m_listView2, QStringLiteral("技巧文章列表")},
        {m_text1, QStringLiteral("内容说明")},
        {m_text2, QStringLiteral("API函数详细说明")},
        {m_toolbar1, QStringLiteral("工具栏")},
        {m_statusBar1, QStringLiteral("状态栏")},
        {m_frame1, QStringLiteral("浏览区")},
    };
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(name);
    for (QWidget *w : std::initializer_list<QWidget *>{m_data1, m_data2, m_text3, m_text4, m_text5, m_data3})
        w->raise();
}

void Form1::createMenus()
{
    QMenuBar *bar = menuBar();
    auto addMenu = [bar](const char *name, const QString &caption) {
        QMenu *menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    QMenu *file = addMenu("file", QStringLiteral("文件"));
    file->addAction(makeAction(this, "exit", QStringLiteral("关闭")));

    QMenu *edit = addMenu("edit", QStringLiteral("编辑"));
    edit->addAction(makeAction(this, "all", QStringLiteral("全选")));
    edit->addSeparator()->setObjectName(QStringLiteral("line"));
    edit->addAction(makeAction(this, "copy", QStringLiteral("复制")));
    edit->addAction(makeAction(this, "cut", QStringLiteral("剪切")));
    m_paste = makeAction(this, "paste", QStringLiteral("粘贴"));
    m_paste->setEnabled(false);
    edit->addAction(m_paste);

    QMenu *article = addMenu("article", QStringLiteral("内容"));
    article->addAction(makeAction(this, "basic", QStringLiteral("VB基础")));
    article->addAction(makeAction(this, "example", QStringLiteral("VB实例")));
    article->addAction(makeAction(this, "api", QStringLiteral("API函数")));
    article->addAction(makeAction(this, "technical", QStringLiteral("VB技巧")));
    article->addAction(makeAction(this, "exam", QStringLiteral("vbQuorvi")));

    QMenu *help = addMenu("help", QStringLiteral("帮助"));
    help->addAction(makeAction(this, "about", QStringLiteral("关于")));
}

void Form1::createToolbar()
{
    for (const ToolbarButton &button : kToolbarButtons) {
        QAction *action = m_toolbar1->addAction(ToolbarImages::icon(button.image),
                                                QString::fromUtf16(button.caption));
        action->setProperty("key", QString::fromLatin1(button.key));
        // The buttons have no tooltips; a tool button would otherwise repeat its caption.
        m_toolbar1->widgetForAction(action)->setToolTip(QString());
    }
}

void Form1::connectHandlers()
{
    const std::pair<const char *, void (Form1::*)()> menuHandlers[] = {
        {"exit", &Form1::exit_Click},         {"all", &Form1::all_Click},
        {"copy", &Form1::copy_Click},         {"cut", &Form1::cut_Click},
        {"paste", &Form1::paste_Click},       {"basic", &Form1::basic_Click},
        {"example", &Form1::example_Click},   {"api", &Form1::api_Click},
        {"technical", &Form1::technical_Click}, {"exam", &Form1::exam_Click},
        {"about", &Form1::about_Click},
    };
    for (const auto &[name, handler] : menuHandlers) {
        QAction *action = findChild<QAction *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        connect(action, &QAction::triggered, this, handler);
    }
    connect(m_toolbar1, &QToolBar::actionTriggered, this, [this](QAction *action) {
        Toolbar1_ButtonClick(int(m_toolbar1->actions().indexOf(action)) + 1);
    });
    connect(m_treeView1, &QTreeWidget::itemClicked, this, &Form1::TreeView1_NodeClick);
    connect(m_treeView1, &QTreeWidget::itemExpanded, this, &Form1::TreeView1_Expand);
    connect(m_treeView1, &QTreeWidget::itemCollapsed, this, &Form1::TreeView1_Collapse);
    connect(m_listView1, &QTreeWidget::itemClicked, this, &Form1::ListView1_ItemClick);
    connect(m_listView2, &QTreeWidget::itemClicked, this, &Form1::ListView2_ItemClick);
    static_cast<KeyboardTree *>(m_treeView1)->onMove = [this] { TreeView1_NodeClick(m_treeView1->currentItem()); };
    static_cast<KeyboardList *>(m_dbList1)->onMove = [this] { DBList1_Click(); };
    static_cast<KeyboardTree *>(m_listView1)->onOpen = [this] { ListView1_ItemClick(m_listView1->currentItem()); };
    static_cast<KeyboardTree *>(m_listView2)->onOpen = [this] { ListView2_ItemClick(m_listView2->currentItem()); };
    // The only key of the main window besides its controls' own; the menus keep none.
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &Form1::openSearch);
    // A click anywhere in the list, on an entry or not, is a click of the list.
    m_dbList1->viewport()->installEventFilter(this);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // The event type first: a window being destroyed still sends events, and comparing it with
    // the guarded pointer would treat it as the reading window it no longer is.
    if (event->type() == QEvent::Close && watched == m_form3) {
        // A position the user chose is kept for the rest of the run.
        if (const QPoint at = m_form3->frameGeometry().topLeft(); at != m_readerPlaced)
            m_readerPosition = at;
    }
    if (watched == m_dbList1->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        DBList1_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Form1::focusNextPrevChild(bool next)
{
    // Tab passes over a pane that another one covers (Text1 behind Text2, the tree behind DBList1).
    const QWidget *start = focusWidget();
    for (int tries = 0; tries < 8; ++tries) {
        if (!QMainWindow::focusNextPrevChild(next))
            return false;
        const QWidget *now = focusWidget();
        if (!now || now == start || now->window() != this || !isCovered(now))
            break;
    }
    return true;
}

void Form1::placeReadingWindow()
{
    m_form3->installEventFilter(this);
    common::placeByFrame(m_form3, [this](const QRect &frame, const QRect &available) {
        if (m_readerPosition)
            return common::keptOnArea(available, QRect(*m_readerPosition, frame.size()));
        const QRect lists(m_listView1->mapToGlobal(QPoint(0, 0)), m_listView1->size());
        m_readerPlaced = readerPosition(available, frameGeometry(), frame.size(), lists);
        return m_readerPlaced;
    });
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, as the exit command does.
    event->accept();
    exit_Click();
}

void Form1::Form_Load()
{
    m_data1->setDatabaseName(m_folder.path(u"\\api.mdb"));
    m_data2->setDatabaseName(m_folder.path(u"\\api.mdb"));
    m_data3->setDatabaseName(m_folder.path(u"\\shili.mdb"));
    m_text2->hide();
    m_listView1->clear();
    m_text1->show();
    m_listView1->hide();
    m_dbList1->hide();
    m_text1->clear();
    // What an earlier tree left to read goes into its slots first, from its own file.
    loadDescriptions();
    m_db = common::Database::open(m_folder.path(u"\\vb.MDB"), common::Database::Access::ReadOnly);
    warnIfIncomplete(*m_db);
    m_treeView1->setSortingEnabled(false);
    buildKnowledgeTree();
}

void Form1::openRecordSources()
{
    try {
        m_data1->refresh(common::Database::Access::ReadOnly);
        m_data2->refresh(common::Database::Access::ReadOnly);
        warnIfIncomplete(*m_data1->database());
        common::Recordset &functions = *m_data1->recordset();
        const QString name = QStringLiteral("函数");
        // A missing field is told once; each click then skips only the steps that read it.
        const auto missing = ApiReference::missingField(functions, *m_data2->recordset(), m_data1->databaseName());
        if (missing && !functions.hasField(name))
            throw *missing;
        const QList<common::FieldValue> names = functions.column(name);
        m_api = std::make_unique<ApiReference>(m_data1->sharedRecordset(), m_data2->sharedRecordset());
        // All rows in one insertion: an item created with the list as its parent makes the list
        // search all its items first, which turns a large table into minutes. Entry i is the
        // recordset's row i, whose bookmark the recordset keeps.
        QStringList entries;
        entries.reserve(names.size());
        for (const common::FieldValue &entry : names)
            entries.append(entry.value_or(QString()));
        m_dbList1->addItems(entries);
        if (missing)
            m_services.messenger.showError(*missing);
    } catch (const common::Error &error) {
        m_api.reset();
        m_dbList1->clear();
        m_data1->close();
        m_data2->close();
        m_services.messenger.showError(error);
    }
    try {
        m_data3->refresh(common::Database::Access::ReadOnly);
        warnIfIncomplete(*m_data3->database());
        if (!m_data3->recordset()->hasField(QStringLiteral("shiliname")))
            throw common::Error::fieldNotFound(m_data3->databaseName(), QStringLiteral("wen"), QStringLiteral("shiliname"));
    } catch (const common::Error &error) {
        m_data3->close();
        m_services.messenger.showError(error);
    }
}

void Form1::readRecordSourcesAhead() const
{
    // The files Form_Load points the data controls at; Data2 reads the same file as Data1.
    common::JetBackend::prefetch(m_folder.path(u"\\api.mdb"));
    common::JetBackend::prefetch(m_folder.path(u"\\shili.mdb"));
}

void Form1::warnIfIncomplete(const common::Database &db)
{
    if (db.mayBeIncomplete())
        m_services.messenger.showMessage(windowTitle(), common::incompleteDataWarning(db.path()));
}

void Form1::clearTree()
{
    m_treeView1->clear();
    m_nodeCount = 0;
}

QTreeWidgetItem *Form1::makeNode(const QString &text, const QString &tag, const QString &image)
{
    // Made whole before it joins a tree, a node costs the view nothing until it is added.
    return new TreeNode(text, ++m_nodeCount, tag, TreeImages::image(image));
}

int Form1::nodeIndex(const QTreeWidgetItem *node)
{
    return node ? node->data(0, kIndexRole).toInt() : 0;
}

void Form1::buildKnowledgeTree()
{
    QList<KnowledgeSection> sections = readKnowledgeTitles(*m_db);
    const int firstNode = m_nodeCount + 1;
    QList<QTreeWidgetItem *> sectionNodes;
    sectionNodes.reserve(sections.size());
    // Nodes are numbered in creation order: each section, then its entries. A whole section
    // joins the tree at once, and all sections in one insertion.
    for (const KnowledgeSection &section : sections) {
        QTreeWidgetItem *sectionNode = makeNode(section.title, kSectionTag, QStringLiteral("closed"));
        QList<QTreeWidgetItem *> entryNodes;
        entryNodes.reserve(section.entries.size());
        for (const KnowledgeEntry &entry : section.entries)
            entryNodes.append(makeNode(entry.title, kEntryTag, QStringLiteral("leaf")));
        sectionNode->addChildren(entryNodes);
        sectionNodes.append(sectionNode);
    }
    m_treeView1->addTopLevelItems(sectionNodes);
    m_pending = std::make_unique<DescriptionReader>(*m_db, std::move(sections));
    m_pendingFirstNode = firstNode;
}

void Form1::loadDescriptions()
{
    readDescriptionsFor(std::numeric_limits<qint64>::max());
}

void Form1::loadDescriptionsInSlices(std::function<void()> done, int sliceMs)
{
    // Each part in a turn of the event loop of its own, the first one too, so that whatever ran
    // before (the record sources opened after the paint) and the part are not one long wait.
    QTimer::singleShot(0, this, [this, done = std::move(done), sliceMs]() mutable {
        // A node click or a new tree may have read them all meanwhile.
        if (!readDescriptionsFor(sliceMs))
            loadDescriptionsInSlices(std::move(done), sliceMs);
        else if (done)
            done();
    });
}

bool Form1::readDescriptionsFor(qint64 budgetMs)
{
    if (!m_pending || !m_pending->readFor(budgetMs))
        return !m_pending;
    // The nodes were numbered section by section, each section's entries right after it.
    const std::unique_ptr<DescriptionReader> read = std::exchange(m_pending, nullptr);
    int node = m_pendingFirstNode;
    for (const KnowledgeSection &section : read->sections()) {
        for (const KnowledgeEntry &entry : section.entries)
            m_desc.set(++node, entry.description);
        ++node;
    }
    return true;
}

void Form1::addCategoryNodes(CatalogueKind kind)
{
    QList<QTreeWidgetItem *> nodes;
    for (const QString &name : Catalogue::categoryNames(kind))
        nodes.append(makeNode(name, QString(), QStringLiteral("shili")));
    m_treeView1->addTopLevelItems(nodes);
}

void Form1::fillList(QTreeWidget *list, const QStringList &entries)
{
    list->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(entries.size());
    for (const QString &entry : entries)
        items.append(new QTreeWidgetItem(QStringList{entry}));
    list->addTopLevelItems(items);
    list->scrollToTop();
}

void Form1::exit_Click()
{
    QCoreApplication::exit(0);
}

void Form1::all_Click()
{
    for (QPlainTextEdit *box : {m_text1, m_text2}) {
        if (box->isHidden())
            continue;
        box->setFocus();
        box->selectAll();
    }
}

void Form1::copy_Click()
{
    QGuiApplication::clipboard()->setText(m_text1->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    m_paste->setEnabled(true);
}

void Form1::cut_Click()
{
    QTextCursor cursor = m_text1->textCursor();
    QGuiApplication::clipboard()->setText(cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    cursor.removeSelectedText();
    m_text1->setTextCursor(cursor);
}

void Form1::paste_Click()
{
    QTextCursor cursor = m_text1->textCursor();
    cursor.insertText(QGuiApplication::clipboard()->text());
    m_text1->setTextCursor(cursor);
}

void Form1::basic_Click()
{
    clearTree();
    m_listView2->hide();
    Form_Load();
}

void Form1::example_Click()
{
    clearTree();
    m_listView2->hide();
    m_listView1->show();
    m_text1->hide();
    m_text2->hide();
    m_dbList1->hide();
    addCategoryNodes(CatalogueKind::Example);
}

void Form1::technical_Click()
{
    m_text1->hide();
    m_text2->hide();
    m_dbList1->hide();
    m_treeView1->hide();
    m_treeView1->show();
    clearTree();
    m_listView1->hide();
    m_listView2->show();
    addCategoryNodes(CatalogueKind::Technique);
}

void Form1::api_Click()
{
    clearTree();
    m_listView1->hide();
    m_listView2->hide();
    m_text1->clear();
    m_text2->show();
    m_dbList1->show();
    // The keyboard follows to the panes in front.
    if (m_text1->hasFocus())
        m_text2->setFocus();
    if (m_treeView1->hasFocus())
        m_dbList1->setFocus();
}

void Form1::exam_Click()
{
    // Starting the exam program is best effort: a failure changes nothing and says nothing.
    m_services.starter.start(m_folder.path(u"\\Quorvi"));
}

void Form1::about_Click()
{
    setEnabled(false);
    m_about = new FrmAbout(m_services.registry, m_services.starter, m_services.messenger,
                           m_services.fileExists, [this] { setEnabled(true); });
    m_about->show();
}

void Form1::runCommand(Command command)
{
    switch (command) {
    case Command::Knowledge: basic_Click(); break;
    case Command::Example: example_Click(); break;
    case Command::Api: api_Click(); break;
    case Command::Technique: technical_Click(); break;
    case Command::Exam: exam_Click(); break;
    }
}

void Form1::Toolbar1_ButtonClick(int index)
{
    if (const auto command = commandForToolbarIndex(index))
        runCommand(*command);
}

void Form1::TreeView1_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    loadDescriptions();
    common::setBoxText(m_text1, m_desc.at(nodeIndex(node)));

    const auto category = Catalogue::findCategory(node->text(0));
    if (!category)
        return;
    if (category->kind == CatalogueKind::Example) {
        fillList(m_listView1, Catalogue::exampleEntries(category->folder));
    } else {
        m_listView2->clear();
        if (common::Recordset *wen = m_data3->recordset())
            fillList(m_listView2, Catalogue::techniqueEntries(*wen, category->folder));
    }
}

void Form1::TreeView1_Expand(QTreeWidgetItem *node)
{
    if (node->data(0, kTagRole).toString() == kSectionTag || nodeIndex(node) == 1)
        node->setIcon(0, TreeImages::image(QStringLiteral("open")));
}

void Form1::TreeView1_Collapse(QTreeWidgetItem *node)
{
    if (node->data(0, kTagRole).toString() == kSectionTag || nodeIndex(node) == 1)
        node->setIcon(0, TreeImages::image(QStringLiteral("closed")));
}

void Form1::ListView1_ItemClick(QTreeWidgetItem *item)
{
    if (!item)
        return;
    if (const auto location = Catalogue::resolve(CatalogueKind::Example, item->text(0)))
        ShowArticle(*location, item->text(0));
}

void Form1::ListView2_ItemClick(QTreeWidgetItem *item)
{
    if (!item)
        return;
    if (const auto location = Catalogue::resolve(CatalogueKind::Technique, item->text(0)))
        ShowArticle(*location, item->text(0));
}

void Form1::ShowArticle(const ArticleLocation &location, const QString &title)
{
    if (!m_form3) {
        m_form3 = new Form3();
        placeReadingWindow();
    }
    m_form3->show();
    std::unique_ptr<ArticleFile> file;
    try {
        file = std::make_unique<ArticleFile>(m_folder.path(location.suffix()));
    } catch (const common::Error &error) {
        // The window keeps what it showed; the user is told which file is missing.
        m_services.messenger.showError(error);
        return;
    }
    m_form3->setWindowTitle(title);
    m_form3->loadArticle(std::move(file), [this](const common::Error &error) { m_services.messenger.showError(error); });
}

void Form1::openSearch()
{
    QString selected;
    for (QPlainTextEdit *box : {m_text1, m_text2}) {
        if (!box->isHidden() && box->textCursor().hasSelection() && (selected.isEmpty() || box->hasFocus()))
            selected = box->textCursor().selectedText().replace(QChar::ParagraphSeparator, u' ').simplified();
    }
    if (!m_search) {
        m_search = new SearchWindow(m_folder, this);
        connect(m_search, &SearchWindow::openRequested, this, &Form1::showSearchResult);
        // Beside the main window like the reading window, but on the other side and low, so that
        // the reading window, which stays on top, covers as little of it as it can.
        common::placeByFrame(m_search, [this](const QRect &frame, const QRect &available) {
            const QRect lists(m_listView1->mapToGlobal(QPoint(0, 0)), m_listView1->size());
            const QSize reader = m_form3 ? m_form3->frameGeometry().size() : frame.size();
            const QPoint readerAt = m_form3 ? m_form3->frameGeometry().topLeft()
                                            : readerPosition(available, frameGeometry(), reader, lists);
            const bool readerLeft = readerAt.x() + reader.width() / 2 < frameGeometry().center().x();
            const int x = readerLeft ? std::min(frameGeometry().right() + 1, available.right() + 1 - frame.width())
                                     : std::max(frameGeometry().left() - frame.width(), available.left());
            return common::keptOnArea(available, QRect(QPoint(x, available.bottom() + 1 - frame.height()), frame.size()));
        });
    }
    if (!selected.isEmpty())
        m_search->setQuery(selected);
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
    m_search->focusQuery();
}

namespace {

// Selects the first match of the query in a text pane and scrolls it into view.
void selectFirstMatch(QPlainTextEdit *box, const SearchQuery &query)
{
    const TextMatch match = firstMatch(foldText(box->toPlainText()), query);
    if (match.position < 0)
        return;
    QTextCursor cursor(box->document());
    cursor.setPosition(int(match.position));
    cursor.setPosition(int(match.position + match.length), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

} // namespace

void Form1::showSearchResult(const SearchEntry &entry, const SearchQuery &query)
{
    switch (entry.kind) {
    case SearchKind::Knowledge: showKnowledgeEntry(entry, query); break;
    case SearchKind::Example:
    case SearchKind::Technique: showArticleEntry(entry, query); break;
    case SearchKind::Api: showApiEntry(entry, query); break;
    }
}

void Form1::showKnowledgeEntry(const SearchEntry &entry, const SearchQuery &query)
{
    // The knowledge tree is shown when no other mode's pane is.
    if (m_text1->isHidden() || !m_text2->isHidden() || !m_dbList1->isHidden() || !m_listView1->isHidden()
        || !m_listView2->isHidden())
        runCommand(Command::Knowledge);
    QTreeWidgetItem *section = m_treeView1->topLevelItem(entry.section);
    QTreeWidgetItem *node = section ? section->child(entry.item) : nullptr;
    if (!node || node->text(0) != entry.title)
        return; // the file changed since it was searched
    section->setExpanded(true);
    m_treeView1->setCurrentItem(node);
    m_treeView1->scrollToItem(node);
    TreeView1_NodeClick(node);
    selectFirstMatch(m_text1, query);
}

void Form1::showArticleEntry(const SearchEntry &entry, const SearchQuery &query)
{
    const bool example = entry.kind == SearchKind::Example;
    QTreeWidget *list = example ? m_listView1 : m_listView2;
    if (list->isHidden())
        runCommand(example ? Command::Example : Command::Technique);
    if (QTreeWidgetItem *category = m_treeView1->topLevelItem(entry.section - 1)) {
        m_treeView1->setCurrentItem(category);
        TreeView1_NodeClick(category);
    }
    const QList<QTreeWidgetItem *> titles = list->findItems(entry.title, Qt::MatchExactly);
    if (!titles.isEmpty()) {
        list->setCurrentItem(titles.first());
        list->scrollToItem(titles.first());
    }
    ShowArticle(entry.location, entry.title);
    if (m_form3)
        m_form3->showFind(query.text);
}

void Form1::showApiEntry(const SearchEntry &entry, const SearchQuery &query)
{
    if (m_dbList1->isHidden())
        runCommand(Command::Api);
    if (entry.item >= m_dbList1->count() || m_dbList1->item(entry.item)->text() != entry.title)
        return;
    m_dbList1->setCurrentRow(entry.item);
    m_dbList1->scrollToItem(m_dbList1->currentItem());
    DBList1_Click();
    selectFirstMatch(m_text2, query);
}

void Form1::DBList1_Click()
{
    if (!m_api)
        return;
    std::optional<qint64> bookmark;
    if (const QListWidgetItem *item = m_dbList1->currentItem(); item && item->isSelected())
        bookmark = m_data1->recordset()->bookmarks().value(m_dbList1->row(item));
    const ApiFunctionText text = m_api->select(bookmark);
    common::setBoxText(m_text3, text.description);
    common::setBoxText(m_text4, text.returnValue);
    common::setBoxText(m_text5, text.notes);
    if (const auto details = composeApiDetails(m_api->pairedDeclaration(), text))
        common::setBoxText(m_text2, *details);
}

} // namespace tamsel
