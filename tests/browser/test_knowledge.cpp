#include "database.h"
#include "knowledgebase.h"
#include "fixtures.h"
#include "../common/testsupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

class KnowledgeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void tableNames_data();
    void tableNames();
    void readKnowledgeBase_data();
    void readKnowledgeBase();
    void changedBetweenReads_data();
    void changedBetweenReads();
    void nodeDescriptions();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void KnowledgeTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void KnowledgeTest::tableNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("knowledge");
    QTest::addColumn<QString>("title");
    QTest::newRow("six characters") << u"VB基础知识"_s << true << u"基础知识"_s;
    QTest::newRow("four characters") << u"数据类型"_s << true << u"数据类型"_s;
    QTest::newRow("three characters") << u"控件表"_s << true << u"控件表"_s;
    QTest::newRow("MSys") << u"MSysObjects"_s << false << QString();
    QTest::newRow("USys") << u"USysRibbons"_s << false << QString();
    QTest::newRow("MSys alone") << u"MSys"_s << false << QString();
    QTest::newRow("lower-case msys") << u"msysObjects"_s << true << u"ects"_s;
    QTest::newRow("lower-case usys") << u"usysData"_s << true << u"Data"_s;
    QTest::newRow("upper-case MSYS") << u"MSYSlist"_s << true << u"list"_s;
    QTest::newRow("MSys later in the name") << u"表MSys"_s << true << u"MSys"_s;
    QTest::newRow("shorter than MSys") << u"MSy"_s << true << u"MSy"_s;
}

void KnowledgeTest::tableNames()
{
    QFETCH(QString, name);
    QFETCH(bool, knowledge);
    QFETCH(QString, title);
    QCOMPARE(tamsel::isKnowledgeTable(name), knowledge);
    if (knowledge)
        QCOMPARE(tamsel::sectionTitle(name), title);
}

void KnowledgeTest::readKnowledgeBase_data()
{
    QTest::addColumn<bool>("inTwoSteps");
    QTest::newRow("one pass") << false;
    QTest::newRow("titles, then descriptions") << true;
}

void KnowledgeTest::readKnowledgeBase()
{
    QFETCH(bool, inTwoSteps);
    // Tables in an order no sort gives, records stored out of order, the fields in either order;
    // the system tables lack the entry fields, so reading them would fail.
    const QStringList fields{u"目录"_s, u"内容"_s, u"备注"_s};
    const QList<fixtures::Table> tables{
        {u"VB控件基础"_s, fields,
         {{u"窗体"_s, u"容器。"_s, u"x"_s}, {u"按钮"_s, u"命令按钮。"_s, QString()}, {u"标签"_s, QString(), u"y"_s}}},
        {u"MSysObjects"_s, {u"Id"_s}, {{u"1"_s}}},
        {u"msysdata"_s, fields, {{u"小写"_s, u"也是知识表。"_s, QString()}}},
        {u"没有条目"_s, fields, {}},
        {u"USysRibbons"_s, {u"Id"_s}, {{u"2"_s}}},
        {u"变量"_s, {u"内容"_s, u"目录"_s}, {{u"无标题。"_s, QString()}, {u"作用域。"_s, u"作用域"_s}}},
        {u"A基础语法"_s, fields, {{u"语句"_s, u"一行一句。"_s, u"z"_s}}},
    };
    const QString path = m_dir->filePath(u"vb.MDB"_s);
    QVERIFY(fixtures::writeDatabase(path, tables));
    const auto db = common::Database::open(path, common::Database::Access::ReadOnly);

    QList<tamsel::KnowledgeSection> sections;
    if (inTwoSteps) {
        sections = tamsel::readKnowledgeTitles(*db);
        for (const tamsel::KnowledgeSection &section : sections) {
            for (const tamsel::KnowledgeEntry &entry : section.entries)
                QVERIFY(entry.description.isEmpty());
        }
        tamsel::DescriptionReader reader(*db, sections);
        reader.readFor(std::numeric_limits<qint64>::max());
        sections = reader.sections();
    } else {
        sections = tamsel::readKnowledgeBase(*db);
    }
    QStringList read; // "[section]" lines, each followed by its "title|description" lines
    for (const tamsel::KnowledgeSection &section : sections) {
        read.append(u'[' + section.title + u']');
        for (const tamsel::KnowledgeEntry &entry : section.entries)
            read.append(entry.title + u'|' + entry.description);
    }
    QCOMPARE(read, (QStringList{u"[控件基础]"_s, u"窗体|容器。"_s, u"按钮|命令按钮。"_s, u"标签|"_s,
                                u"[data]"_s, u"小写|也是知识表。"_s, u"[没有条目]"_s,
                                u"[变量]"_s, u"|无标题。"_s, u"作用域|作用域。"_s,
                                u"[基础语法]"_s, u"语句|一行一句。"_s}));

    // A knowledge table without descriptions fails before anything is shown, either way.
    const QString titlesOnly = m_dir->filePath(u"titles.MDB"_s);
    QVERIFY(fixtures::writeDatabase(titlesOnly, {{u"标题表"_s, {u"目录"_s}, {{u"只有标题"_s}}}}));
    const auto other = common::Database::open(titlesOnly, common::Database::Access::ReadOnly);
    const common::Error error = testsupport::failure([&] {
        inTwoSteps ? void(tamsel::readKnowledgeTitles(*other)) : void(tamsel::readKnowledgeBase(*other));
    });
    QCOMPARE(error.number(), 3265);
    QVERIFY(error.text().contains(u"内容"_s));
}

