#include "processstarter.h"
#include "registry.h"
#include "sysinfo.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;
using tamsel::MemoryRegistry;
using tamsel::Registry;

namespace {

constexpr quint32 kMachine = Registry::kLocalMachine;
const QByteArray kFirstKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray kSecondKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

class FakeStarter : public common::ProcessStarter
{
public:
    bool start(const QString &program) override { return started.append(program), accepts; }

    bool accepts = true;
    QStringList started;
};

} // namespace

class SysInfoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getKeyValue_data();
    void getKeyValue();
    void launcher_data();
    void launcher();
};

void SysInfoTest::getKeyValue_data()
{
    // type 0: the value is missing; type 0 with no key: the key is missing too.
    QTest::addColumn<bool>("key");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("keyVal"); // as passed: "before"
    const uint text = Registry::kTypeText;
    const uint dword = Registry::kTypeDword;
    QTest::newRow("text with its zero") << true << text << "C:\\Tools\\si.exe\0"_ba << true << u"C:\\Tools\\si.exe"_s;
    QTest::newRow("text without zero") << true << text << "C:\\Tools\\si.exe"_ba << true << u"C:\\Tools\\si.exe"_s;
    QTest::newRow("code page 936 text") << true << text << "C:\\\xB9\xA4\xBE\xDF\0"_ba << true << u"C:\\工具"_s;
    QTest::newRow("DWORD 258") << true << dword << "\x02\x01\x00\x00"_ba << true << u"&h00000102"_s;
    QTest::newRow("DWORD upper-case digits") << true << dword << "\xFF\x00\xAB\x12"_ba << true << u"&h12AB00FF"_s;
    QTest::newRow("empty text") << true << text << QByteArray() << true << QString();
    QTest::newRow("binary") << true << 3u << "\x01\x00"_ba << true << u"before"_s;
    QTest::newRow("1024 bytes") << true << text << QByteArray(1023, 'x') + '\0' << true << QString(1023, u'x');
    QTest::newRow("1025 bytes") << true << text << QByteArray(1024, 'x') + '\0' << false << QString();
    QTest::newRow("missing value") << true << 0u << QByteArray() << false << QString();
    QTest::newRow("missing key") << false << 0u << QByteArray() << false << QString();
}

void SysInfoTest::getKeyValue()
{
    QFETCH(bool, key);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, result);
    QFETCH(QString, keyVal);
    MemoryRegistry registry;
    if (type)
        registry.setValue(kMachine, kFirstKey, "PATH", {type, data});
    else if (key)
        registry.addKey(kMachine, kFirstKey);
    QString value = u"before"_s;
    QCOMPARE(tamsel::GetKeyValue(registry, kMachine, QString::fromLatin1(kFirstKey), u"PATH"_s, value), result);
    QCOMPARE(value, keyVal);
    QCOMPARE(registry.openKeys(), 0);
}

void SysInfoTest::launcher_data()
{
    // firstType 0: the first key is absent. Only the joined file of the second location exists,
    // so a program from the first location starts only when started as it stands.
    QTest::addColumn<uint>("firstType");
    QTest::addColumn<QByteArray>("firstData");
    QTest::addColumn<int>("second"); // 0: key absent, 1: its folder without the file, 2: with the file
    QTest::addColumn<bool>("accepts"); // the starter starts what it is given
    QTest::addColumn<QString>("started"); // empty: nothing
    QTest::addColumn<QByteArrayList>("queried");
    const uint text = Registry::kTypeText;
    const QByteArray tool = "/usr/bin/no-such-tool\0"_ba;
    const QString toolPath = u"/usr/bin/no-such-tool"_s;
    const QString joined = u"/opt/msinfo"_s + QDir::separator() + u"MSINFO32.EXE"_s;
    const QByteArrayList first{"PATH"}, second{"MSINFO"};
    QTest::newRow("first location unchanged") << text << tool << 2 << true << toolPath << first;
    QTest::newRow("second location joined") << 0u << QByteArray() << 2 << true << joined << second;
    QTest::newRow("second location, no file") << 0u << QByteArray() << 1 << true << QString() << second;
    QTest::newRow("both absent") << 0u << QByteArray() << 0 << true << QString() << QByteArrayList();
    QTest::newRow("starter refuses") << text << tool << 2 << false << toolPath << first;
    QTest::newRow("first value empty") << text << QByteArray() << 2 << true << QString() << first;
    QTest::newRow("first value binary") << 3u << tool << 2 << true << QString() << first;
}

void SysInfoTest::launcher()
{
    QFETCH(uint, firstType);
    QFETCH(QByteArray, firstData);
    QFETCH(int, second);
    QFETCH(bool, accepts);
    QFETCH(QString, started);
    QFETCH(QByteArrayList, queried);
    MemoryRegistry registry;
    if (firstType)
        registry.setValue(kMachine, kFirstKey, "PATH", {firstType, firstData});
    if (second)
        registry.setValue(kMachine, kSecondKey, "MSINFO", {Registry::kTypeText, "/opt/msinfo\0"_ba});
    FakeStarter starter;
    starter.accepts = accepts;
    tamsel::SysInfoLauncher launcher(registry, starter, [second](const QString &file) {
        return second == 2 && file == u"/opt/msinfo"_s + QDir::separator() + u"MSINFO32.EXE"_s;
    });
    QCOMPARE(launcher.start(), accepts && !started.isEmpty());
    QCOMPARE(starter.started.join(u'|'), started);
    QCOMPARE(registry.queriedValues(), queried);
    QCOMPARE(registry.openKeys(), 0);
}

QTEST_GUILESS_MAIN(SysInfoTest)
#include "test_sysinfo.moc"
