#include "catalogue.h"
#include "database.h"
#include "fixtures.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using tamsel::ArticleLocation;
using tamsel::Catalogue;
using tamsel::CatalogueKind;

Q_DECLARE_METATYPE(CatalogueKind)

namespace {

constexpr auto Example = CatalogueKind::Example;
constexpr auto Technique = CatalogueKind::Technique;

// The three path pieces as "catalogue|folder|file", or "-" when the title is not found.
QString where(const std::optional<ArticleLocation> &location)
{
    return location ? QStringList{location->cataloguePiece, location->folderPiece, location->filePiece}.join(u'|')
                    : u"-"_s;
}

QString where(CatalogueKind kind, int folder, int file)
{
    return u"%1|\\%2|\\data%3.txt"_s.arg(kind == Example ? u"\\article"_s : u"\\technique"_s).arg(folder).arg(file);
}

QStringList records(int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names.append(u"r%1"_s.arg(i));
    return names;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void categories_data();
    void categories();
    void titleTables_data();
    void titleTables();
    void exampleListsOpenTheirFiles();
    void resolve_data();
    void resolve();
    void techniqueEntries_data();
    void techniqueEntries();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void CatalogueTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void CatalogueTest::categories_data()
{
    // Technique lists have the length of their record range; folder 0: no category.
    QTest::addColumn<QString>("name");
    QTest::addColumn<CatalogueKind>("kind");
    QTest::addColumn<int>("folder");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("preceding");
    const QList<std::tuple<QString, int, int>> categories{{u"窗体实例"_s, 17, 0}, {u"图形图像实例"_s, 18, 0},
        {u"多媒体实例"_s, 16, 0}, {u"系统实例"_s, 17, 0}, {u"文件管理实例"_s, 18, 0}, {u"数据库实例"_s, 13, 0},
        {u"网络实例"_s, 21, 0}, {u"游戏实例"_s, 6, 0}, {u"窗体技巧"_s, 25, 0}, {u"多媒体及图像"_s, 21, 25},
        {u"系统控制技巧"_s, 24, 46}, {u"数据库技巧"_s, 21, 70}, {u"网络技巧"_s, 27, 91}};
    for (int i = 0; i < categories.size(); ++i) {
        const auto &[name, entries, preceding] = categories[i];
        QTest::newRow(qUtf8Printable(name)) << name << (i < 8 ? Example : Technique) << (i < 8 ? i + 1 : i - 7)
                                            << entries << preceding;
    }
    for (const QString &other : {u"基础知识"_s, u"窗体"_s, u"窗体实例 "_s, u"多媒体"_s, u"VB实例"_s, QString()})
        QTest::newRow(qUtf8Printable(u"not a category: "_s + other)) << other << Example << 0 << 0 << 0;
}

void CatalogueTest::categories()
{
    QFETCH(QString, name);
    QFETCH(CatalogueKind, kind);
    QFETCH(int, folder);
    QFETCH(int, entries);
    QFETCH(int, preceding);
    const auto category = Catalogue::findCategory(name);
    QCOMPARE(category.has_value(), folder > 0);
    if (!category)
        return;
    QVERIFY(category->kind == kind);
    QCOMPARE(category->folder, folder);
    QCOMPARE(category->name, name);
    QCOMPARE(Catalogue::categoryNames(kind).indexOf(name), folder - 1);
    if (kind == Example) {
        QCOMPARE(Catalogue::exampleEntries(folder).size(), entries);
    } else {
        QCOMPARE(Catalogue::techniqueRange(folder).preceding, preceding);
        QCOMPARE(Catalogue::techniqueRange(folder).length, entries);
    }
}

void CatalogueTest::titleTables_data()
{
    QTest::addColumn<CatalogueKind>("kind");
    QTest::addColumn<int>("categories");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("perFolder");
    QTest::newRow("examples") << Example << 8 << 125 << QList<int>{16, 18, 16, 17, 18, 13, 21, 6};
    QTest::newRow("techniques") << Technique << 5 << 129 << QList<int>{25, 32, 24, 21, 27};
}

void CatalogueTest::titleTables()
{
    // Folder by folder, titles numbered from 1, none twice, each one resolving to its own row.
    QFETCH(CatalogueKind, kind);
    QFETCH(int, categories);
    QFETCH(int, rows);
    QFETCH(QList<int>, perFolder);
    QCOMPARE(Catalogue::categoryNames(kind).size(), categories);
    const auto titles = Catalogue::titles(kind);
    QCOMPARE(titles.size(), rows);
    QSet<QString> seen;
    int row = 0;
    for (int f = 1; f <= perFolder.size(); ++f) {
        for (int k = 1; k <= perFolder[f - 1]; ++k, ++row) {
            const QString &title = titles[row].text;
            QCOMPARE(where(titles[row].location), where(kind, f, k));
            QVERIFY2(!seen.contains(title), qPrintable(title));
            seen.insert(title);
            QCOMPARE(where(Catalogue::resolve(kind, title)), where(kind, f, k));
        }
    }
}

void CatalogueTest::exampleListsOpenTheirFiles()
{
    // Entry e opens file e, except that in folder 1 entry 9 opens file 1 and later entries one less.
    for (int f = 1; f <= 8; ++f) {
        const QStringList entries = Catalogue::exampleEntries(f);
        for (int e = 1; e <= entries.size(); ++e) {
            const int file = f != 1 || e < 9 ? e : e == 9 ? 1 : e - 1;
            QCOMPARE(where(Catalogue::resolve(Example, entries[e - 1])), where(Example, f, file));
        }
    }
}

void CatalogueTest::resolve_data()
{
    QTest::addColumn<CatalogueKind>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("pieces");
    QTest::newRow("tray example") << Example << u"实现托盘程序的例子"_s << uR"(\article|\1|\data1.txt)"_s;
    QTest::newRow("history") << Example << u"历史记录"_s << uR"(\article|\1|\data9.txt)"_s;
    QTest::newRow("transparent window") << Example << u"建立透明的窗口"_s << uR"(\article|\1|\data16.txt)"_s;
    QTest::newRow("network gomoku") << Example << u"网络五子棋"_s << uR"(\article|\8|\data6.txt)"_s;
    QTest::newRow("last of folder 2") << Technique << u"在VB中制作可滚动的图像显示"_s
                                      << uR"(\technique|\2|\data32.txt)"_s;
    QTest::newRow("full-width question mark") << Technique << u"如何改变桌面的图片？"_s
                                              << uR"(\technique|\1|\data11.txt)"_s;
    QTest::newRow("half-width question mark") << Technique << u"如何改变桌面的图片?"_s << u"-"_s;
    QTest::newRow("spaces") << Technique << u"改变 TreeView 的背景"_s << uR"(\technique|\1|\data8.txt)"_s;
    QTest::newRow("spaces missing") << Technique << u"改变TreeView的背景"_s << u"-"_s;
    QTest::newRow("traditional characters") << Technique << u"Cool 3D 浮動按鈕的模擬作法"_s
                                            << uR"(\technique|\1|\data1.txt)"_s;
    QTest::newRow("simplified instead") << Technique << u"Cool 3D 浮动按钮的模拟作法"_s << u"-"_s;
    QTest::newRow("curly quotes") << Technique << u"用VB实现“ICQ”式的启动欢迎画面"_s
                                  << uR"(\technique|\1|\data21.txt)"_s;
    QTest::newRow("straight quotes") << Technique << u"用VB实现\"ICQ\"式的启动欢迎画面"_s << u"-"_s;
    QTest::newRow("case differs") << Example << u"listView的API效果演示"_s << u"-"_s;
    QTest::newRow("trailing space") << Example << u"历史记录 "_s << u"-"_s;
    QTest::newRow("example title as technique") << Technique << u"网络五子棋"_s << u"-"_s;
    QTest::newRow("technique title as example") << Example << u"在VB中制作可滚动的图像显示"_s << u"-"_s;
    QTest::newRow("category name") << Example << u"窗体实例"_s << u"-"_s;
}

void CatalogueTest::resolve()
{
    QFETCH(CatalogueKind, kind);
    QFETCH(QString, title);
    QFETCH(QString, pieces);
    QCOMPARE(where(Catalogue::resolve(kind, title)), pieces);
}

void CatalogueTest::techniqueEntries_data()
{
    // "wen" holds records r1, r2, ...; `nullAt` is a record whose "shiliname" holds no value.
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("nullAt");
    QTest::addColumn<int>("folder");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("folder 1") << 118 << 0 << 1 << records(1, 25);
    QTest::newRow("folder 2") << 118 << 0 << 2 << records(26, 46);
    QTest::newRow("folder 5") << 118 << 0 << 5 << records(92, 118);
    QTest::newRow("fewer records than the range") << 100 << 0 << 5 << records(92, 100);
    QTest::newRow("table ends before the range") << 91 << 0 << 5 << QStringList();
    QTest::newRow("empty table") << 0 << 0 << 1 << QStringList();
    QTest::newRow("null shiliname") << 118 << 93 << 5 << (records(92, 92) << QString() << records(94, 118));
}

void CatalogueTest::techniqueEntries()
{
    QFETCH(int, count);
    QFETCH(int, nullAt);
    QFETCH(int, folder);
    QFETCH(QStringList, entries);
    fixtures::Table wen{u"wen"_s, {u"id"_s, u"shiliname"_s}, {}};
    for (int i = 1; i <= count; ++i)
        wen.rows.append({QString::number(i), i == nullAt ? QString() : u"r%1"_s.arg(i)});
    const QString path = m_dir->filePath(u"shili.mdb"_s);
    QVERIFY(fixtures::writeDatabase(path, {wen}));
    const auto db = common::Database::open(path, common::Database::Access::ReadOnly);
    const auto records = db->openRecordset(u"wen"_s);

    if (count > 10)
        records->setAbsolutePosition(10);
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
    // Again, from wherever the first fill left the recordset and then from its last record.
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
    if (count > 0)
        records->moveLast();
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
