#include "codec936.h"
#include "error.h"
#include "fixtures.h"
#include "form1.h"
#include "imagelists.h"
#include "messenger.h"
#include "processstarter.h"
#include "registry.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::StringLiterals;
using tamsel::Form1;

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

struct Section
{
    QString table, title;
    QList<QStringList> entries; // "目录", "内容"
};

QList<Section> knowledgeSections()
{
    QList<QStringList> many;
    for (int i = 1; i <= 100; ++i)
        many.append({u"条目%1"_s.arg(i), u"第%1条的说明。"_s.arg(i)});
    return {{u"基础知识入门"_s, u"知识入门"_s,
             {{u"变量"_s, u"变量用来保存数据。\r\n先声明，后使用。"_s}, {u"常量"_s, u"常量的值不能改变。"_s},
              {u"数组"_s, u"数组是同类数据的集合。"_s}}},
            {u"运算符"_s, u"运算符"_s, {{u"算术运算符"_s, u"加减乘除。"_s}, {u"比较运算符"_s, u"比较两个值。"_s}}},
            {u"usysNote"_s, u"Note"_s, {{u"小写前缀"_s, u"小写开头的表名不是系统表。"_s}}},
            {u"大量条目表"_s, u"量条目表"_s, many}};
}

// The description of every knowledge node in creation order (a section has none).
QStringList slotTexts()
{
    QStringList texts;
    for (const Section &section : knowledgeSections()) {
        texts.append(QString());
        for (const QStringList &entry : section.entries)
            texts.append(entry[1]);
    }
    return texts;
}

QString shown(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s);
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
              {u"NoDeclaration"_s, u"没有声明"_s, u"无"_s, u"无"_s},
              {u"BeyondDeclarations"_s, u"超出声明表"_s, u"无"_s, u"无"_s}}},
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

QString articleShown(const QString &file)
{
    return file + u"\n正文的第二行\n"_s;
}

enum class Route { Menu, ToolbarIndex, ToolbarButton };
enum class Damage { Missing, Garbage, NoTable, NoField };

} // namespace

Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Damage)

class Form1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_form.reset(); }
    void startUp();
    void knowledgeTree();
    void folderPictures();
    void modePanes_data();
    void modePanes();
    void examCommand_data();
    void examCommand();
    void categoryClickShowsKnowledgeSlot();
    void editCommandsActOnText1_data();
    void editCommandsActOnText1();
    void selectAll_data();
    void selectAll();
    void categoryFillsList_data();
    void categoryFillsList();
    void openArticle_data();
    void openArticle();
    void readingWindowLifecycle();
    void brokenRecordSource_data();
    void brokenRecordSource();
    void apiDetails_data();
    void apiDetails();
    void aboutBoxCloses_data();
    void aboutBoxCloses();
    void aboutSysInfoUnavailable();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }
    void load();
    template <class T> T *widget(const QString &name) const { return m_form->findChild<T *>(name); }
    QPlainTextEdit *box(const QString &name) const { return widget<QPlainTextEdit>(name); }
    QTreeWidget *tree() const { return widget<QTreeWidget>(u"TreeView1"_s); }
    QAction *action(const QString &name) const { return widget<QAction>(name); }
    void run(const QString &command, Route route = Route::Menu) const;
    void clickNode(const QString &text) const { m_form->TreeView1_NodeClick(tree()->findItems(text, {}).value(0)); }
    QStringList hiddenPanes() const;
    QStringList treeSnapshot() const;
    QString state() const { return (hiddenPanes() + treeSnapshot()).join(u'|') + box(u"Text1"_s)->toPlainText(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingMessenger m_messenger;
    FakeStarter m_starter;
    std::unique_ptr<tamsel::MemoryRegistry> m_registry;
    std::unique_ptr<Form1> m_form;
};

void Form1Test::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QStringList fields{u"目录"_s, u"内容"_s};
    QList<fixtures::Table> knowledge;
    for (const Section &section : knowledgeSections())
        knowledge.append({section.table, fields, section.entries});
    // System tables among the knowledge tables, which the tree leaves out.
    knowledge.insert(0, {u"MSysObjects"_s, fields, {{u"系统表"_s, u"不显示"_s}}});
    knowledge.insert(2, {u"USysRibbons"_s, fields, {{u"用户系统表"_s, u"不显示"_s}}});
    QVERIFY(fixtures::writeDatabase(folder() + u"/vb.MDB"_s, knowledge));
    QVERIFY(fixtures::writeDatabase(folder() + u"/api.mdb"_s, apiTables()));
    QVERIFY(fixtures::writeDatabase(folder() + u"/shili.mdb"_s, shiliTables()));
    for (const QString &file : kArticles)
        QVERIFY(fixtures::writeFile(folder() + u'/' + file, common::encode936(file + u"\r\n正文的第二行"_s)));
    m_messenger = {};
    m_starter = {};
    m_registry = std::make_unique<tamsel::MemoryRegistry>();
}

