#include "application.h"
#include "codec936.h"
#include "error.h"
#include "fixtures.h"
#include "browser/main/form1.h"
#include "browser/main/program.h"
#include "findbar.h"
#include "imagelists.h"
#include "messenger.h"
#include "processstarter.h"
#include "registry.h"
#include "../common/widgetlayout.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::StringLiterals;
using tamsel::Catalogue;
using tamsel::CatalogueKind;
using tamsel::Form1;

// The window tests check the wiring: that the window shows what the logic gives, and what only
// the window does. The logic itself is tested in test_knowledge, test_catalogue, test_api.

namespace {

class RecordingMessenger : public common::Messenger
{
public:
    void showError(const common::Error &error) override { errors.append({error.number(), error.text()}); }
    void showMessage(const QString &caption, const QString &text) override { messages.append({caption, text}); }

    QList<std::pair<int, QString>> errors;
    QList<std::pair<QString, QString>> messages;
};

class FakeStarter : public common::ProcessStarter
{
public:
    bool start(const QString &program) override { return started.append(program), accepts; }

    QStringList started;
    bool accepts = true;
};

// The knowledge tables: 108 nodes, more than the description table starts with. Names of four
// characters or fewer are their own section titles.
QList<fixtures::Table> knowledgeTables()
{
    const QStringList fields{u"目录"_s, u"内容"_s};
    QList<QStringList> many;
    for (int i = 1; i <= 100; ++i)
        many.append({u"条目%1"_s.arg(i), u"第%1条的说明。"_s.arg(i)});
    return {{u"知识入门"_s, fields,
             {{u"变量"_s, u"变量用来保存数据。\r\n先声明，后使用。"_s}, {u"常量"_s, u"常量的值不能改变。"_s},
              {u"数组"_s, u"数组是同类数据的集合。"_s}}},
            {u"运算符"_s, fields, {{u"算术运算符"_s, u"加减乘除。"_s}, {u"比较运算符"_s, u"比较两个值。"_s}}},
            {u"条目表"_s, fields, many}};
}

// The tree as "index title: text a click shows", one line a node. A click shows the description
// of the knowledge node with the same index in every mode, so `categories` replace the titles only.
QStringList expectedTree(const QStringList &categories = {})
{
    QStringList titles, texts, lines;
    for (const fixtures::Table &table : knowledgeTables()) {
        titles.append(table.name);
        texts.append(QString());
        for (const QStringList &entry : table.rows) {
            titles.append(entry[0]);
            texts.append(QString(entry[1]).replace(u"\r\n"_s, u"\n"_s));
        }
    }
    if (!categories.isEmpty())
        titles = categories;
    for (int i = 0; i < titles.size(); ++i)
        lines.append(u"%1 %2: %3"_s.arg(i + 1).arg(titles[i], texts[i]));
    return lines;
}

// Record n of table "wen": distinguishable texts, two technique titles and an example title.
QString wenText(int n)
{
    const QHash<int, QString> special{{1, u"Cool 3D 浮動按鈕的模擬作法"_s}, {3, u"历史记录"_s}, {92, u"SMTP协议简介"_s}};
    return special.value(n, u"记录%1"_s.arg(n));
}

QList<fixtures::Table> apiTables()
{
    const QString none;
    return {{u"winfun"_s,
             {u"函数"_s, u"说明"_s, u"返回值"_s, u"其它"_s},
             {{u"GetTickCount"_s, u"取得系统启动以来的毫秒数。\r\n精度约为十毫秒。"_s, u"毫秒数"_s, u"约四十九天后回到零。"_s},
              {u"Sleep"_s, none, none, none},
              {u"NoDeclaration"_s, u"没有声明"_s, u"无"_s, u"无"_s}}},
            {u"funclass"_s,
             {u"fullname"_s},
             {{u"Declare Function GetTickCount Lib \"kernel32\" () As Long"_s},
              {u"Declare Sub Sleep Lib \"kernel32\" (ByVal dwMilliseconds As Long)"_s},
              {none}}}};
}

QString apiText(int row)
{
    if (row == 0)
        return u"【VB声明】\n\nDeclare Function GetTickCount Lib \"kernel32\" () As Long\n\n【说明】\n"
               u"取得系统启动以来的毫秒数。\n精度约为十毫秒。\n\n【返回值】\n毫秒数\n约四十九天后回到零。"_s;
    return u"【VB声明】\n\nDeclare Sub Sleep Lib \"kernel32\" (ByVal dwMilliseconds As Long)\n\n【说明】\n\n\n【返回值】\n\n"_s;
}

QList<fixtures::Table> shiliTables()
{
    fixtures::Table wen{u"wen"_s, {u"shiliname"_s}, {}};
    for (int n = 1; n <= 118; ++n)
        wen.rows.append({wenText(n)});
    return {wen};
}

const QStringList kArticles{u"article/1/data1.txt"_s, u"article/1/data9.txt"_s, u"article/1/data16.txt"_s,
                            u"article/8/data6.txt"_s, u"technique/1/data1.txt"_s, u"technique/5/data1.txt"_s};

// What the reading window shows of an article file written by init().
QString articleShown(const QString &title, const QString &file)
{
    return title + u": "_s + file + u"\n正文的第二行\n"_s;
}

} // namespace

// Calls `seen` on the first paint of the object it watches.
class FirstPaintWatcher : public QObject
{
public:
    explicit FirstPaintWatcher(std::function<void()> seen)
        : m_seen(std::move(seen))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_seen)
            std::exchange(m_seen, nullptr)();
        return false;
    }

private:
    std::function<void()> m_seen;
};

class Form1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup()
    {
        m_form.reset();
        delete m_reader;
    }
    void layout_data();
    void layout();
    void realSignals();
    void showsBeforeReading_data();
    void showsBeforeReading();
    void folderPictures();
    void toolbarPictures_data();
    void toolbarPictures();
    void modePanes_data();
    void modePanes();
    void editCommands_data();
    void editCommands();
    void titleList_data();
    void titleList();
    void readingWindowLifecycle();
    void brokenRecordSource_data();
    void brokenRecordSource();
    void apiDetails();
    void aboutBox_data();
    void aboutBox();
    void keyboard_data();
    void keyboard();
    void refilledListStartsAtTop();
    void focusTabAndEscape();
    void qtTextsInChinese();
    void screenReaderNames_data();
    void screenReaderNames();
    void framesAndStacking();
    void searchAndGo_data();
    void searchAndGo();
    void searchKeysAndHistory();
    void findBar_data();
    void findBar();
    void findWhileLoading_data();
    void findWhileLoading();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }
    void load();
    template <class T> T *widget(const QString &name) const { return m_form->findChild<T *>(name); }
    QPlainTextEdit *box(const QString &name) const { return widget<QPlainTextEdit>(name); }
    QTreeWidget *tree() const { return widget<QTreeWidget>(u"TreeView1"_s); }
    QAction *action(const QString &name) const { return widget<QAction>(name); }
    void run(const QString &command, bool toolbar = false) const;
    QToolButton *toolbarButton(int index) const;
    void clickNode(const QString &text) const { m_form->TreeView1_NodeClick(tree()->findItems(text, {}).value(0)); }
    QString hiddenPanes() const;
    QStringList clickEach() const;
    QString reader() const;
    // Ctrl+F in the main window, then the text typed into the query box instead of what it held;
    // waits for the results.
    tamsel::SearchWindow *search(const QString &typed) const;
    tamsel::Form3 *readArticle(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingMessenger m_messenger;
    FakeStarter m_starter;
    tamsel::MemoryRegistry m_registry; // empty: no system-information program
    std::unique_ptr<Form1> m_form;
    QPointer<tamsel::Form3> m_reader; // a reading window of its own, deleted when it closes
};

void Form1Test::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(fixtures::writeDatabase(folder() + u"/vb.MDB"_s, knowledgeTables()));
    QVERIFY(fixtures::writeDatabase(folder() + u"/api.mdb"_s, apiTables()));
    QVERIFY(fixtures::writeDatabase(folder() + u"/shili.mdb"_s, shiliTables()));
    for (const QString &file : kArticles)
        QVERIFY(fixtures::writeFile(folder() + u'/' + file, common::encode936(file + u"\r\n正文的第二行"_s)));
    m_messenger = {};
    m_starter = {};
}

// As the program starts: load, show, then open the record sources.
void Form1Test::load()
{
    m_form = std::make_unique<Form1>(common::ProgramFolder(folder()),
                                     tamsel::Form1Services{m_messenger, m_starter, m_registry,
                                                           [](const QString &path) { return QFileInfo(path).isFile(); }});
    m_form->Form_Load();
    m_form->show();
    m_form->openRecordSources();
}

