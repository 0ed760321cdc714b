#include "catalogue.h"
#include "database.h"
#include "fixtures.h"
#include "readerplacement.h"

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
    void titleTables_data();
    void titleTables();
    void resolve_data();
    void resolve();
    void techniqueEntries_data();
    void techniqueEntries();
    void readerPlacement_data();
    void readerPlacement();
};

void CatalogueTest::titleTables_data()
{
    QTest::addColumn<CatalogueKind>("kind");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("perFolder");
    QTest::addColumn<QList<int>>("ranges"); // of the technique lists in "wen": preceding, length
    QTest::newRow("examples") << Example
                              << QStringList{u"窗体实例"_s, u"图形图像实例"_s, u"多媒体实例"_s, u"系统实例"_s,
                                             u"文件管理实例"_s, u"数据库实例"_s, u"网络实例"_s, u"游戏实例"_s}
                              << 125 << QList<int>{16, 18, 16, 17, 18, 13, 21, 6} << QList<int>();
    QTest::newRow("techniques") << Technique
                                << QStringList{u"窗体技巧"_s, u"多媒体及图像"_s, u"系统控制技巧"_s, u"数据库技巧"_s,
                                               u"网络技巧"_s}
                                << 129 << QList<int>{25, 32, 24, 21, 27}
                                << QList<int>{0, 25, 25, 21, 46, 24, 70, 21, 91, 27};
}

void CatalogueTest::titleTables()
{
    // Folder by folder, titles numbered from 1, each one resolving to its own row. An
    // example list holds its folder's titles in order; folder 1 repeats its first title as entry 9.
    QFETCH(CatalogueKind, kind);
    QFETCH(QStringList, categories);
    QFETCH(int, rows);
    QFETCH(QList<int>, perFolder);
    QFETCH(QList<int>, ranges);
    QCOMPARE(Catalogue::categoryNames(kind), categories);
    const auto titles = Catalogue::titles(kind);
    QCOMPARE(titles.size(), rows);
    int row = 0;
    for (int f = 1; f <= perFolder.size(); ++f) {
        const auto category = Catalogue::findCategory(categories[f - 1]);
        QVERIFY(category && category->kind == kind && category->folder == f);
        QStringList folderTitles;
        for (int k = 1; k <= perFolder[f - 1]; ++k, ++row) {
            folderTitles.append(titles[row].text); // a title found twice resolves to its first row
            QCOMPARE(where(Catalogue::resolve(kind, titles[row].text)), where(kind, f, k));
        }
        if (kind == Technique) {
            const tamsel::TechniqueRange range = Catalogue::techniqueRange(f);
            QCOMPARE((QList<int>{range.preceding, range.length}), ranges.mid(2 * (f - 1), 2));
        } else {
            if (f == 1)
                folderTitles.insert(8, folderTitles[0]);
            QCOMPARE(Catalogue::exampleEntries(f), folderTitles);
        }
    }
    for (const QString &other : {u"基础知识"_s, u"窗体"_s, u"窗体实例 "_s, u"VB实例"_s, QString()})
        QVERIFY2(!Catalogue::findCategory(other), qUtf8Printable(other));
}