// As the program starts: load, show, then open the record sources.
void Form1Test::load()
{
    m_form = std::make_unique<Form1>(common::ProgramFolder(folder()),
                                     tamsel::Form1Services{m_messenger, m_starter, *m_registry,
                                                           [](const QString &path) { return QFileInfo(path).isFile(); }});
    m_form->Form_Load();
    m_form->show();
    m_form->openRecordSources();
}

void Form1Test::run(const QString &command, Route route) const
{
    const int index = int(QStringList{u"basic"_s, u"example"_s, u"api"_s, u"technical"_s, u"exam"_s}.indexOf(command));
    if (route == Route::Menu)
        action(command)->trigger();
    else if (route == Route::ToolbarIndex)
        m_form->Toolbar1_ButtonClick(index + 1);
    else
        widget<QToolBar>(u"Toolbar1"_s)->actions().at(index)->trigger();
}

QStringList Form1Test::hiddenPanes() const
{
    QStringList hidden;
    for (const QString &name : {u"TreeView1"_s, u"DBList1"_s, u"Text1"_s, u"Text2"_s, u"ListView1"_s, u"ListView2"_s}) {
        if (widget<QWidget>(name)->isHidden())
            hidden.append(name);
    }
    return hidden;
}

QStringList Form1Test::treeSnapshot() const
{
    QStringList nodes;
    for (QTreeWidgetItemIterator it(tree()); *it; ++it)
        nodes.append(u"%1 %2"_s.arg(Form1::nodeIndex(*it)).arg((*it)->text(0)));
    return nodes;
}

void Form1Test::startUp()
{
    load();
    auto *toolbar = widget<QToolBar>(u"Toolbar1"_s);
    QStringList captions, tips;
    for (QAction *button : toolbar->actions()) {
        captions.append(button->text());
        tips.append(toolbar->widgetForAction(button)->toolTip());
    }
    QCOMPARE(captions, (QStringList{u"VB基础"_s, u"VB实例"_s, u"API函数"_s, u"VB技巧"_s, u"考试中心"_s}));
    QVERIFY(!action(u"paste"_s)->isEnabled());
    QCOMPARE(hiddenPanes(), (QStringList{u"DBList1"_s, u"Text2"_s, u"ListView1"_s, u"ListView2"_s}));
    QVERIFY(m_messenger.errors.isEmpty());

    const QString before = state();
    for (int index : {-1, 0, 6})
        m_form->Toolbar1_ButtonClick(index);
    QCOMPARE(state(), before);
    QVERIFY(m_starter.started.isEmpty());

    QCOMPARE(tips, QStringList(5));
}