// A mode command from its menu item or its toolbar button; an empty command does nothing.
void Form1Test::run(const QString &command, bool toolbar) const
{
    const QStringList order{u"basic"_s, u"example"_s, u"api"_s, u"technical"_s, u"exam"_s};
    if (toolbar)
        QTest::mouseClick(toolbarButton(int(order.indexOf(command)) + 1), Qt::LeftButton);
    else if (!command.isEmpty())
        action(command)->trigger();
}

// The toolbar's button at this 1-based position.
QToolButton *Form1Test::toolbarButton(int index) const
{
    auto *bar = widget<QToolBar>(u"Toolbar1"_s);
    return qobject_cast<QToolButton *>(bar->widgetForAction(bar->actions().at(index - 1)));
}

QString Form1Test::hiddenPanes() const
{
    QStringList hidden;
    for (const QString &name : {u"TreeView1"_s, u"DBList1"_s, u"Text1"_s, u"Text2"_s, u"ListView1"_s, u"ListView2"_s}) {
        if (widget<QWidget>(name)->isHidden())
            hidden.append(name);
    }
    return hidden.join(u' ');
}

// Clicks every node of the tree in turn, as expectedTree() gives them.
QStringList Form1Test::clickEach() const
{
    QStringList lines;
    for (QTreeWidgetItemIterator it(tree()); *it; ++it) {
        m_form->TreeView1_NodeClick(*it);
        lines.append(u"%1 %2: %3"_s.arg(Form1::nodeIndex(*it)).arg((*it)->text(0), box(u"Text1"_s)->toPlainText()));
    }
    return lines;
}

// The reading window as "caption: text", or nothing when none is shown.
QString Form1Test::reader() const
{
    const tamsel::Form3 *form3 = m_form->readingWindow();
    return form3 && form3->isVisible() ? form3->windowTitle() + u": "_s + form3->textBox()->toPlainText() : QString();
}

namespace {

using widgetlayout::Row;

// Each window's controls; within one parent, earlier rows stand in front of later ones (menus,
// menu items and tool buttons: earlier rows come first). The state is the one after start-up.
QList<Row> form1Rows()
{
    const QRect pane(120, 240, 7695, 5775), small;
    return {
        {"Form1", "tamsel::Form1", "", {0, 0, 11295, 7995}, "shown", u"Tamsel"_s},
        {"StatusBar1", "QStatusBar", "Form1", {0, 7665, 11295, 330}, "shown",
         u"Visual Basic 学习与参考：知识、实例、技巧、API|单击左边的目录查看内容，用工具栏切换浏览方式|祝学习愉快"_s},
        {"Frame1", "QGroupBox", "Form1", {0, 1250, 11295, 6375}, "shown", QString()},
        {"DBList1", "QListWidget", "Frame1", {120, 240, 3015, 5940}, "hidden", QString()},
        {"Frame2", "QGroupBox", "Frame1", {3240, 120, 7935, 6135}, "shown", u"详细说明"_s},
        {"ListView2", "QTreeWidget", "Frame2", pane, "hidden", u"说明"_s},
        {"Text2", "QPlainTextEdit", "Frame2", pane, "hidden", QString()},
        {"Text1", "QPlainTextEdit", "Frame2", pane, "shown", QString()},
        {"ListView1", "QTreeWidget", "Frame2", pane, "hidden", u"相关文章"_s},
        {"TreeView1", "QTreeWidget", "Frame1", {120, 240, 3015, 5895}, "shown", QString()},
        {"CoolBar1", "QWidget", "Form1", {0, 0, 11295, 1260}, "shown", QString()},
        {"Toolbar1", "QToolBar", "CoolBar1", {120, 120, 10935, 1065}, "shown", QString()},
        {"Data3", "common::DataControl", "Toolbar1", small, "hidden", QString()},
        {"Text5", "QPlainTextEdit", "Toolbar1", small, "hidden", QString()},
        {"Text4", "QPlainTextEdit", "Toolbar1", small, "hidden", QString()},
        {"Text3", "QPlainTextEdit", "Toolbar1", small, "hidden", QString()},
        {"Data2", "common::DataControl", "Toolbar1", small, "hidden", QString()},
        {"Data1", "common::DataControl", "Toolbar1", small, "hidden", QString()},
        {"Toolbar1:basic", "QToolButton", "Toolbar1", small, "shown", u"VB基础 23"_s},
        {"Toolbar1:example", "QToolButton", "Toolbar1", small, "shown", u"VB实例 24"_s},
        {"Toolbar1:api", "QToolButton", "Toolbar1", small, "shown", u"API函数 26"_s},
        {"Toolbar1:technical", "QToolButton", "Toolbar1", small, "shown", u"VB技巧 28"_s},
        {"Toolbar1:exam", "QToolButton", "Toolbar1", small, "shown", u"考试中心 27"_s},
        {"file", "QMenu", "menubar", small, "enabled", u"文件"_s},
        {"exit", "QAction", "file", small, "enabled", u"关闭"_s},
        {"edit", "QMenu", "menubar", small, "enabled", u"编辑"_s},
        {"all", "QAction", "edit", small, "enabled", u"全选"_s},
        {"line", "QAction", "edit", small, "enabled separator", QString()},
        {"copy", "QAction", "edit", small, "enabled", u"复制"_s},
        {"cut", "QAction", "edit", small, "enabled", u"剪切"_s},
        {"paste", "QAction", "edit", small, "disabled", u"粘贴"_s},
        {"article", "QMenu", "menubar", small, "enabled", u"内容"_s},
        {"basic", "QAction", "article", small, "enabled", u"VB基础"_s},
        {"example", "QAction", "article", small, "enabled", u"VB实例"_s},
        {"api", "QAction", "article", small, "enabled", u"API函数"_s},
        {"technical", "QAction", "article", small, "enabled", u"VB技巧"_s},
        {"exam", "QAction", "article", small, "enabled", u"vbQuorvi"_s},
        {"help", "QMenu", "menubar", small, "enabled", u"帮助"_s},
        {"about", "QAction", "help", small, "enabled", u"关于"_s},
    };
}

QList<Row> aboutRows()
{
    return {
        {"frmAbout", "tamsel::FrmAbout", "", {0, 0, 5730, 3555}, "shown", u"关于 Tamsel"_s},
        {"picIcon", "QLabel", "frmAbout", {240, 240, 780, 780}, "shown", u"[picture]"_s},
        {"lblTitle", "QLabel", "frmAbout", {1050, 240, 3885, 480}, "shown", u"Tamsel"_s},
        {"lblVersion", "QLabel", "frmAbout", {1050, 780, 3885, 225}, "shown", u"版本 1.0.0"_s},
        {"lblDescription", "QLabel", "frmAbout", {1050, 1125, 3885, 1170}, "shown", u"联系方式：\nE-mail:\nOICQ:"_s},
        {"lblDisclaimer", "QLabel", "frmAbout", {255, 2625, 3630, 825}, "shown",
         u"    本人水平有限，如果对软件有什么意见可与我联系，希望大家提出保贵意见。"_s},
        {"cmdOK", "QPushButton", "frmAbout", {4125, 2625, 1500, 345}, "shown", u"确定"_s},
        {"cmdSysInfo", "QPushButton", "frmAbout", {4140, 3075, 1485, 345}, "shown", u"系统信息(&S)..."_s},
    };
}

QList<Row> form3Rows()
{
    return {
        {"Form3", "tamsel::Form3", "", {0, 0, 10350, 6750}, "shown", u"实现托盘程序的例子"_s},
        {"Text1", "QPlainTextEdit", "Form3", {120, 120, 10095, 6495}, "shown",
         articleShown(u"实现托盘程序的例子"_s, kArticles[0]).section(u": "_s, 1)},
        {"findBar", "tamsel::FindBar", "Form3", {}, "hidden", QString()},
    };
}

QList<Row> windowRows(const QString &window)
{
    return window == u"frmAbout" ? aboutRows() : window == u"Form3" ? form3Rows() : form1Rows();
}

} // namespace