void CatalogueTest::resolve_data()
{
    // Exact titles only, each list against its own table.
    QTest::addColumn<CatalogueKind>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("folder"); // 0: not found
    QTest::addColumn<int>("file");
    QTest::newRow("full-width question mark") << Technique << u"如何改变桌面的图片？"_s << 1 << 11;
    QTest::newRow("half-width question mark") << Technique << u"如何改变桌面的图片?"_s << 0 << 0;
    QTest::newRow("spaces") << Technique << u"改变 TreeView 的背景"_s << 1 << 8;
    QTest::newRow("spaces missing") << Technique << u"改变TreeView的背景"_s << 0 << 0;
    QTest::newRow("traditional characters") << Technique << u"Cool 3D 浮動按鈕的模擬作法"_s << 1 << 1;
    QTest::newRow("simplified instead") << Technique << u"Cool 3D 浮动按钮的模拟作法"_s << 0 << 0;
    QTest::newRow("curly quotes") << Technique << u"用VB实现“ICQ”式的启动欢迎画面"_s << 1 << 21;
    QTest::newRow("straight quotes") << Technique << u"用VB实现\"ICQ\"式的启动欢迎画面"_s << 0 << 0;
    QTest::newRow("last of folder 2") << Technique << u"在VB中制作可滚动的图像显示"_s << 2 << 32;
    QTest::newRow("case differs") << Example << u"listView的API效果演示"_s << 0 << 0;
    QTest::newRow("trailing space") << Example << u"历史记录 "_s << 0 << 0;
    QTest::newRow("example title as technique") << Technique << u"网络五子棋"_s << 0 << 0;
    QTest::newRow("technique title as example") << Example << u"在VB中制作可滚动的图像显示"_s << 0 << 0;
}

void CatalogueTest::resolve()
{
    QFETCH(CatalogueKind, kind);
    QFETCH(QString, title);
    QFETCH(int, folder);
    QFETCH(int, file);
    QCOMPARE(where(Catalogue::resolve(kind, title)), folder ? where(kind, folder, file) : u"-"_s);
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
    QTemporaryDir dir;
    fixtures::Table wen{u"wen"_s, {u"id"_s, u"shiliname"_s}, {}};
    for (int i = 1; i <= count; ++i)
        wen.rows.append({QString::number(i), i == nullAt ? QString() : u"r%1"_s.arg(i)});
    QVERIFY(fixtures::writeDatabase(dir.filePath(u"shili.mdb"_s), {wen}));
    const auto db = common::Database::open(dir.filePath(u"shili.mdb"_s), common::Database::Access::ReadOnly);
    const auto records = db->openRecordset(u"wen"_s);

    // Each fill counts from the first record, wherever the recordset stands.
    if (count > 10)
        records->setAbsolutePosition(10);
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
    if (count > 0)
        records->moveLast();
    QCOMPARE(Catalogue::techniqueEntries(*records, folder), entries);
}

void CatalogueTest::readerPlacement_data()
{
    // Frames in screen coordinates; the reading window's frame is 692 x 471, the main window's
    // 755 x 574 with its title lists 225, 121 from its corner.
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("main");
    QTest::addColumn<QPoint>("expected");
    const QRect wide(0, 0, 2560, 1440), fullHd(0, 0, 1920, 1080);
    QTest::newRow("wide: right of the main window") << wide << QPoint(900, 400) << QPoint(1655, 400);
    QTest::newRow("no room on the right: left") << fullHd << QPoint(1160, 300) << QPoint(468, 300);
    QTest::newRow("beside, kept on the area") << fullHd << QPoint(1160, 900) << QPoint(468, 609);
    QTest::newRow("panel above the area") << QRect(0, 30, 1920, 1050) << QPoint(1160, 0) << QPoint(468, 30);
    QTest::newRow("centred on 1920: no room either side, lists left free") << fullHd << QPoint(582, 253)
                                                                           << QPoint(0, 253);
    QTest::newRow("narrow: least cover of the lists") << QRect(0, 0, 1024, 768) << QPoint(134, 97) << QPoint(0, 0);
    QTest::newRow("area smaller than the window: title bar on it") << QRect(0, 0, 640, 400) << QPoint(0, 0)
                                                                   << QPoint(0, 0);
}

void CatalogueTest::readerPlacement()
{
    QFETCH(QRect, available);
    QFETCH(QPoint, main);
    QFETCH(QPoint, expected);
    const QRect mainFrame(main, QSize(755, 574));
    const QRect lists(main + QPoint(225, 121), QSize(521, 385));
    const QPoint at = tamsel::readerPosition(available, mainFrame, QSize(692, 471), lists);
    QCOMPARE(at, expected);
    if (available.width() >= 692 && available.height() >= 471)
        QVERIFY(available.contains(QRect(at, QSize(692, 471))));
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