void Form1Test::knowledgeTree()
{
    load();
    const QList<Section> sections = knowledgeSections();
    QPlainTextEdit *text1 = box(u"Text1"_s);
    QCOMPARE(tree()->topLevelItemCount(), sections.size());
    int index = 0;
    for (int s = 0; s < sections.size(); ++s) {
        QTreeWidgetItem *section = tree()->topLevelItem(s);
        QCOMPARE(section->text(0), sections[s].title);
        QCOMPARE(Form1::nodeIndex(section), ++index);
        QCOMPARE(section->childCount(), sections[s].entries.size());
        for (int e = 0; e < section->childCount(); ++e) {
            QCOMPARE(section->child(e)->text(0), sections[s].entries[e][0]);
            QCOMPARE(Form1::nodeIndex(section->child(e)), ++index);
            m_form->TreeView1_NodeClick(section->child(e));
            QCOMPARE(text1->toPlainText(), shown(sections[s].entries[e][1]));
        }
        m_form->TreeView1_NodeClick(section);
        QCOMPARE(text1->toPlainText(), QString());
    }
    QVERIFY(index > 100);

    // Knowledge mode builds the same tree again, with the same indices, and empties ListView1.
    const QStringList first = treeSnapshot();
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    m_form->basic_Click();
    m_form->basic_Click();
    QCOMPARE(treeSnapshot(), first);
    QCOMPARE(widget<QTreeWidget>(u"ListView1"_s)->topLevelItemCount(), 0);
    QTreeWidgetItem *last = tree()->topLevelItem(sections.size() - 1);
    m_form->TreeView1_NodeClick(last->child(last->childCount() - 1));
    QCOMPARE(text1->toPlainText(), slotTexts().constLast());
}

void Form1Test::folderPictures()
{
    load();
    const auto picture = [](const QTreeWidgetItem *node) { return node->icon(0).cacheKey(); };
    const auto image = [](const QString &key) { return tamsel::TreeImages::image(key).cacheKey(); };
    QTreeWidgetItem *section = tree()->topLevelItem(0);
    QCOMPARE(picture(section), image(u"closed"_s));
    section->setExpanded(true);
    QCOMPARE(picture(section), image(u"open"_s));
    m_form->TreeView1_NodeClick(section->child(0));
    QCOMPARE(picture(section->child(0)), image(u"leaf"_s));
    QCOMPARE(picture(section), image(u"open"_s));
    section->setExpanded(false);
    QCOMPARE(picture(section), image(u"closed"_s));

    // The first node of any tree counts as a section; other category nodes keep their picture.
    run(u"example"_s);
    m_form->TreeView1_Expand(tree()->topLevelItem(0));
    m_form->TreeView1_Expand(tree()->topLevelItem(1));
    QCOMPARE(picture(tree()->topLevelItem(0)), image(u"open"_s));
    QCOMPARE(picture(tree()->topLevelItem(1)), image(u"shili"_s));
}

void Form1Test::modePanes_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("command");
    QTest::addColumn<Route>("route");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<bool>("text1Emptied");
    QTest::addColumn<QStringList>("treeEnds"); // first and last top-level node

    const QStringList knowledge{u"DBList1"_s, u"Text2"_s, u"ListView1"_s, u"ListView2"_s};
    const QStringList example{u"DBList1"_s, u"Text1"_s, u"Text2"_s, u"ListView2"_s};
    const QStringList technique{u"DBList1"_s, u"Text1"_s, u"Text2"_s, u"ListView1"_s};
    const QStringList knowledgeEnds{u"知识入门"_s, u"量条目表"_s};
    const QStringList exampleEnds{u"窗体实例"_s, u"游戏实例"_s};
    const QStringList techniqueEnds{u"窗体技巧"_s, u"网络技巧"_s};
    const struct
    {
        const char *name;
        QStringList before;
        QString command;
        QStringList hidden;
        bool emptied;
        QStringList ends;
    } rows[] = {
        {"knowledge", {}, u"basic"_s, knowledge, true, knowledgeEnds},
        {"example", {}, u"example"_s, example, false, exampleEnds},
        {"technique", {}, u"technical"_s, technique, false, techniqueEnds},
        {"api", {}, u"api"_s, {u"ListView1"_s, u"ListView2"_s}, true, {}},
        {"api after example", {u"example"_s}, u"api"_s, {u"Text1"_s, u"ListView1"_s, u"ListView2"_s}, true, {}},
        {"knowledge after technique", {u"technical"_s}, u"basic"_s, knowledge, true, knowledgeEnds},
        {"example after api", {u"api"_s}, u"example"_s, example, false, exampleEnds},
        {"technique after api", {u"api"_s}, u"technical"_s, technique, false, techniqueEnds},
    };
    const std::pair<const char *, Route> routes[] = {
        {"menu", Route::Menu}, {"toolbar index", Route::ToolbarIndex}, {"toolbar button", Route::ToolbarButton}};
    for (const auto &row : rows) {
        for (const auto &[how, route] : routes)
            QTest::addRow("%s, %s", row.name, how) << row.before << row.command << route << row.hidden << row.emptied << row.ends;
    }
}