void Form1Test::layout_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window : {"Form1", "frmAbout", "Form3"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

// Every row of the window's controls table, compared as one line per control so that a failure
// names the control.
void Form1Test::layout()
{
    QFETCH(QString, window);
    load();
    QWidget *shown = m_form.get();
    if (window == u"frmAbout") {
        action(u"about"_s)->trigger();
        shown = m_form->aboutBox();
    } else if (window == u"Form3") {
        run(u"example"_s);
        clickNode(u"窗体实例"_s);
        m_form->ListView1_ItemClick(widget<QTreeWidget>(u"ListView1"_s)->topLevelItem(8));
        shown = m_form->readingWindow();
    }
    const auto picture = [](const QIcon &icon) {
        const QImage shownImage = icon.pixmap(tamsel::ToolbarImages::kSize).toImage();
        for (int number = 1; number <= tamsel::ToolbarImages::kCount; ++number) {
            if (tamsel::ToolbarImages::image(number).toImage() == shownImage)
                return QString::number(number);
        }
        return u"?"_s;
    };
    const QList<Row> rows = windowRows(window);
    for (int row = 0; row < rows.size(); ++row) {
        const Row &expected = rows[row];
        const QString name = QString::fromLatin1(expected.name);
        QObject *control = widgetlayout::find(shown, name);
        QVERIFY2(control, expected.name);
        const auto line = [&name](const QString &className, const QString &parent, const QRect &geometry,
                                  const QString &state, const QString &text) {
            return u"%1: %2 in %3 at %4,%5 %6x%7, %8, \"%9\""_s.arg(name, className, parent)
                .arg(geometry.x()).arg(geometry.y()).arg(geometry.width()).arg(geometry.height())
                .arg(state, text);
        };
        const QRect &t = expected.twips;
        const QRect geometry = widgetlayout::geometry(control);
        QCOMPARE(line(QString::fromLatin1(control->metaObject()->className()), widgetlayout::parentName(control),
                      t.isEmpty() ? QRect() : geometry, widgetlayout::state(control), widgetlayout::text(control, picture)),
                 line(QString::fromLatin1(expected.className), QString::fromLatin1(expected.parent),
                      t.isEmpty() ? QRect() : common::twipsRect(t.x(), t.y(), t.width(), t.height()),
                      QString::fromLatin1(expected.state), expected.text));
        // In front of (or before) every later row of the same parent and kind; the About box and
        // the reading window have no controls that overlap.
        for (int later = row + 1; window == u"Form1" && *expected.parent && later < rows.size(); ++later) {
            if (qstrcmp(rows[later].parent, expected.parent) != 0)
                continue;
            QObject *other = widgetlayout::find(shown, QString::fromLatin1(rows[later].name));
            const auto mine = widgetlayout::position(control), theirs = widgetlayout::position(other);
            if (mine.first == theirs.first)
                QVERIFY2(mine.second < theirs.second, qPrintable(name + u" behind "_s + QString::fromLatin1(rows[later].name)));
        }
    }
}

// The handlers are reached through the real signals: a mouse click on a tree node, the edit
// menu's items, a toolbar button pressed with the mouse, a click on a title.
void Form1Test::realSignals()
{
    load();
    QTreeWidgetItem *section = tree()->topLevelItem(0);
    section->setExpanded(true);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(section->child(1)).center());
    QPlainTextEdit *text1 = box(u"Text1"_s);
    QCOMPARE(text1->toPlainText(), u"常量的值不能改变。"_s);

    action(u"all"_s)->trigger();
    action(u"copy"_s)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"常量的值不能改变。"_s);
    QVERIFY(action(u"paste"_s)->isEnabled());
    action(u"cut"_s)->trigger();
    QCOMPARE(text1->toPlainText(), QString());
    action(u"paste"_s)->trigger();
    action(u"paste"_s)->trigger();
    QCOMPARE(text1->toPlainText(), u"常量的值不能改变。常量的值不能改变。"_s);

    QTest::mouseClick(toolbarButton(2), Qt::LeftButton);
    QCOMPARE(hiddenPanes(), u"DBList1 Text1 Text2 ListView2"_s);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(tree()->topLevelItem(7)).center());
    QTreeWidget *titles = widget<QTreeWidget>(u"ListView1"_s);
    QCOMPARE(titles->topLevelItemCount(), 6);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, titles->visualItemRect(titles->topLevelItem(5)).center());
    QCOMPARE(reader(), articleShown(u"网络五子棋"_s, kArticles[3]));
}

void Form1Test::showsBeforeReading_data()
{
    QTest::addColumn<bool>("hiddenAtOnce");
    QTest::newRow("painted") << false;
    QTest::newRow("never painted") << true;
}

// The window is painted before the API list is filled; a window that is never painted gets its
// record sources and descriptions all the same.
void Form1Test::showsBeforeReading()
{
    QFETCH(bool, hiddenAtOnce);
    m_form = std::make_unique<Form1>(common::ProgramFolder(folder()),
                                     tamsel::Form1Services{m_messenger, m_starter, m_registry,
                                                           [](const QString &path) { return QFileInfo(path).isFile(); }});
    m_form->Form_Load();
    auto *functions = widget<QListWidget>(u"DBList1"_s);
    int listedAtPaint = -1;
    FirstPaintWatcher watcher([&] { listedAtPaint = int(functions->count()); });
    m_form->installEventFilter(&watcher);
    bool started = false;
    tamsel::showMainWindow(*m_form, [&](Form1 &) { started = true; });
    if (hiddenAtOnce)
        m_form->hide();
    QVERIFY(QTest::qWaitFor([&] { return started; }, 3000));
    m_form->removeEventFilter(&watcher);
    QCOMPARE(listedAtPaint, hiddenAtOnce ? -1 : 0);
    QVERIFY(functions->count() > 0);
    m_form->show();
    QTreeWidgetItem *section = tree()->topLevelItem(0);
    section->setExpanded(true);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(section->child(1)).center());
    QCOMPARE(box(u"Text1"_s)->toPlainText(), u"常量的值不能改变。"_s);
}

void Form1Test::folderPictures()
{
    load();
    // Pictures follow expand and collapse; the first node of any tree counts as a section.
    const auto shows = [](const QTreeWidgetItem *node, const char *key) {
        return node->icon(0).cacheKey() == tamsel::TreeImages::image(QString::fromLatin1(key)).cacheKey();
    };
    QTreeWidgetItem *section = tree()->topLevelItem(0);
    QVERIFY(shows(section, "closed") && shows(section->child(0), "leaf"));
    section->setExpanded(true);
    QVERIFY(shows(section, "open"));
    section->setExpanded(false);
    QVERIFY(shows(section, "closed"));
    run(u"example"_s);
    m_form->TreeView1_Expand(tree()->topLevelItem(0));
    m_form->TreeView1_Expand(tree()->topLevelItem(1));
    QVERIFY(shows(tree()->topLevelItem(0), "open") && shows(tree()->topLevelItem(1), "shili"));
}

void Form1Test::toolbarPictures_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QString>("mode"); // "normal", "active" or "disabled"
    QTest::newRow("ratio 1") << 1.0 << u"normal"_s;
    QTest::newRow("ratio 1, under the mouse") << 1.0 << u"active"_s;
    QTest::newRow("ratio 1, disabled") << 1.0 << u"disabled"_s;
    QTest::newRow("ratio 1.5") << 1.5 << u"normal"_s;
    QTest::newRow("ratio 2") << 2.0 << u"normal"_s;
}

// Each picture is drawn at the screen's pixel density, not scaled from another size, and a
// disabled button greys its picture as the style does.
void Form1Test::toolbarPictures()
{
    QFETCH(qreal, ratio);
    QFETCH(QString, mode);
    load();
    auto *toolbar = widget<QToolBar>(u"Toolbar1"_s);
    const QList<QAction *> buttons = toolbar->actions();
    // Each caption is drawn whole: its lowest line of text is as tall as on a button given all the
    // room it asks for.
    const auto captionHeight = [](QWidget *button) {
        const QImage drawn = button->grab().toImage();
        int last = -1;
        int first = -1;
        for (int y = drawn.height() - 1; y >= 0 && (last < 0 || first < 0); --y) {
            bool ink = false;
            for (int x = 0; x < drawn.width() && !ink; ++x)
                ink = qGray(drawn.pixel(x, y)) < 128;
            if (ink && last < 0)
                last = y;
            else if (!ink && last >= 0)
                first = y + 1;
        }
        return last - first + 1;
    };
    for (QAction *button : buttons) {
        QWidget *shown = toolbar->widgetForAction(button);
        QVERIFY(toolbar->rect().contains(shown->geometry()));
        const int inBar = captionHeight(shown);
        const QRect placed = shown->geometry();
        shown->resize(shown->sizeHint());
        const int roomy = captionHeight(shown);
        shown->setGeometry(placed);
        QVERIFY(roomy > 8);
        QVERIFY2(inBar == roomy, qPrintable(u"%1: %2 of %3"_s.arg(button->text()).arg(inBar).arg(roomy)));
    }
    const int images[] = {23, 24, 26, 28, 27};
    QCOMPARE(buttons.size(), qsizetype(std::size(images)));
    const QSize size(tamsel::ToolbarImages::kSize, tamsel::ToolbarImages::kSize);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QIcon::Mode iconMode = mode == u"disabled" ? QIcon::Disabled
                                     : mode == u"active" ? QIcon::Active
                                                         : QIcon::Normal;
        const QPixmap shown = buttons[i]->icon().pixmap(size, ratio, iconMode);
        QCOMPARE(shown.size(), size * ratio);
        QCOMPARE(shown.deviceIndependentSize(), QSizeF(size));
        if (ratio != 1.0)
            continue;
        QImage drawn = tamsel::ToolbarImages::image(images[i]).toImage();
        if (iconMode == QIcon::Disabled) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            drawn = QApplication::style()->generatedIconPixmap(iconMode, QPixmap::fromImage(drawn), &option).toImage();
        }
        QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32), drawn.convertToFormat(QImage::Format_ARGB32));
    }
    // The tree's pictures, drawn when first shown, each its own.
    QList<QImage> tree;
    for (const char *key : {"leaf", "closed", "shili", "open"}) {
        const QSize side(tamsel::TreeImages::kSize, tamsel::TreeImages::kSize);
        const QPixmap shown = tamsel::TreeImages::image(QString::fromLatin1(key)).pixmap(side, ratio);
        QCOMPARE(shown.size(), side * ratio);
        QVERIFY2(!tree.contains(shown.toImage()), key);
        tree.append(shown.toImage());
    }
}

