#include "programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class ProgramFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void path_data();
    void path();
};

void ProgramFolderTest::path_data()
{
    QTest::addColumn<QStringList>("files"); // made under the folder
    QTest::addColumn<QString>("folderEnd"); // appended to the folder as given
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected"); // relative to the folder
    const QStringList both{u"vb.MDB"_s, u"VB.mdb"_s};
    const QStringList article{u"article/4/data9.txt"_s};
    QTest::newRow("exact name") << QStringList{u"vb.MDB"_s} << QString() << u"\\vb.MDB"_s << u"vb.MDB"_s;
    QTest::newRow("exact wins over a case variant") << both << QString() << u"\\vb.MDB"_s << u"vb.MDB"_s;
    QTest::newRow("exact wins, other spelling") << both << QString() << u"\\VB.mdb"_s << u"VB.mdb"_s;
    QTest::newRow("case-insensitive file") << QStringList{u"VB.mdb"_s} << QString() << u"\\vb.MDB"_s
                                           << u"VB.mdb"_s;
    QTest::newRow("case-insensitive pieces") << article << QString() << u"\\Article\\4\\DATA9.txt"_s
                                             << u"article/4/data9.txt"_s;
    QTest::newRow("missing file kept as written") << article << QString() << u"\\Article\\4\\Data8.TXT"_s
                                                  << u"article/4/Data8.TXT"_s;
    QTest::newRow("missing folder kept as written") << article << QString() << u"\\ARTICLE\\5\\Data9.txt"_s
                                                    << u"article/5/Data9.txt"_s;
    QTest::newRow("nothing there") << QStringList() << QString() << u"\\api.mdb"_s << u"api.mdb"_s;
    QTest::newRow("trailing slash on the folder") << QStringList{u"vb.mdb"_s} << u"/"_s << u"\\VB.MDB"_s
                                                  << u"vb.mdb"_s;
    QTest::newRow("trailing slashes on the folder") << QStringList() << u"//"_s << u"\\vb.MDB"_s
                                                    << u"vb.MDB"_s;
}

void ProgramFolderTest::path()
{
    QFETCH(QStringList, files);
    QFETCH(QString, folderEnd);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &file : files) {
        const QString full = dir.filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(full).path()));
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(common::ProgramFolder(dir.path() + folderEnd).path(suffix), dir.path() + u'/' + expected);
}

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "test_programfolder.moc"