void Form1Test::modePanes()
{
    QFETCH(QStringList, before);
    QFETCH(QString, command);
    QFETCH(Route, route);
    QFETCH(QStringList, hidden);
    QFETCH(bool, text1Emptied);
    QFETCH(QStringList, treeEnds);
    load();
    for (const QString &c : before)
        run(c);
    box(u"Text1"_s)->setPlainText(u"用户输入"_s);
    run(command, route);
    QCOMPARE(hiddenPanes(), hidden);
    QCOMPARE(box(u"Text1"_s)->toPlainText(), text1Emptied ? QString() : u"用户输入"_s);
    const int count = tree()->topLevelItemCount();
    QStringList ends;
    if (count)
        ends = {tree()->topLevelItem(0)->text(0), tree()->topLevelItem(count - 1)->text(0)};
    QCOMPARE(ends, treeEnds);
}

void Form1Test::examCommand_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<bool>("accepts");
    QTest::newRow("menu") << Route::Menu << true;
    QTest::newRow("toolbar index 5") << Route::ToolbarIndex << true;
    QTest::newRow("toolbar button") << Route::ToolbarButton << true;
    QTest::newRow("start refused") << Route::Menu << false;
}

void Form1Test::examCommand()
{
    QFETCH(Route, route);
    QFETCH(bool, accepts);
    m_starter.accepts = accepts;
    load();
    run(u"api"_s);
    const QString before = state();
    run(u"exam"_s, route);
    QCOMPARE(m_starter.started, QStringList{folder() + u"/Quorvi"_s});
    QCOMPARE(state(), before);
    QVERIFY(m_messenger.errors.isEmpty() && m_messenger.messages.isEmpty());
}

void Form1Test::categoryClickShowsKnowledgeSlot()
{
    // On purpose: a category click shows the slot of the knowledge node with the same index.
    load();
    const QStringList slotsByIndex = slotTexts();
    for (const QString &mode : {u"example"_s, u"technical"_s}) {
        run(mode);
        for (int k = 0; k < tree()->topLevelItemCount(); ++k) {
            m_form->TreeView1_NodeClick(tree()->topLevelItem(k));
            QCOMPARE(box(u"Text1"_s)->toPlainText(), shown(slotsByIndex[k]));
        }
    }
}