void Form1Test::modePanes_data()
{
    QTest::addColumn<QString>("before"); // an earlier mode command, or none
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("toolbar");
    QTest::addColumn<QString>("hidden");
    const char *const rows[][4] = {
        {"knowledge", "", "basic", "DBList1 Text2 ListView1 ListView2"},
        {"example", "", "example", "DBList1 Text1 Text2 ListView2"},
        {"technique", "", "technical", "DBList1 Text1 Text2 ListView1"},
        {"api", "", "api", "ListView1 ListView2"},
        {"api after example", "example", "api", "Text1 ListView1 ListView2"},
        {"knowledge after technique", "technical", "basic", "DBList1 Text2 ListView1 ListView2"},
        {"example after api", "api", "example", "DBList1 Text1 Text2 ListView2"},
        {"technique after api", "api", "technical", "DBList1 Text1 Text2 ListView1"},
        {"exam", "", "exam", "DBList1 Text2 ListView1 ListView2"},
        {"exam after technique", "technical", "exam", "DBList1 Text1 Text2 ListView1"},
    };
    // From the start, each command also by its toolbar button: buttons 1 to 5 do what the items do.
    for (const auto &row : rows) {
        for (bool toolbar : {false, true}) {
            if (!toolbar || !*row[1])
                QTest::addRow("%s, %s", row[0], toolbar ? "toolbar" : "menu") << QString::fromLatin1(row[1])
                    << QString::fromLatin1(row[2]) << toolbar << QString::fromLatin1(row[3]);
        }
    }
}

void Form1Test::modePanes()
{
    // Each command from the state the program starts in or that of an earlier command. The exam
    // command starts Quorvi and changes nothing else, even when the start fails.
    QFETCH(QString, before);
    QFETCH(QString, command);
    QFETCH(bool, toolbar);
    QFETCH(QString, hidden);
    m_starter.accepts = false;
    load();
    run(before);
    box(u"Text1"_s)->setPlainText(u"用户输入"_s);
    run(command, toolbar);
    QCOMPARE(hiddenPanes(), hidden);
    const bool emptied = command == u"basic" || command == u"api";
    QCOMPARE(box(u"Text1"_s)->toPlainText(), emptied ? QString() : u"用户输入"_s);
    QCOMPARE(m_starter.started, command == u"exam" ? QStringList{folder() + u"/Quorvi"_s} : QStringList());
    QVERIFY(m_messenger.errors.isEmpty() && m_messenger.messages.isEmpty());
    // Knowledge mode builds the tree again with the same indices; category clicks show slots by design.
    const QString mode = command == u"exam" ? before : command;
    const auto kind = mode == u"example" ? CatalogueKind::Example : CatalogueKind::Technique;
    const QStringList categories = mode.isEmpty() || mode == u"basic" ? QStringList() : Catalogue::categoryNames(kind);
    QCOMPARE(clickEach(), mode == u"api" ? QStringList() : expectedTree(categories));
}

static void select(QPlainTextEdit *box, int start, int length)
{
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

void Form1Test::editCommands_data()
{
    QTest::addColumn<QStringList>("modes");
    QTest::addColumn<bool>("text1Selected"); // by select all
    QTest::addColumn<bool>("text2Selected");
    QTest::newRow("knowledge") << QStringList{} << true << false;
    QTest::newRow("api after knowledge") << QStringList{u"api"_s} << true << true;
    QTest::newRow("api after example") << QStringList{u"example"_s, u"api"_s} << false << true;
    QTest::newRow("example, Text1 hidden") << QStringList{u"example"_s} << false << false;
}

void Form1Test::editCommands()
{
    // Cut, copy and paste act on Text1 in every mode; only a copy enables pasting. Select all
    // selects each visible box, the focus ending in the last.
    QFETCH(QStringList, modes);
    QFETCH(bool, text1Selected);
    QFETCH(bool, text2Selected);
    load();
    for (const QString &mode : modes)
        run(mode);
    QClipboard *clipboard = QGuiApplication::clipboard();
    QPlainTextEdit *text1 = box(u"Text1"_s);
    QPlainTextEdit *text2 = box(u"Text2"_s);
    text1->setPlainText(u"第一行\n第二行"_s);
    text2->setPlainText(u"接口文本"_s);
    select(text2, 0, 2);
    select(text1, 2, 3);
    m_form->cut_Click();
    QCOMPARE(clipboard->text(), u"行\n第"_s); // a line break, not a paragraph separator
    QCOMPARE(text1->toPlainText(), u"第一二行"_s);
    QVERIFY(!action(u"paste"_s)->isEnabled());
    m_form->copy_Click(); // nothing selected
    QCOMPARE(clipboard->text(), QString());
    QVERIFY(action(u"paste"_s)->isEnabled());
    select(text1, 0, 2);
    m_form->paste_Click(); // an empty clipboard: the selection goes
    QCOMPARE(text1->toPlainText(), u"二行"_s);
    clipboard->setText(u"粘\n贴"_s);
    select(text1, 2, 0);
    m_form->paste_Click();
    QCOMPARE(text1->toPlainText(), u"二行粘\n贴"_s);
    select(text1, 1, 3);
    m_form->copy_Click();
    QCOMPARE(clipboard->text(), u"行粘\n"_s);
    QCOMPARE(text1->toPlainText() + text2->toPlainText(), u"二行粘\n贴接口文本"_s);

    select(text1, 0, 0);
    select(text2, 0, 0);
    m_form->all_Click();
    QCOMPARE(text1->textCursor().selection().toPlainText(), text1Selected ? text1->toPlainText() : QString());
    QCOMPARE(text2->textCursor().selection().toPlainText(), text2Selected ? text2->toPlainText() : QString());
    if (text1Selected || text2Selected)
        QCOMPARE(m_form->focusWidget(), text2Selected ? text2 : text1);
}

void Form1Test::titleList_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file"); // empty: nothing opens

    const QString forms = u"窗体实例"_s, formTips = u"窗体技巧"_s;
    QTest::newRow("repeated entry 9") << forms << 17 << 8 << u"实现托盘程序的例子"_s << kArticles[0];
    QTest::newRow("entry 10") << forms << 17 << 9 << u"历史记录"_s << kArticles[1];
    QTest::newRow("entry 17") << forms << 17 << 16 << u"建立透明的窗口"_s << kArticles[2];
    QTest::newRow("网络五子棋") << u"游戏实例"_s << 6 << 5 << u"网络五子棋"_s << kArticles[3];
    QTest::newRow("technique folder 1") << formTips << 25 << 0 << wenText(1) << kArticles[4];
    QTest::newRow("technique folder 5") << u"网络技巧"_s << 27 << 0 << wenText(92) << kArticles[5];
    QTest::newRow("record text that is no title") << formTips << 25 << 1 << wenText(2) << QString();
    QTest::newRow("example title in technique list") << formTips << 25 << 2 << wenText(3) << QString();
}

void Form1Test::titleList()
{
    QFETCH(QString, category);
    QFETCH(int, count);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, file);
    const bool example = Catalogue::findCategory(category)->kind == CatalogueKind::Example;
    const QString mode = example ? u"example"_s : u"technical"_s;
    load();
    run(mode);
    QTreeWidget *list = widget<QTreeWidget>(example ? u"ListView1"_s : u"ListView2"_s);
    m_form->TreeView1_NodeClick(tree()->topLevelItem(tree()->topLevelItemCount() - 1));
    clickNode(category); // twice: one set of entries, counted from the first record
    clickNode(category);
    QCOMPARE(list->topLevelItemCount(), count);
    QCOMPARE(widget<QTreeWidget>(example ? u"ListView2"_s : u"ListView1"_s)->topLevelItemCount(), 0);
    QCOMPARE(list->topLevelItem(row)->text(0), title);
    list->scrollToItem(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
    QCOMPARE(reader(), file.isEmpty() ? QString() : articleShown(title, file));
    QVERIFY(m_messenger.errors.isEmpty());

    run(example ? u"technical"_s : u"example"_s); // a list keeps its entries across mode switches
    run(mode);
    QCOMPARE(list->topLevelItemCount(), count);
    run(u"basic"_s); // knowledge mode empties the example list
    QCOMPARE(widget<QTreeWidget>(u"ListView1"_s)->topLevelItemCount(), 0);
}

