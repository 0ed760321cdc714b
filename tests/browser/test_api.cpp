#include "apireference.h"
#include "database.h"
#include "fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using tamsel::ApiFunctionText;

namespace {

constexpr int kNoSelection = -1;
constexpr int kUnknownBookmark = -2;

// "winfun" has five rows; row r holds "说明r", "返回r", "其它r" except row 2, which holds no values
// at all. "funclass" has one row fewer, and its row 2 holds no declaration.
QStringList textOfRow(int row)
{
    if (row == 2)
        return {QString(), QString(), QString()};
    return {u"说明%1"_s.arg(row), u"返回%1"_s.arg(row), u"其它%1"_s.arg(row)};
}

} // namespace

class ApiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void compose_data();
    void compose();
    void pairing_data();
    void pairing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void ApiTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"api.mdb"_s);
    fixtures::Table winfun{u"winfun"_s, {u"函数"_s, u"说明"_s, u"返回值"_s, u"其它"_s}, {}};
    for (int r = 0; r < 5; ++r)
        winfun.rows.append(QStringList{u"Function%1"_s.arg(r)} + textOfRow(r));
    // The declarations name other functions than their rows: only the position pairs them.
    const fixtures::Table funclass{u"funclass"_s, {u"fullname"_s},
        {{u"Declare Function Zeta"_s}, {u"Declare Function Alpha"_s}, {QString()}, {u"Declare Sub Beta"_s}}};
    QVERIFY(fixtures::writeDatabase(m_path, {funclass, winfun}));
}

void ApiTest::compose_data()
{
    QTest::addColumn<bool>("hasDeclaration");
    QTest::addColumn<QString>("declaration");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("text"); // null: no text
    QTest::newRow("full row") << true << u"DECL"_s << QStringList{u"D"_s, u"R"_s, u"N"_s}
                              << u"【VB声明】\r\n\r\nDECL\r\n\r\n【说明】\r\nD\r\n\r\n【返回值】\r\nR\r\nN"_s;
    QTest::newRow("empty values") << true << u"DECL"_s << QStringList{QString(), QString(), QString()}
                                  << u"【VB声明】\r\n\r\nDECL\r\n\r\n【说明】\r\n\r\n\r\n【返回值】\r\n\r\n"_s;
    QTest::newRow("empty declaration") << true << QString() << QStringList{u"D"_s, u"R"_s, u"N"_s}
                                       << u"【VB声明】\r\n\r\n\r\n\r\n【说明】\r\nD\r\n\r\n【返回值】\r\nR\r\nN"_s;
    QTest::newRow("null declaration") << false << QString() << QStringList{u"D"_s, u"R"_s, u"N"_s} << QString();
}

void ApiTest::compose()
{
    QFETCH(bool, hasDeclaration);
    QFETCH(QString, declaration);
    QFETCH(QStringList, values);
    QFETCH(QString, text);
    const auto composed = tamsel::composeApiDetails(
        hasDeclaration ? std::optional(declaration) : std::nullopt, {values[0], values[1], values[2]});
    QCOMPARE(composed.has_value(), hasDeclaration);
    if (composed)
        QCOMPARE(*composed, text);
}

void ApiTest::pairing_data()
{
    // Clicks: a "winfun" position, or no selection, or a bookmark of no row.
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("row");             // "winfun" row current afterwards
    QTest::addColumn<QString>("declaration"); // empty: none
    QTest::newRow("first row") << QList<int>{0} << 0 << u"Declare Function Zeta"_s;
    QTest::newRow("row 3") << QList<int>{3} << 3 << u"Declare Sub Beta"_s;
    QTest::newRow("back to row 1 after row 3") << QList<int>{3, 1} << 1 << u"Declare Function Alpha"_s;
    QTest::newRow("no selection before any click") << QList<int>{kNoSelection} << 0 << u"Declare Function Zeta"_s;
    QTest::newRow("no selection keeps the row") << QList<int>{3, kNoSelection} << 3 << u"Declare Sub Beta"_s;
    QTest::newRow("unknown bookmark keeps the row")
        << QList<int>{1, kUnknownBookmark} << 1 << u"Declare Function Alpha"_s;
    QTest::newRow("null declaration") << QList<int>{2} << 2 << QString();
    QTest::newRow("beyond the last declaration") << QList<int>{4} << 4 << QString();
    QTest::newRow("first row after beyond the end") << QList<int>{4, 0} << 0 << u"Declare Function Zeta"_s;
}

void ApiTest::pairing()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, row);
    QFETCH(QString, declaration);
    // The reference outlives the database object, and is the only holder of the declarations.
    std::shared_ptr<common::Recordset> functions;
    std::optional<tamsel::ApiReference> api;
    {
        const auto db = common::Database::open(m_path, common::Database::Access::ReadOnly);
        functions = db->openRecordset(u"winfun"_s);
        api.emplace(functions, db->openRecordset(u"funclass"_s));
    }
    ApiFunctionText text;
    std::optional<QString> paired;
    for (int click : clicks) {
        std::optional<qint64> bookmark;
        if (click >= 0)
            bookmark = functions->bookmarks().at(click);
        else if (click == kUnknownBookmark)
            bookmark = functions->bookmarks().last() + 100;
        text = api->select(bookmark);
        paired = api->pairedDeclaration();
    }
    QCOMPARE(functions->absolutePosition(), row);
    QCOMPARE((QStringList{text.description, text.returnValue, text.notes}), textOfRow(row));
    QCOMPARE(paired.value_or(QString()), declaration);
    QCOMPARE(paired.has_value(), !declaration.isEmpty());
}

QTEST_GUILESS_MAIN(ApiTest)
#include "test_api.moc"