static void select(QPlainTextEdit *box, int start, int length)
{
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

void Form1Test::editCommandsActOnText1_data()
{
    QTest::addColumn<QStringList>("modes");
    QTest::newRow("knowledge") << QStringList{};
    QTest::newRow("api") << QStringList{u"api"_s};
    QTest::newRow("example, Text1 hidden") << QStringList{u"example"_s};
    QTest::newRow("technique, Text1 hidden") << QStringList{u"technical"_s};
}

void Form1Test::editCommandsActOnText1()
{
    QFETCH(QStringList, modes);
    load();
    for (const QString &mode : modes)
        run(mode);
    QClipboard *clipboard = QGuiApplication::clipboard();
    QAction *paste = action(u"paste"_s);
    QPlainTextEdit *text1 = box(u"Text1"_s);
    QPlainTextEdit *text2 = box(u"Text2"_s);
    text1->setPlainText(u"第一行\n第二行"_s);
    text2->setPlainText(u"接口文本"_s);
    select(text2, 0, 2);
    select(text1, 2, 3);
    m_form->cut_Click();
    QCOMPARE(clipboard->text(), u"行\n第"_s); // a line break, not a paragraph separator
    QCOMPARE(text1->toPlainText(), u"第一二行"_s);
    QVERIFY(!paste->isEnabled());
    m_form->copy_Click(); // nothing selected
    QCOMPARE(clipboard->text(), QString());
    QVERIFY(paste->isEnabled());
    select(text1, 0, 2);
    m_form->paste_Click(); // an empty clipboard: the selection goes
    QCOMPARE(text1->toPlainText(), u"二行"_s);
    clipboard->setText(u"粘贴"_s);
    select(text1, 2, 0);
    m_form->paste_Click();
    QCOMPARE(text1->toPlainText(), u"二行粘贴"_s);
    text1->setPlainText(u"甲\n乙"_s);
    select(text1, 0, 3);
    m_form->copy_Click();
    QCOMPARE(clipboard->text(), u"甲\n乙"_s);
    QCOMPARE(text1->toPlainText(), u"甲\n乙"_s);
    QCOMPARE(text2->toPlainText(), u"接口文本"_s);
}

void Form1Test::selectAll_data()
{
    QTest::addColumn<QStringList>("modes");
    QTest::addColumn<bool>("text1Selected");
    QTest::addColumn<bool>("text2Selected");
    QTest::newRow("knowledge") << QStringList{} << true << false;
    QTest::newRow("api after knowledge") << QStringList{u"api"_s} << true << true;
    QTest::newRow("api after example") << QStringList{u"example"_s, u"api"_s} << false << true;
    QTest::newRow("example") << QStringList{u"example"_s} << false << false;
    QTest::newRow("technique") << QStringList{u"technical"_s} << false << false;
}

void Form1Test::selectAll()
{
    QFETCH(QStringList, modes);
    QFETCH(bool, text1Selected);
    QFETCH(bool, text2Selected);
    load();
    for (const QString &mode : modes)
        run(mode);
    QPlainTextEdit *text1 = box(u"Text1"_s);
    QPlainTextEdit *text2 = box(u"Text2"_s);
    text1->setPlainText(u"描述文本"_s);
    text2->setPlainText(u"接口文本"_s);
    m_form->all_Click();
    QCOMPARE(text1->textCursor().selectedText(), text1Selected ? u"描述文本"_s : QString());
    QCOMPARE(text2->textCursor().selectedText(), text2Selected ? u"接口文本"_s : QString());
    if (text1Selected || text2Selected)
        QCOMPARE(m_form->focusWidget(), text2Selected ? text2 : text1);
}

void Form1Test::categoryFillsList_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("expected"); // count, first, last
    QTest::newRow("窗体实例") << u"example"_s << u"窗体实例"_s << QStringList{u"17"_s, u"实现托盘程序的例子"_s, u"建立透明的窗口"_s};
    QTest::newRow("游戏实例") << u"example"_s << u"游戏实例"_s << QStringList{u"6"_s, u"沙滩排球"_s, u"网络五子棋"_s};
    QTest::newRow("窗体技巧") << u"technical"_s << u"窗体技巧"_s << QStringList{u"25"_s, wenText(1), wenText(25)};
    QTest::newRow("多媒体及图像") << u"technical"_s << u"多媒体及图像"_s << QStringList{u"21"_s, wenText(26), wenText(46)};
    QTest::newRow("网络技巧") << u"technical"_s << u"网络技巧"_s << QStringList{u"27"_s, wenText(92), wenText(118)};
}