void Form1Test::readingWindowLifecycle()
{
    load();
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    QTreeWidget *list = widget<QTreeWidget>(u"ListView1"_s);
    const auto open = [&](int row) { m_form->ListView1_ItemClick(list->topLevelItem(row)); };
    open(0);
    QPointer<tamsel::Form3> first = m_form->readingWindow();
    QVERIFY(first && first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    open(9); // the second article replaces the first in the same window
    QCOMPARE(m_form->readingWindow(), first.data());
    QCOMPARE(reader(), articleShown(u"历史记录"_s, kArticles[1]));

    first->close(); // deleted on close, created again by the next article
    QTRY_VERIFY(!first);
    QVERIFY(!m_form->readingWindow());
    open(0);
    QCOMPARE(reader(), articleShown(u"实现托盘程序的例子"_s, kArticles[0]));

    const QString missing = folder() + u'/' + kArticles[1];
    QVERIFY(QFile::remove(missing));
    open(9);
    QCOMPARE(m_messenger.errors.size(), 1);
    QCOMPARE(m_messenger.errors[0].first, int(common::FileNotFound));
    QVERIFY2(m_messenger.errors[0].second.contains(missing), qPrintable(m_messenger.errors[0].second));
    QCOMPARE(reader(), articleShown(u"实现托盘程序的例子"_s, kArticles[0]));
}

void Form1Test::brokenRecordSource_data()
{
    // A file removed, overwritten with random bytes, or a table or field renamed: one message
    // naming what is missing; then how many functions the list holds and what a click on the
    // first one leaves in Text2 (typed in before: "用户输入").
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("change"); // "remove", "garbage", or the name renamed
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<int>("functions");
    QTest::addColumn<QString>("details");
    const QString shili = u"shili.mdb"_s, api = u"api.mdb"_s, typed = u"用户输入"_s;
    const QString noDescription = QString(apiText(0)).replace(u"取得系统启动以来的毫秒数。\n精度约为十毫秒。"_s, QString());
    QTest::newRow("shili.mdb missing") << shili << u"remove"_s << 3024 << QStringList{shili} << 3 << apiText(0);
    QTest::newRow("shili.mdb not a database") << shili << u"garbage"_s << 3343 << QStringList{shili} << 3 << apiText(0);
    QTest::newRow("wen missing") << shili << u"wen"_s << 3078 << QStringList{shili, u"wen"_s} << 3 << apiText(0);
    QTest::newRow("shiliname missing") << shili << u"shiliname"_s << 3265
                                       << QStringList{shili, u"wen"_s, u"shiliname"_s} << 3 << apiText(0);
    QTest::newRow("api.mdb missing") << api << u"remove"_s << 3024 << QStringList{api} << 0 << typed;
    QTest::newRow("api.mdb not a database") << api << u"garbage"_s << 3343 << QStringList{api} << 0 << typed;
    QTest::newRow("winfun missing") << api << u"winfun"_s << 3078 << QStringList{api, u"winfun"_s} << 0 << typed;
    QTest::newRow("funclass missing") << api << u"funclass"_s << 3078 << QStringList{api, u"funclass"_s} << 0 << typed;
    QTest::newRow("函数 missing") << api << u"函数"_s << 3265 << QStringList{api, u"winfun"_s, u"函数"_s} << 0 << typed;
    // A missing text field skips only its own step of a click.
    QTest::newRow("说明 missing") << api << u"说明"_s << 3265 << QStringList{api, u"winfun"_s, u"说明"_s} << 3
                                << noDescription;
    QTest::newRow("fullname missing") << api << u"fullname"_s << 3265 << QStringList{api, u"funclass"_s, u"fullname"_s}
                                      << 3 << typed;
}

void Form1Test::brokenRecordSource()
{
    QFETCH(QString, file);
    QFETCH(QString, change);
    QFETCH(int, number);
    QFETCH(QStringList, named);
    QFETCH(int, functions);
    QFETCH(QString, details);
    const QString path = folder() + u'/' + file;
    const bool shiliBroken = file == u"shili.mdb";
    QList<fixtures::Table> tables = shiliBroken ? shiliTables() : apiTables();
    for (fixtures::Table &t : tables) {
        if (t.name == change)
            t.name = u"别的名字"_s;
        if (const qsizetype i = t.fields.indexOf(change); i >= 0)
            t.fields[i] = u"别的名字"_s;
    }
    if (change == u"remove")
        QVERIFY(QFile::remove(path));
    else if (change == u"garbage")
        QVERIFY(fixtures::writeFile(path, fixtures::randomBytes()));
    else
        QVERIFY(fixtures::writeDatabase(path, tables));

    load();
    QCOMPARE(m_messenger.errors.size(), 1);
    QCOMPARE(m_messenger.errors[0].first, number);
    for (const QString &name : named)
        QVERIFY2(m_messenger.errors[0].second.contains(name), qPrintable(m_messenger.errors[0].second));

    // The broken part stays silent; the other one works.
    run(u"api"_s);
    box(u"Text2"_s)->setPlainText(u"用户输入"_s);
    m_form->DBList1_Click();
    run(u"technical"_s);
    clickNode(u"窗体技巧"_s);
    QCOMPARE(widget<QListWidget>(u"DBList1"_s)->count(), functions);
    QCOMPARE(box(u"Text2"_s)->toPlainText(), details);
    QCOMPARE(widget<QTreeWidget>(u"ListView2"_s)->topLevelItemCount(), shiliBroken ? 0 : 25);
    QCOMPARE(m_messenger.errors.size(), 1);
}

void Form1Test::apiDetails()
{
    // DBList1 lists the functions; a click composes Text2, by mouse too, and with nothing selected
    // recomposes the current row. A function without declaration leaves Text2 as it was.
    load();
    run(u"api"_s);
    auto *functions = widget<QListWidget>(u"DBList1"_s);
    QPlainTextEdit *text2 = box(u"Text2"_s);
    QStringList names;
    for (int i = 0; i < functions->count(); ++i)
        names.append(functions->item(i)->text());
    QCOMPARE(names, (QStringList{u"GetTickCount"_s, u"Sleep"_s, u"NoDeclaration"_s}));
    const auto click = [&](int row) {
        row < 0 ? functions->clearSelection() : functions->setCurrentRow(row);
        m_form->DBList1_Click();
        return text2->toPlainText();
    };
    QCOMPARE(click(0), apiText(0));
    text2->setPlainText(u"用户输入"_s);
    QCOMPARE(click(2), u"用户输入"_s);
    const QPoint second = functions->visualItemRect(functions->item(1)).center();
    QTest::mouseClick(functions->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(text2->toPlainText(), apiText(1));
    text2->setPlainText(u"用户输入"_s);
    QCOMPARE(click(-1), apiText(1));
}

void Form1Test::aboutBox_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"ok", "escape", "enter", "close control"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void Form1Test::aboutBox()
{
    // Form1 is disabled while the box is open, whichever way it closes, at every opening. With no
    // system-information program the box says so and stays open.
    QFETCH(QString, how);
    load();
    for (int opening = 0; opening < 2; ++opening) {
        m_form->about_Click();
        QPointer<tamsel::FrmAbout> about = m_form->aboutBox();
        about->findChild<QPushButton *>(u"cmdSysInfo"_s)->click();
        QVERIFY(about && about->isVisible() && !m_form->isEnabled());
        if (how == u"ok")
            about->findChild<QPushButton *>(u"cmdOK"_s)->click();
        else if (how == u"close control")
            about->close();
        else
            QTest::keyClick(about, how == u"escape" ? Qt::Key_Escape : Qt::Key_Return);
        QTRY_VERIFY(!about);
        QVERIFY(m_form->isEnabled());
    }
    const std::pair<QString, QString> unavailable{u"Tamsel"_s, u"此时系统信息不可用"_s};
    QCOMPARE(m_messenger.messages, (QList{unavailable, unavailable}));
    QVERIFY(m_starter.started.isEmpty());
}

void Form1Test::keyboard_data()
{
    // Real key events on a control after a mode and a current entry; `probe` names what shows the
    // effect: a text box, the example list's first entry, or the reading window.
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("row"); // current entry before the key; -1: the first section, expanded
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tree: Down shows the entry's description")
        << u"basic"_s << u"TreeView1"_s << -1 << int(Qt::Key_Down) << u"Text1"_s << u"变量用来保存数据。\n先声明，后使用。"_s;
    QTest::newRow("tree: Down to a category fills its list")
        << u"example"_s << u"TreeView1"_s << 0 << int(Qt::Key_Down) << u"ListView1"_s << u"全屏的下雪场景制作"_s;
    QTest::newRow("tree: End, the last category")
        << u"example"_s << u"TreeView1"_s << 0 << int(Qt::Key_End) << u"ListView1"_s << u"沙滩排球"_s;
    QTest::newRow("API list: Down shows the details")
        << u"api"_s << u"DBList1"_s << 0 << int(Qt::Key_Down) << u"Text2"_s << apiText(1);
    QTest::newRow("title: Enter opens the article")
        << u"example"_s << u"ListView1"_s << 9 << int(Qt::Key_Return) << u"reader"_s << articleShown(u"历史记录"_s, kArticles[1]);
    QTest::newRow("title: Space opens the article")
        << u"technical"_s << u"ListView2"_s << 0 << int(Qt::Key_Space) << u"reader"_s << articleShown(wenText(1), kArticles[4]);
    QTest::newRow("title: Down only selects")
        << u"example"_s << u"ListView1"_s << 8 << int(Qt::Key_Down) << u"reader"_s << QString();
}

void Form1Test::keyboard()
{
    QFETCH(QString, mode);
    QFETCH(QString, control);
    QFETCH(int, row);
    QFETCH(int, key);
    QFETCH(QString, probe);
    QFETCH(QString, expected);
    load();
    run(mode);
    if (control.startsWith(u"ListView"))
        clickNode(control == u"ListView1" ? u"窗体实例"_s : u"窗体技巧"_s);
    QWidget *target = widget<QWidget>(control);
    if (auto *list = qobject_cast<QListWidget *>(target)) {
        list->setCurrentRow(row);
    } else {
        auto *view = qobject_cast<QTreeWidget *>(target);
        QTreeWidgetItem *item = view->topLevelItem(std::max(row, 0));
        item->setExpanded(row < 0);
        view->setCurrentItem(item);
    }
    QTest::keyClick(target, Qt::Key(key));
    if (probe == u"reader")
        QCOMPARE(reader(), expected);
    else if (probe == u"ListView1")
        QCOMPARE(widget<QTreeWidget>(probe)->topLevelItem(0)->text(0), expected);
    else
        QCOMPARE(box(probe)->toPlainText(), expected);
    QVERIFY(m_messenger.errors.isEmpty());
}

void Form1Test::refilledListStartsAtTop()
{
    // A long list scrolled to its end, then another category chosen from the keyboard.
    load();
    run(u"technical"_s);
    QTreeWidget *list = widget<QTreeWidget>(u"ListView2"_s);
    QTreeWidgetItem *network = tree()->topLevelItem(4);
    tree()->setCurrentItem(network);
    m_form->TreeView1_NodeClick(network);
    list->scrollToBottom();
    QVERIFY(list->verticalScrollBar()->value() > 0);
    QTest::keyClick(tree(), Qt::Key_Up);
    QCOMPARE(list->topLevelItemCount(), 21);
    QCOMPARE(list->verticalScrollBar()->value(), 0);
}

void Form1Test::focusTabAndEscape()
{
    // The window starts on the tree; Tab leaves a text box without typing; Tab passes over the
    // description hidden behind the API details; the article zooms; Esc closes the reading window only.
    load();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCOMPARE(QApplication::focusWidget(), tree());
    QPlainTextEdit *text1 = box(u"Text1"_s);
    text1->setFocus();
    QTest::keyClick(text1, Qt::Key_Tab);
    QCOMPARE(text1->toPlainText(), QString());
    QCOMPARE(QApplication::focusWidget(), widget<QWidget>(u"TreeView1"_s));
    run(u"api"_s);
    box(u"Text2"_s)->setFocus();
    QTest::keyClick(box(u"Text2"_s), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), widget<QWidget>(u"DBList1"_s));

    QTest::keyClick(m_form.get(), Qt::Key_Escape);
    QVERIFY(m_form->isVisible());
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    m_form->ListView1_ItemClick(widget<QTreeWidget>(u"ListView1"_s)->topLevelItem(0));
    QPointer<tamsel::Form3> form3 = m_form->readingWindow();
    // Ctrl+= and Ctrl+- change the text size a point at a time, Ctrl+0 restores it.
    QPlainTextEdit *article = form3->textBox();
    const qreal size = article->font().pointSizeF();
    for (auto [key, change] : {std::pair{Qt::Key_Equal, 1.0}, {Qt::Key_Minus, 0.0}, {Qt::Key_Minus, -1.0}, {Qt::Key_0, 0.0}}) {
        QTest::keyClick(article, key, Qt::ControlModifier);
        QCOMPARE(article->font().pointSizeF(), size + change);
    }
    QTest::keyClick(form3->textBox(), Qt::Key_Escape);
    QTRY_VERIFY(!form3);
    QVERIFY(m_form->isVisible());
}

void Form1Test::qtTextsInChinese()
{
    QMessageBox box(QMessageBox::Critical, u"Tamsel"_s, u"错误"_s, QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), u"确定"_s);
}

