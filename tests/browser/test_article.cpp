#include "articlereader.h"
#include "error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

class ArticleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void articleText_data();
    void articleText();
    void readArticle_data();
    void readArticle();
    void readInPieces_data();
    void readInPieces();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void ArticleTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ArticleTest::articleText_data()
{
    // Line ends and decoding on their own are tested with the line reader and the codec.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF after each line") << "A\r\nB\r\n"_ba << u"A\r\nB\r\n"_s;
    QTest::newRow("no final line end") << "A\r\nB"_ba << u"A\r\nB\r\n"_s;
    QTest::newRow("CR alone") << "A\rB\r"_ba << u"A\r\nB\r\n"_s;
    QTest::newRow("lone LF stays in its line") << "A\nB\n"_ba << u"A\nB\n\r\n"_s;
    QTest::newRow("LF before CR") << "A\n\rB"_ba << u"A\n\r\nB\r\n"_s;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("one empty line") << "\r\n"_ba << u"\r\n"_s;
    QTest::newRow("code page 936") << "\xD6\xD0\xCE\xC4\r\n\xB4\xB0\xCC\xE5"_ba << u"中文\r\n窗体\r\n"_s;
    QTest::newRow("lead byte before CR LF") << "A\x81\r\nB\r\n"_ba << u"A\uFFFD\r\nB\r\n"_s;
    QTest::newRow("lead byte before CR") << "\xD6\xD0\xD6\rB"_ba << u"中\uFFFD\r\nB\r\n"_s;
    QTest::newRow("long line") << QByteArray(200000, 'x') << QString(200000, u'x') + u"\r\n"_s;
}

void ArticleTest::articleText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(tamsel::articleText(bytes), text);
}

void ArticleTest::readArticle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // 0: read
    QTest::newRow("file") << u"data1.txt"_s << 0;
    QTest::newRow("missing file") << u"data2.txt"_s << 53;
    QTest::newRow("folder") << u"folder"_s << 53;
    QTest::newRow("unreadable file") << u"locked.txt"_s << 3051;
#ifdef Q_OS_UNIX
    QTest::newRow("pipe that no one writes to") << u"pipe"_s << 3051;
#endif
}

void ArticleTest::readArticle()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (name == u"folder") {
        QVERIFY(QDir(m_dir->path()).mkdir(name));
#ifdef Q_OS_UNIX
    } else if (name == u"pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    } else if (number != 53) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A\nB\r\xB4\xB0\xCC\xE5");
        file.close();
    }
    if (number == 3051 && name != u"pipe") {
#ifdef Q_OS_WIN
        QSKIP("Windows files have access lists, not permission bits");
#endif
        QVERIFY(file.setPermissions({}));
        if (file.open(QIODevice::ReadOnly))
            QSKIP("The superuser reads any file");
    }
    try {
        QCOMPARE(tamsel::readArticle(path), u"A\nB\r\n窗体\r\n"_s);
        QCOMPARE(number, 0);
    } catch (const common::Error &e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.text().contains(path), qUtf8Printable(e.text()));
    }
}

void ArticleTest::readInPieces_data()
{
    // Read in pieces of every size from one byte up, each file must give the whole-file text:
    // lines, CR LF pairs and double-byte characters fall across piece boundaries at every place.
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF lines") << "AB\r\nCD\r\n\r\nE"_ba;
    QTest::newRow("CR alone, LF alone") << "A\rB\nC\r\rD\n\r"_ba;
    QTest::newRow("double-byte characters") << "\xD6\xD0\xCE\xC4\r\n\xB4\xB0\xCC\xE5\x80"_ba;
    QTest::newRow("lone lead bytes") << "\xD6\xD0\xD6\rB\x81\r\nC\xD6"_ba;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one empty line") << "\r"_ba;
    QByteArray longLine;
    for (int i = 0; i < 700; ++i)
        longLine += i % 7 ? "\xD6\xD0"_ba : "VB"_ba;
    QTest::newRow("long line and short lines") << longLine + "\r\nA\rB\r\n"_ba + longLine;
}

void ArticleTest::readInPieces()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir->filePath(u"article.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QString whole = tamsel::articleText(bytes);
    for (qsizetype size : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 64, 1000, 65536}) {
        tamsel::ArticleFile article(path);
        QString text;
        while (!article.atEnd())
            text += article.readPiece(size);
        QVERIFY2(text == whole, qPrintable(u"pieces of %1 bytes"_s.arg(size)));
    }
}

QTEST_GUILESS_MAIN(ArticleTest)
#include "test_article.moc"