void Form1Test::categoryFillsList()
{
    QFETCH(QString, mode);
    QFETCH(QString, category);
    QFETCH(QStringList, expected);
    load();
    run(mode);
    const bool example = mode == u"example";
    QTreeWidget *list = widget<QTreeWidget>(example ? u"ListView1"_s : u"ListView2"_s);
    m_form->TreeView1_NodeClick(tree()->topLevelItem(tree()->topLevelItemCount() - 1));
    clickNode(category); // each click starts again from the first record
    clickNode(category);
    const int count = list->topLevelItemCount();
    QCOMPARE(count, expected[0].toInt());
    QCOMPARE(list->topLevelItem(0)->text(0), expected[1]);
    QCOMPARE(list->topLevelItem(count - 1)->text(0), expected[2]);
    QCOMPARE(widget<QTreeWidget>(example ? u"ListView2"_s : u"ListView1"_s)->topLevelItemCount(), 0);
    run(example ? u"technical"_s : u"example"_s); // a list keeps its entries across mode switches
    run(mode);
    QCOMPARE(list->topLevelItemCount(), count);
}

void Form1Test::openArticle_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("category");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file"); // empty: nothing opens

    const QString example = u"example"_s, technique = u"technical"_s;
    QTest::newRow("entry 1") << example << u"窗体实例"_s << 0 << u"实现托盘程序的例子"_s << kArticles[0];
    QTest::newRow("repeated entry 9") << example << u"窗体实例"_s << 8 << u"实现托盘程序的例子"_s << kArticles[0];
    QTest::newRow("entry 10") << example << u"窗体实例"_s << 9 << u"历史记录"_s << kArticles[1];
    QTest::newRow("entry 17") << example << u"窗体实例"_s << 16 << u"建立透明的窗口"_s << kArticles[2];
    QTest::newRow("网络五子棋") << example << u"游戏实例"_s << 5 << u"网络五子棋"_s << kArticles[3];
    QTest::newRow("technique folder 1") << technique << u"窗体技巧"_s << 0 << wenText(1) << kArticles[4];
    QTest::newRow("technique folder 5") << technique << u"网络技巧"_s << 0 << wenText(92) << kArticles[5];
    QTest::newRow("record text that is no title") << technique << u"窗体技巧"_s << 1 << wenText(2) << QString();
    QTest::newRow("example title in technique list") << technique << u"窗体技巧"_s << 2 << wenText(3) << QString();
}