void Form1Test::screenReaderNames_data()
{
    // window / object name, role, name; "Text1@Form3" is the reading window's text box.
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("main window") << u"Form1"_s << int(QAccessible::Window) << u"Tamsel"_s;
    QTest::newRow("reading window") << u"Form3"_s << int(QAccessible::Window) << u"实现托盘程序的例子"_s;
    QTest::newRow("About box") << u"frmAbout"_s << int(QAccessible::Dialog) << u"关于 Tamsel"_s;
    QTest::newRow("tree") << u"TreeView1"_s << int(QAccessible::Tree) << u"目录树"_s;
    QTest::newRow("API list") << u"DBList1"_s << int(QAccessible::List) << u"API函数列表"_s;
    QTest::newRow("example list") << u"ListView1"_s << int(QAccessible::Tree) << u"实例文章列表"_s;
    QTest::newRow("technique list") << u"ListView2"_s << int(QAccessible::Tree) << u"技巧文章列表"_s;
    QTest::newRow("description") << u"Text1"_s << int(QAccessible::EditableText) << u"内容说明"_s;
    QTest::newRow("details") << u"Text2"_s << int(QAccessible::EditableText) << u"API函数详细说明"_s;
    QTest::newRow("article") << u"Text1@Form3"_s << int(QAccessible::EditableText) << u"文章正文"_s;
    QTest::newRow("find box") << u"findText@Form3"_s << int(QAccessible::EditableText) << u"查找内容"_s;
    QTest::newRow("find status") << u"findStatus@Form3"_s << int(QAccessible::StaticText) << u"查找结果"_s;
    QTest::newRow("About picture") << u"picIcon@frmAbout"_s << int(QAccessible::Graphic) << u"Tamsel 的图标"_s;
}

void Form1Test::screenReaderNames()
{
    QFETCH(QString, object);
    QFETCH(int, role);
    QFETCH(QString, name);
    load();
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    m_form->ListView1_ItemClick(widget<QTreeWidget>(u"ListView1"_s)->topLevelItem(0));
    m_form->about_Click();
    const QStringList parts = object.split(u'@');
    const QHash<QString, QWidget *> windows{{u"Form1"_s, m_form.get()},
                                            {u"Form3"_s, m_form->readingWindow()},
                                            {u"frmAbout"_s, m_form->aboutBox()}};
    QWidget *window = windows.value(parts.value(1, u"Form1"_s));
    QWidget *target = windows.contains(parts[0]) ? windows[parts[0]] : window->findChild<QWidget *>(parts[0]);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(target);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    // The hidden boxes behind the API details are invisible to a screen reader.
    for (const QString &hidden : {u"Text3"_s, u"Text4"_s, u"Text5"_s})
        QVERIFY(QAccessible::queryAccessibleInterface(widget<QWidget>(hidden))->state().invisible);
    m_form->aboutBox()->close();
}

void Form1Test::framesAndStacking()
{
    // Fixed dialog frames: no window asks for a minimise or maximise button.
    load();
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    m_form->ListView1_ItemClick(widget<QTreeWidget>(u"ListView1"_s)->topLevelItem(0));
    m_form->about_Click();
    for (QWidget *window : {static_cast<QWidget *>(m_form.get()), static_cast<QWidget *>(m_form->readingWindow()),
                            static_cast<QWidget *>(m_form->aboutBox())}) {
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY2(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)), qPrintable(window->objectName()));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    }
    m_form->aboutBox()->close();
    // The status bar and Frame1 are in front of the cool bar; the children list runs back to front.
    const QObjectList order = widget<QWidget>(u"CoolBar1"_s)->parentWidget()->children();
    const auto depth = [&](const QString &name) { return order.indexOf(widget<QWidget>(name)); };
    QVERIFY(depth(u"StatusBar1"_s) > depth(u"Frame1"_s));
    QVERIFY(depth(u"Frame1"_s) > depth(u"CoolBar1"_s));
    const QPoint frameTop = widget<QWidget>(u"Frame1"_s)->geometry().topLeft() + QPoint(10, 0);
    QCOMPARE(widget<QWidget>(u"CoolBar1"_s)->parentWidget()->childAt(frameTop), widget<QWidget>(u"Frame1"_s));
}