void KnowledgeTest::changedBetweenReads_data()
{
    // SQL run on the file by another program once the titles are shown and a first part of the
    // descriptions is read; empty: the file stays as it is.
    QTest::addColumn<QString>("change");
    QTest::newRow("unchanged") << QString();
    QTest::newRow("title changed further on") << u"UPDATE 基础 SET 目录 = '别的' WHERE rowid = 2400"_s;
    QTest::newRow("entry removed further on") << u"DELETE FROM 基础 WHERE rowid = 1800"_s;
    QTest::newRow("entry added to a later table") << u"INSERT INTO 控件 (目录, 内容) VALUES ('新', '新的')"_s;
    QTest::newRow("later table emptied") << u"DELETE FROM 控件"_s;
}

void KnowledgeTest::changedBetweenReads()
{
    QFETCH(QString, change);
    const QStringList fields{u"目录"_s, u"内容"_s};
    fixtures::Table large{u"基础"_s, fields, {}};
    for (int i = 1; i <= 2500; ++i)
        large.rows.append({u"条目%1"_s.arg(i), u"说明%1"_s.arg(i)});
    const QString path = m_dir->filePath(u"vb.MDB"_s);
    QVERIFY(fixtures::writeDatabase(path, {large, {u"控件"_s, fields, {{u"按钮"_s, u"命令按钮。"_s}}}}));
    const auto db = common::Database::open(path, common::Database::Access::ReadOnly);

    tamsel::DescriptionReader reader(*db, tamsel::readKnowledgeTitles(*db));
    QVERIFY(!reader.readFor(0));
    if (!change.isEmpty()) {
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        const int rc = sqlite3_exec(other, change.toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(rc, SQLITE_OK);
        const common::Error error
            = testsupport::failure([&] { reader.readFor(std::numeric_limits<qint64>::max()); });
        QCOMPARE(error.number(), 3343);
        QVERIFY2(error.text().contains(path), qPrintable(error.text()));
        return;
    }
    QVERIFY(reader.readFor(std::numeric_limits<qint64>::max()));
    const QList<tamsel::KnowledgeSection> &sections = reader.sections();
    QCOMPARE(sections.size(), 2);
    QCOMPARE(sections[0].entries.size(), 2500);
    for (const tamsel::KnowledgeEntry &entry : sections[0].entries)
        QCOMPARE(entry.description.mid(2), entry.title.mid(2));
    QCOMPARE(sections[1].entries.value(0).description, u"命令按钮。"_s);
}

void KnowledgeTest::nodeDescriptions()
{
    tamsel::NodeDescriptions desc;
    QCOMPARE(desc.size(), 100);
    for (int node = 0; node <= 101; ++node)
        QVERIFY(desc.at(node).isEmpty());
    // A tree of 150 nodes, then a smaller one: the second overwrites only the slots it writes.
    for (int node = 2; node <= 150; ++node)
        desc.set(node, u"first %1"_s.arg(node));
    desc.set(2, u"second 2"_s);
    QCOMPARE(desc.size(), 150);
    const QStringList seen{desc.at(1), desc.at(2), desc.at(3), desc.at(150), desc.at(151)};
    QCOMPARE(seen, (QStringList{QString(), u"second 2"_s, u"first 3"_s, u"first 150"_s, QString()}));
}

QTEST_GUILESS_MAIN(KnowledgeTest)
#include "test_knowledge.moc"