void Form1Test::openArticle()
{
    QFETCH(QString, mode);
    QFETCH(QString, category);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, file);
    load();
    run(mode);
    clickNode(category);
    const bool example = mode == u"example";
    QTreeWidgetItem *item = widget<QTreeWidget>(example ? u"ListView1"_s : u"ListView2"_s)->topLevelItem(row);
    QCOMPARE(item->text(0), title);
    example ? m_form->ListView1_ItemClick(item) : m_form->ListView2_ItemClick(item);
    QVERIFY(m_messenger.errors.isEmpty());
    const tamsel::Form3 *reader = m_form->readingWindow();
    QCOMPARE(reader != nullptr, !file.isEmpty());
    if (reader) {
        QVERIFY(reader->isVisible());
        QCOMPARE(reader->windowTitle(), title);
        QCOMPARE(reader->textBox()->toPlainText(), articleShown(file));
        QVERIFY(reader->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
}

void Form1Test::readingWindowLifecycle()
{
    load();
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    QTreeWidget *list = widget<QTreeWidget>(u"ListView1"_s);
    const auto open = [&](int row) { m_form->ListView1_ItemClick(list->topLevelItem(row)); };
    const auto shows = [this](const QString &title, const QString &file) {
        const tamsel::Form3 *reader = m_form->readingWindow();
        return reader && reader->isVisible() && reader->windowTitle() == title
            && reader->textBox()->toPlainText() == articleShown(file);
    };
    open(0);
    QPointer<tamsel::Form3> first = m_form->readingWindow();
    open(9); // the second article replaces the first in the same window
    QCOMPARE(m_form->readingWindow(), first.data());
    QVERIFY(shows(u"历史记录"_s, kArticles[1]));

    first->close(); // deleted on close, created again by the next article
    QTRY_VERIFY(!first);
    QVERIFY(!m_form->readingWindow());
    open(0);
    QVERIFY(shows(u"实现托盘程序的例子"_s, kArticles[0]));

    const QString missing = folder() + u'/' + kArticles[1];
    QVERIFY(QFile::remove(missing));
    open(9);
    QCOMPARE(m_messenger.errors.size(), 1);
    QCOMPARE(m_messenger.errors[0].first, int(common::FileNotFound));
    QVERIFY2(m_messenger.errors[0].second.contains(missing), qPrintable(m_messenger.errors[0].second));
    QVERIFY(shows(u"实现托盘程序的例子"_s, kArticles[0]));
}

void Form1Test::brokenRecordSource_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named");

    const QString shili = u"shili.mdb"_s, api = u"api.mdb"_s;
    QTest::newRow("shili.mdb missing") << shili << Damage::Missing << QString() << 3024 << shili;
    QTest::newRow("shili.mdb not a database") << shili << Damage::Garbage << QString() << 3343 << shili;
    QTest::newRow("wen missing") << shili << Damage::NoTable << u"wen"_s << 3078 << u"wen"_s;
    QTest::newRow("shiliname missing") << shili << Damage::NoField << u"wen"_s << 3265 << u"shiliname"_s;
    QTest::newRow("api.mdb missing") << api << Damage::Missing << QString() << 3024 << api;
    QTest::newRow("api.mdb not a database") << api << Damage::Garbage << QString() << 3343 << api;
    QTest::newRow("winfun missing") << api << Damage::NoTable << u"winfun"_s << 3078 << u"winfun"_s;
    QTest::newRow("funclass missing") << api << Damage::NoTable << u"funclass"_s << 3078 << u"funclass"_s;
    QTest::newRow("函数 missing") << api << Damage::NoField << u"winfun"_s << 3265 << u"函数"_s;
}

void Form1Test::brokenRecordSource()
{
    QFETCH(QString, file);
    QFETCH(Damage, damage);
    QFETCH(QString, table);
    QFETCH(int, number);
    QFETCH(QString, named);
    const QString path = folder() + u'/' + file;
    const bool apiBroken = file == u"api.mdb";
    QList<fixtures::Table> tables = apiBroken ? apiTables() : shiliTables();
    for (fixtures::Table &t : tables) {
        if (t.name == table)
            (damage == Damage::NoTable ? t.name : t.fields[0]) = u"别的名字"_s;
    }
    if (damage == Damage::Missing)
        QVERIFY(QFile::remove(path));
    else if (damage == Damage::Garbage)
        QVERIFY(fixtures::writeFile(path, fixtures::randomBytes()));
    else
        QVERIFY(fixtures::writeDatabase(path, tables));

    load();
    QCOMPARE(m_messenger.errors.size(), 1);
    QCOMPARE(m_messenger.errors[0].first, number);
    QVERIFY2(m_messenger.errors[0].second.contains(named), qPrintable(m_messenger.errors[0].second));

    // The broken part stays empty and silent; every other mode works.
    QCOMPARE(widget<QListWidget>(u"DBList1"_s)->count(), apiBroken ? 0 : 4);
    run(u"api"_s);
    box(u"Text2"_s)->setPlainText(u"用户输入"_s);
    m_form->DBList1_Click();
    QCOMPARE(box(u"Text2"_s)->toPlainText(), apiBroken ? u"用户输入"_s : apiText(0));
    run(u"technical"_s);
    clickNode(u"窗体技巧"_s);
    QCOMPARE(widget<QTreeWidget>(u"ListView2"_s)->topLevelItemCount(), apiBroken ? 25 : 0);
    run(u"example"_s);
    clickNode(u"窗体实例"_s);
    QCOMPARE(widget<QTreeWidget>(u"ListView1"_s)->topLevelItemCount(), 17);
    run(u"basic"_s);
    QCOMPARE(tree()->topLevelItemCount(), 4);
    QCOMPARE(m_messenger.errors.size(), 1);
}