tamsel::SearchWindow *Form1Test::search(const QString &typed) const
{
    m_form->activateWindow();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        return nullptr;
    QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier);
    tamsel::SearchWindow *window = m_form->searchWindow();
    if (!window)
        return nullptr;
    auto *query = window->findChild<QComboBox *>(u"queryBox"_s)->lineEdit();
    if (!typed.isEmpty()) {
        query->selectAll();
        QTest::keyClick(query, Qt::Key_Delete);
    }
    for (const QChar c : typed) // Chinese too, as an input method delivers it
        QTest::sendKeyEvent(QTest::Click, query, Qt::Key_unknown, QString(c), Qt::NoModifier);
    auto *count = window->findChild<QLabel *>(u"countLine"_s);
    const bool shown = QTest::qWaitFor([&] {
        return !count->text().isEmpty() && !count->text().startsWith(u"正在"_s);
    }, 10000);
    return shown ? window : nullptr;
}

void Form1Test::searchAndGo_data()
{
    QTest::addColumn<QString>("mode");  // the mode command run first
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("count"); // the count line once the results are in
    QTest::addColumn<QString>("hidden");  // the panes hidden after Enter opened the first result
    QTest::addColumn<QString>("current"); // the current entry of the pane that shows it
    QTest::addColumn<QString>("selected"); // the text selected in the pane that shows it
    QTest::addColumn<QString>("reading");  // the reading window's caption

    const QString knowledge = u"DBList1 Text2 ListView1 ListView2"_s;
    const QString api = u"ListView1 ListView2"_s;
    QTest::newRow("description, from API mode") << u"api"_s << u"集合"_s
        << u"共找到 1 条：知识 1 条，实例 0 条，技巧 0 条，API 0 条"_s << knowledge << u"数组"_s << u"集合"_s << QString();
    QTest::newRow("two words in any order") << u"basic"_s << u"说明 第100条"_s
        << u"共找到 1 条：知识 1 条，实例 0 条，技巧 0 条，API 0 条"_s << knowledge << u"条目100"_s << u"第100条"_s << QString();
    QTest::newRow("API name without case") << u"example"_s << u"gettickcount"_s
        << u"共找到 1 条：知识 0 条，实例 0 条，技巧 0 条，API 1 条"_s << u"Text1 "_s + api << u"GetTickCount"_s << u"GetTickCount"_s << QString();
    QTest::newRow("full-width letters") << u"basic"_s << u"ＴＩＣＫ"_s
        << u"共找到 1 条：知识 0 条，实例 0 条，技巧 0 条，API 1 条"_s << api << u"GetTickCount"_s << u"Tick"_s << QString();
    QTest::newRow("example article text") << u"technical"_s << u"8/data6"_s
        << u"共找到 1 条：知识 0 条，实例 1 条，技巧 0 条，API 0 条"_s << u"DBList1 Text1 Text2 ListView2"_s
        << u"网络五子棋"_s << QString() << u"网络五子棋"_s;
    QTest::newRow("technique article text") << u"api"_s << u"\"technique/5/\""_s
        << u"共找到 1 条：知识 0 条，实例 0 条，技巧 1 条，API 0 条"_s << u"DBList1 Text1 Text2 ListView1"_s
        << u"SMTP协议简介"_s << QString() << u"SMTP协议简介"_s;
    QTest::newRow("nothing") << u"basic"_s << u"没有这段文字"_s << u"未找到"_s << knowledge << QString() << QString() << QString();
}

void Form1Test::searchAndGo()
{
    QFETCH(QString, mode);
    QFETCH(QString, typed);
    QFETCH(QString, count);
    QFETCH(QString, hidden);
    QFETCH(QString, current);
    QFETCH(QString, selected);
    QFETCH(QString, reading);
    load();
    run(mode);
    tamsel::SearchWindow *window = search(typed);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"查找"_s);
    QCOMPARE(window->findChild<QLabel *>(u"countLine"_s)->text(), count);
    QTest::keyClick(window->findChild<QComboBox *>(u"queryBox"_s)->lineEdit(), Qt::Key_Return);
    QCOMPARE(hiddenPanes(), hidden);
    QVERIFY(window->isVisible()); // the next result is one key away
    if (current.isEmpty())
        return;
    QString shownCurrent, shownSelected;
    if (!box(u"Text2"_s)->isHidden()) {
        shownCurrent = widget<QListWidget>(u"DBList1"_s)->currentItem()->text();
        shownSelected = box(u"Text2"_s)->textCursor().selectedText();
    } else if (!box(u"Text1"_s)->isHidden()) {
        shownCurrent = tree()->currentItem()->text(0);
        QVERIFY(tree()->currentItem()->parent()->isExpanded());
        shownSelected = box(u"Text1"_s)->textCursor().selectedText();
    } else {
        const auto *list = widget<QTreeWidget>(widget<QWidget>(u"ListView1"_s)->isHidden() ? u"ListView2"_s : u"ListView1"_s);
        shownCurrent = list->currentItem()->text(0);
    }
    QCOMPARE(shownCurrent, current);
    QCOMPARE(shownSelected, selected);
    QCOMPARE(m_form->readingWindow() ? m_form->readingWindow()->windowTitle() : QString(), reading);
}