void Form1Test::apiDetails_data()
{
    // Rows of DBList1 clicked in turn; -1 leaves nothing selected, 100 + r is a mouse click on row r.
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("expected"); // "用户输入" is typed into Text2 before the last click

    QTest::newRow("first function") << QList<int>{0} << apiText(0);
    QTest::newRow("null values give empty lines") << QList<int>{1} << apiText(1);
    QTest::newRow("position k after another") << QList<int>{0, 1} << apiText(1);
    QTest::newRow("same entry again") << QList<int>{0, 0} << apiText(0);
    QTest::newRow("mouse click") << QList<int>{101} << apiText(1);
    QTest::newRow("no selection recomposes") << QList<int>{1, -1} << apiText(1);
    QTest::newRow("null declaration") << QList<int>{0, 2} << u"用户输入"_s;
    QTest::newRow("beyond the declarations") << QList<int>{1, 3} << u"用户输入"_s;
}

void Form1Test::apiDetails()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QString, expected);
    load();
    run(u"api"_s);
    auto *functions = widget<QListWidget>(u"DBList1"_s);
    QStringList names;
    for (int i = 0; i < functions->count(); ++i)
        names.append(functions->item(i)->text());
    QCOMPARE(names, (QStringList{u"GetTickCount"_s, u"Sleep"_s, u"NoDeclaration"_s, u"BeyondDeclarations"_s}));
    for (qsizetype i = 0; i < clicks.size(); ++i) {
        if (i == clicks.size() - 1)
            box(u"Text2"_s)->setPlainText(u"用户输入"_s);
        if (clicks[i] >= 100) {
            const QPoint centre = functions->visualItemRect(functions->item(clicks[i] - 100)).center();
            QTest::mouseClick(functions->viewport(), Qt::LeftButton, {}, centre);
            continue;
        }
        if (clicks[i] < 0)
            functions->clearSelection();
        else
            functions->setCurrentRow(clicks[i]);
        m_form->DBList1_Click();
    }
    QCOMPARE(box(u"Text2"_s)->toPlainText(), expected);
}

void Form1Test::aboutBoxCloses_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"ok", "escape", "enter", "close control"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void Form1Test::aboutBoxCloses()
{
    QFETCH(QString, how);
    load();
    for (int opening = 0; opening < 2; ++opening) {
        m_form->about_Click();
        QPointer<tamsel::FrmAbout> about = m_form->aboutBox();
        QVERIFY(about && about->isVisible());
        QVERIFY(!m_form->isEnabled());
        QCOMPARE(about->windowTitle(), u"关于 Tamsel"_s);
        QCOMPARE(about->findChild<QLabel *>(u"lblVersion"_s)->text(), u"版本 1.0.0"_s);
        QCOMPARE(about->findChild<QLabel *>(u"lblTitle"_s)->text(), u"Tamsel"_s);
        if (how == u"ok")
            about->findChild<QPushButton *>(u"cmdOK"_s)->click();
        else if (how == u"close control")
            about->close();
        else
            QTest::keyClick(about, how == u"escape" ? Qt::Key_Escape : Qt::Key_Return);
        QTRY_VERIFY(!about);
        QVERIFY(m_form->isEnabled());
    }
    QVERIFY(m_messenger.messages.isEmpty());
}

void Form1Test::aboutSysInfoUnavailable()
{
    load();
    m_form->about_Click();
    QPointer<tamsel::FrmAbout> about = m_form->aboutBox();
    about->findChild<QPushButton *>(u"cmdSysInfo"_s)->click();
    QCOMPARE(m_messenger.messages, (QList<std::pair<QString, QString>>{{u"Tamsel"_s, u"此时系统信息不可用"_s}}));
    QVERIFY(m_starter.started.isEmpty());
    QTest::qWait(50);
    QVERIFY(about && about->isVisible());
    QVERIFY(!m_form->isEnabled());
}

QTEST_MAIN(Form1Test)
#include "test_form1.moc"