void Form1Test::searchKeysAndHistory()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Tamsel"_s, u"Tamsel"_s).clear();
    load();
    m_form->TreeView1_NodeClick(tree()->findItems(u"数组"_s, Qt::MatchRecursive).value(0));
    select(box(u"Text1"_s), 8, 2);
    tamsel::SearchWindow *window = search(QString());
    QVERIFY(window);
    auto *query = window->findChild<QComboBox *>(u"queryBox"_s);
    QTRY_COMPARE(window->findChild<QLabel *>(u"countLine"_s)->text(), u"共找到 1 条：知识 1 条，实例 0 条，技巧 0 条，API 0 条"_s);
    QCOMPARE(query->currentText(), u"集合"_s); // the selection became the query
    // Files that cannot be read are named once in the window, not told one by one.
    auto *problems = window->findChild<QLabel *>(u"problemLine"_s);
    QVERIFY(problems->isVisible());
    QVERIFY2(problems->text().contains(u"data2.txt"_s) && problems->text().contains(u"另有 245 个文件"_s), qPrintable(problems->text()));
    QVERIFY(m_messenger.errors.isEmpty());

    // Down moves into the results, Enter there opens the current one.
    run(u"api"_s);
    QTest::keyClick(query->lineEdit(), Qt::Key_Down);
    auto *results = window->findChild<QTreeView *>(u"resultList"_s);
    QVERIFY(results->hasFocus() || !window->isActiveWindow());
    QTest::keyClick(results, Qt::Key_Return);
    QCOMPARE(tree()->currentItem()->text(0), u"数组"_s);

    // Remembered for the next run; the drop-down's last entry clears the history.
    m_form.reset();
    load();
    window = search(u"第100条"_s);
    query = window->findChild<QComboBox *>(u"queryBox"_s);
    QCOMPARE(query->count(), 2);
    QCOMPARE(query->itemText(0), u"集合"_s);
    QTest::keyClick(window->findChild<QTreeView *>(u"resultList"_s), Qt::Key_Return);
    QCOMPARE(query->itemText(0), u"第100条"_s);
    QCOMPARE(query->itemText(1), u"集合"_s);
    QTest::keyClick(query, Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(query->view()->isVisible());
    QTest::keyClick(query->view(), Qt::Key_End);
    QTest::keyClick(query->view(), Qt::Key_Return);
    QCOMPARE(query->count(), 0);
    QCOMPARE(query->currentText(), u"第100条"_s);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

// A reading window of its own, shown and active, reading these bytes as an article file.
tamsel::Form3 *Form1Test::readArticle(const QByteArray &bytes)
{
    const QString path = folder() + u"/article/find.txt"_s;
    if (!fixtures::writeFile(path, bytes))
        return nullptr;
    if (!m_reader) {
        m_reader = new tamsel::Form3();
        m_reader->show();
        m_reader->activateWindow();
        if (!QTest::qWaitForWindowActive(m_reader))
            return nullptr;
    }
    m_reader->loadArticle(std::make_unique<tamsel::ArticleFile>(path), [](const common::Error &error) {
        QFAIL(error.what());
    });
    return m_reader;
}

namespace {

// Presses each key as the user does, on the widget that has the focus: "^F" is Ctrl+F, "S-" adds
// Shift to a named key, and anything else is typed.
void pressKeys(const QStringList &keys)
{
    const QHash<QString, Qt::Key> named{{u"F3"_s, Qt::Key_F3}, {u"Enter"_s, Qt::Key_Return},
                                        {u"Esc"_s, Qt::Key_Escape}, {u"Tab"_s, Qt::Key_Tab}};
    for (const QString &key : keys) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus, qPrintable(key));
        const bool shift = key.startsWith(u"S-");
        if (key == u"^F") {
            QTest::keyClick(focus, Qt::Key_F, Qt::ControlModifier);
        } else if (named.contains(key.mid(shift ? 2 : 0))) {
            QTest::keyClick(focus, named[key.mid(shift ? 2 : 0)], shift ? Qt::ShiftModifier : Qt::NoModifier);
        } else {
            for (const QChar c : key)
                QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// The selection in the text box as "line:text", or nothing.
QString selected(const QPlainTextEdit *box)
{
    const QTextCursor cursor = box->textCursor();
    if (!cursor.hasSelection())
        return QString();
    return u"%1:%2"_s.arg(box->document()->findBlock(cursor.selectionStart()).blockNumber() + 1).arg(cursor.selectedText());
}

} // namespace

void Form1Test::findBar_data()
{
    // Keys pressed in the reading window (see pressKeys), then what the find bar says, its notice,
    // the selection, how many matches are marked, where the focus is, and the bar: "shown",
    // "hidden", or "closed" with the window.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<int>("marks");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("bar");
    const QString first = u"1:Sub"_s, second = u"2:ｓｕｂ"_s, third = u"3:Sub"_s;
    const auto row = [](const char *name, const QStringList &keys, const QString &status, const QString &notice,
                        const QString &selection, int marks, const QString &focus, const QString &bar) {
        QTest::newRow(name) << keys << status << notice << selection << marks << focus << bar;
    };
    row("typing finds every match", {u"^F"_s, u"sub"_s}, u"第 1 处，共 3 处"_s, QString(), first, 3, u"findText"_s, u"shown"_s);
    // Each key refines the search from the match found so far.
    row("words, case and full width", {u"^F"_s, u"END ｆｏｒｍ"_s}, u"第 2 处，共 2 处"_s, QString(), u"3:End"_s, 2,
        u"findText"_s, u"shown"_s);
    row("quotes keep a space", {u"^F"_s, u"\"sub 全\""_s}, u"第 1 处，共 1 处"_s, QString(), u"2:ｓｕｂ 全"_s, 1,
        u"findText"_s, u"shown"_s);
    row("F3 goes round to the start", {u"^F"_s, u"sub"_s, u"F3"_s, u"F3"_s, u"F3"_s}, u"第 1 处，共 3 处"_s,
        u"已回到开头"_s, first, 3, u"findText"_s, u"shown"_s);
    row("Shift+F3 goes round to the end", {u"^F"_s, u"sub"_s, u"S-F3"_s}, u"第 3 处，共 3 处"_s, u"已回到末尾"_s,
        third, 3, u"findText"_s, u"shown"_s);
    row("Enter and Shift+Enter in the box", {u"^F"_s, u"sub"_s, u"Enter"_s, u"Enter"_s, u"S-Enter"_s},
        u"第 2 处，共 3 处"_s, QString(), second, 3, u"findText"_s, u"shown"_s);
    row("F3 in the text", {u"^F"_s, u"sub"_s, u"S-Tab"_s, u"F3"_s}, u"第 2 处，共 3 处"_s, QString(), second, 3,
        u"Text1"_s, u"shown"_s);
    row("not found", {u"^F"_s, u"sub"_s, u"x"_s}, u"未找到"_s, QString(), first, 0, u"findText"_s, u"shown"_s);
    row("Esc closes the bar", {u"^F"_s, u"sub"_s, u"Esc"_s}, u"第 1 处，共 3 处"_s, QString(), first, 0, u"Text1"_s,
        u"hidden"_s);
    row("F3 opens the bar again", {u"^F"_s, u"sub"_s, u"Esc"_s, u"F3"_s}, u"第 2 处，共 3 处"_s, QString(), second, 3,
        u"Text1"_s, u"shown"_s);
    row("Esc with the bar closed closes the window", {u"^F"_s, u"sub"_s, u"Esc"_s, u"Esc"_s}, QString(), QString(),
        QString(), 0, QString(), u"closed"_s);
}

void Form1Test::findBar()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, status);
    QFETCH(QString, notice);
    QFETCH(QString, selection);
    QFETCH(int, marks);
    QFETCH(QString, focus);
    QFETCH(QString, bar);
    tamsel::Form3 *form3 = readArticle(common::encode936(
        u"Private Sub Form_Load()\r\n    标题 = \"ｓｕｂ 全角\"\r\nEnd Sub\r\n"_s));
    QVERIFY(form3);
    QPlainTextEdit *text1 = form3->textBox();
    const QRect wholeBox = text1->geometry();
    auto *findBar = form3->findChild<QWidget *>(u"findBar"_s);
    QVERIFY(findBar->isHidden());
    pressKeys(keys);
    if (bar == u"closed") {
        QTRY_VERIFY(!m_reader);
        return;
    }
    QCOMPARE(findBar->isHidden() ? u"hidden"_s : u"shown"_s, bar);
    QCOMPARE(form3->findChild<QLabel *>(u"findStatus"_s)->text(), status);
    QCOMPARE(form3->findChild<QLabel *>(u"findNotice"_s)->text(), notice);
    QCOMPARE(selected(text1), selection);
    QCOMPARE(text1->extraSelections().size(), marks);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    // The box turns red when nothing is found.
    auto *box = form3->findChild<QLineEdit *>(u"findText"_s);
    const QColor base = box->palette().color(QPalette::Base);
    QCOMPARE(base.red() > base.green() + 20, status == u"未找到");
    // The window keeps its size; the bar takes its room from the text box, which gets it back.
    QCOMPARE(form3->size(), common::twipsSize(10350, 6750));
    QCOMPARE(text1->geometry().top(), wholeBox.top());
    if (bar == u"hidden") {
        QCOMPARE(text1->geometry(), wholeBox);
    } else {
        QVERIFY(text1->geometry().bottom() < findBar->geometry().top());
        QCOMPARE(findBar->geometry().bottom(), wholeBox.bottom());
    }
}

void Form1Test::findWhileLoading_data()
{
    // The query typed after Ctrl+F, or given by the search window, while a long article streams in.
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("selection"); // once all is read
    // Every line holds "sub"; one more is split where the first piece of the file ends.
    QTest::newRow("typed, the count grows") << true << u"sub"_s << 40002 << u"1:sub"_s;
    QTest::newRow("given, found at the end") << false << u"终点"_s << 1 << u"40004:终点"_s;
}

void Form1Test::findWhileLoading()
{
    QFETCH(bool, typed);
    QFETCH(QString, query);
    QFETCH(int, total);
    QFETCH(QString, selection);
    QByteArray bytes = "sub\r\n";
    while (bytes.size() < tamsel::ArticleFile::kPieceBytes - 100)
        bytes += common::encode936(u"第%1行 sub\r\n"_s.arg(bytes.size()));
    bytes += QByteArray(tamsel::ArticleFile::kPieceBytes - 1 - bytes.size() - 2, '-') + "\r\n";
    bytes += "sub\r\n";
    QCOMPARE(bytes.indexOf("sub", tamsel::ArticleFile::kPieceBytes - 10), tamsel::ArticleFile::kPieceBytes - 1);
    for (int line = bytes.count('\n'); line < 40003; ++line)
        bytes += common::encode936(u"第%1行 sub\r\n"_s.arg(line));
    bytes += common::encode936(u"终点"_s);
    tamsel::Form3 *form3 = readArticle(bytes);
    QVERIFY(form3 && form3->isLoading());
    QCOMPARE(form3->textBox()->textCursor().position(), 0); // reading starts at the top
    if (typed)
        pressKeys({u"^F"_s, query});
    else
        form3->showFind(query);
    auto *status = form3->findChild<QLabel *>(u"findStatus"_s);
    QVERIFY2(typed ? status->text().startsWith(u"第 1 处，共 ") : status->text() == u"正在查找…", qPrintable(status->text()));
    QVERIFY(status->text() != u"第 1 处，共 %1 处"_s.arg(total));
    QTRY_VERIFY_WITH_TIMEOUT(!form3->isLoading(), 20000);
    QTRY_COMPARE(status->text(), u"第 1 处，共 %1 处"_s.arg(total));
    QPlainTextEdit *text1 = form3->textBox();
    QCOMPARE(selected(text1), selection);
    QVERIFY(text1->viewport()->rect().contains(text1->cursorRect()));
    // Only the matches in sight are marked.
    QVERIFY2(text1->extraSelections().size() < 200, qPrintable(QString::number(text1->extraSelections().size())));

    // A new article is searched again from its start.
    QVERIFY(readArticle(common::encode936(u"前言\r\nsub 终点\r\n"_s)));
    QTRY_COMPARE(status->text(), u"第 1 处，共 1 处"_s);
    QCOMPARE(selected(text1), u"2:"_s + query);
}

// The programs' own application object: its font, Qt's Chinese texts, its screen-reader roles.
int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    common::Application app(argc, argv, u"Tamsel"_s);
    // The user's settings of this run only.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    Form1Test test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_form1.moc"
