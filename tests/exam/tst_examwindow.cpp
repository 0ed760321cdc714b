#include "bankfixture.h"
#include "error.h"
#include "form1.h"
#include "programfolder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using bankfixture::Damage;

namespace {

enum class Start { Missing, EmptyFile, RandomBytes, Truncated, Folder, NoQuestionTable, NoSetTable, NoAnswerField };

} // namespace

Q_DECLARE_METATYPE(Start)

class ExamWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void startState();
    void answerClicks_data();
    void answerClicks();
    void buttonsFollowStoredAnswer();
    void stepButtons_data();
    void stepButtons();
    void review_data();
    void review();
    void answerFromEarlierRunInReview();
    void emptyTable();
    void startFailures_data();
    void startFailures();
    void saveFailures_data();
    void saveFailures();
    void nothingWrittenBack();

private:
    QString bankPath() const { return m_dir->filePath(u"shiti.mdb"_s); }
    void openForm();
    template<typename T> T *child(const QString &name) const
    {
        T *widget = m_form->findChild<T *>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    QRadioButton *option(int index) const { return child<QRadioButton>(u"Option1_"_s + QString::number(index)); }
    QPushButton *command(int number) const { return child<QPushButton>(u"Command"_s + QString::number(number)); }
    QString shownText() const { return child<QPlainTextEdit>(u"Text1"_s)->toPlainText(); }
    int shownQuestion() const;
    int checkedOption() const;
    QStringList reviewRows() const;
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<quorvi::Form1> m_form;
};

void ExamWindowTest::init()
{
    m_form.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ExamWindowTest::openForm()
{
    m_form.reset();
    m_form = std::make_unique<quorvi::Form1>(common::ProgramFolder(m_dir->path()));
    m_form->show();
}

int ExamWindowTest::shownQuestion() const
{
    const QString text = shownText();
    for (int number = 1; number <= 500; ++number) {
        if (text == bankfixture::questionText(number).replace(u"\r\n"_s, u"\n"_s))
            return number;
    }
    return 0;
}

int ExamWindowTest::checkedOption() const
{
    int checked = -1;
    for (int index = 0; index < 4; ++index) {
        if (option(index)->isChecked()) {
            if (checked >= 0)
                return -2;
            checked = index;
        }
    }
    return checked;
}

QStringList ExamWindowTest::reviewRows() const
{
    auto *list = child<QTreeWidget>(u"ListView1"_s);
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        rows.append(item->text(0) + u'|' + item->text(1) + u'|' + item->text(2));
    }
    return rows;
}

void ExamWindowTest::startState()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3, {u"C"_s}),
                           {u"基础题"_s, u"第二套题"_s, u"第三套题"_s});
    openForm();
    QCOMPARE(shownQuestion(), 1);
    QCOMPARE(checkedOption(), 2);
    auto *sets = child<QComboBox>(u"DBCombo1"_s);
    QCOMPARE(sets->currentText(), u"基础题"_s);
    QCOMPARE(sets->count(), 3);
    QCOMPARE(sets->itemText(2), u"第三套题"_s);
    QVERIFY(reviewRows().isEmpty());
    for (int number = 1; number <= 4; ++number)
        QVERIFY(command(number)->isEnabled());
    QCOMPARE(m_form->size(), QSize(715, 468));
}

void ExamWindowTest::answerClicks_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("otherProgram"); // written by another program between the clicks
    QTest::addColumn<QString>("second");

    QTest::newRow("B then C") << "B" << "" << "C";
    QTest::newRow("the selected button again") << "B" << "D" << "B";
    QTest::newRow("A then D") << "A" << "" << "D";
}

void ExamWindowTest::answerClicks()
{
    QFETCH(QString, first);
    QFETCH(QString, otherProgram);
    QFETCH(QString, second);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(3));
    openForm();
    click(option(first[0].unicode() - u'A'));
    QCOMPARE(bankfixture::storedAnswers(bankPath()), (QVariantList{first, {}, {}}));
    if (!otherProgram.isEmpty())
        bankfixture::storeAnswer(bankPath(), 0, otherProgram);
    click(option(second[0].unicode() - u'A'));
    // Seen through a second connection while the window is still open.
    QCOMPARE(bankfixture::storedAnswers(bankPath()), (QVariantList{second, {}, {}}));
    QCOMPARE(checkedOption(), second[0].unicode() - u'A');
}

void ExamWindowTest::buttonsFollowStoredAnswer()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(4, {u"B"_s, {}, u"D"_s, u"x"_s}));
    openForm();
    QCOMPARE(checkedOption(), 1);
    click(command(3));
    QCOMPARE(checkedOption(), -1); // not the letter of the question before
    click(option(0));
    click(command(3));
    QCOMPARE(checkedOption(), 3);
    click(command(3));
    QCOMPARE(checkedOption(), -1);
    bankfixture::storeAnswer(bankPath(), 2, u"C"_s);
    click(command(2));
    QCOMPARE(checkedOption(), 2);
    click(command(2));
    QCOMPARE(checkedOption(), 0);
    click(command(1));
    QCOMPARE(shownQuestion(), 4);
    QCOMPARE(checkedOption(), -1);
}

void ExamWindowTest::stepButtons_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("clicks"); // n: 下一题, p: 上一题, r: 查看答案
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("previousEnabled");
    QTest::addColumn<bool>("nextEnabled");

    QTest::newRow("back at the first") << 5 << "p" << 1 << false << true;
    QTest::newRow("forward to the last") << 5 << "nnnn" << 5 << true << true;
    QTest::newRow("forward beyond the last") << 5 << "nnnnn" << 5 << true << false;
    QTest::newRow("back enables forward") << 5 << "nnnnnp" << 4 << true << true;
    QTest::newRow("forward enables back") << 5 << "pn" << 2 << true << true;
    QTest::newRow("two: one step") << 2 << "n" << 2 << true << true;
    QTest::newRow("two: second step") << 2 << "nn" << 2 << true << false;
    QTest::newRow("one question") << 1 << "np" << 1 << false << false;
    QTest::newRow("review keeps the states") << 5 << "pr" << 5 << false << true;
    QTest::newRow("forward after review") << 5 << "rn" << 5 << true << false;
}

void ExamWindowTest::stepButtons()
{
    QFETCH(int, count);
    QFETCH(QString, clicks);
    QFETCH(int, shown);
    QFETCH(bool, previousEnabled);
    QFETCH(bool, nextEnabled);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count));
    openForm();
    for (QChar c : clicks)
        click(command(c == u'n' ? 3 : c == u'p' ? 2 : 1));
    QCOMPARE(shownQuestion(), shown);
    QCOMPARE(command(2)->isEnabled(), previousEnabled);
    QCOMPARE(command(3)->isEnabled(), nextEnabled);
}

void ExamWindowTest::review_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QVariantList>("answers");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("checked"); // the answer button shown afterwards, for the last question

    QTest::newRow("five questions") << 5 << QVariantList{u"C"_s, {}, u"A"_s, u"B"_s, u"D"_s}
                                    << QStringList{u"1|C|A"_s, u"2||B"_s} << 3;
    QTest::newRow("two questions") << 2 << QVariantList{{}, u"D"_s} << QStringList{u"1||A"_s, u"2|D|B"_s} << 3;
    QTest::newRow("one question") << 1 << QVariantList{u"B"_s} << QStringList{u"1|B|A"_s} << 1;
}

void ExamWindowTest::review()
{
    QFETCH(int, count);
    QFETCH(QVariantList, answers);
    QFETCH(QStringList, rows);
    QFETCH(int, checked);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count, answers));
    openForm();
    click(command(3));
    click(command(1));
    QCOMPARE(reviewRows(), rows);
    QVERIFY(!command(1)->isEnabled());
    QCOMPARE(shownQuestion(), count);
    QCOMPARE(checkedOption(), checked);
}

void ExamWindowTest::answerFromEarlierRunInReview()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3));
    openForm();
    click(option(1));
    click(option(3));
    click(command(3));
    click(option(0));
    click(command(4));
    QVERIFY(!m_form->isVisible());

    openForm();
    QCOMPARE(checkedOption(), 3);
    click(command(1));
    QCOMPARE(reviewRows(), (QStringList{u"1|D|A"_s, u"2|A|B"_s}));
}

void ExamWindowTest::emptyTable()
{
    bankfixture::writeBank(bankPath(), {});
    openForm();
    const QString sentence = shownText();
    QVERIFY(!sentence.isEmpty());
    QVERIFY(!sentence.contains(u'\n'));
    for (int index = 0; index < 4; ++index)
        QVERIFY(!option(index)->isEnabled());
    QVERIFY(!command(2)->isEnabled());
    QVERIFY(!command(3)->isEnabled());
    click(command(1));
    QVERIFY(reviewRows().isEmpty());
    QVERIFY(!command(1)->isEnabled());
    QCOMPARE(shownText(), sentence);
    QVERIFY(command(4)->isEnabled());
    QVERIFY(m_form->isVisible());
}

void ExamWindowTest::startFailures_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named");

    QTest::newRow("missing") << Start::Missing << int(common::DatabaseNotFound) << "shiti.mdb";
    QTest::newRow("empty file") << Start::EmptyFile << int(common::UnrecognizedFormat) << "shiti.mdb";
    QTest::newRow("random bytes") << Start::RandomBytes << int(common::UnrecognizedFormat) << "shiti.mdb";
    QTest::newRow("truncated") << Start::Truncated << int(common::UnrecognizedFormat) << "shiti.mdb";
    QTest::newRow("a folder") << Start::Folder << int(common::UnrecognizedFormat) << "shiti.mdb";
    QTest::newRow("no question table") << Start::NoQuestionTable << int(common::TableNotFound) << "第一套题";
    QTest::newRow("no set table") << Start::NoSetTable << int(common::TableNotFound) << "题库名";
    QTest::newRow("no answer field") << Start::NoAnswerField << int(common::FieldNotFound) << "用户答案";
}

void ExamWindowTest::startFailures()
{
    QFETCH(Start, start);
    QFETCH(int, number);
    QFETCH(QString, named);

    const QString path = bankPath();
    switch (start) {
    case Start::Missing:
        break;
    case Start::EmptyFile:
    case Start::RandomBytes: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (start == Start::RandomBytes) {
            QByteArray bytes(8192, '\0');
            for (qsizetype i = 0; i < bytes.size(); ++i)
                bytes[i] = char((i * 7919 + 13) % 251);
            file.write(bytes);
        }
        break;
    }
    case Start::Truncated: {
        bankfixture::writeBank(path, bankfixture::numbered(200));
        const QByteArray whole = bankfixture::fileBytes(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(whole.left(whole.size() / 3));
        break;
    }
    case Start::Folder:
        QVERIFY(QDir(m_dir->path()).mkdir(u"shiti.mdb"_s));
        break;
    case Start::NoQuestionTable:
        bankfixture::writeBank(path, bankfixture::numbered(2), bankfixture::defaultSets(), Damage::NoQuestionTable);
        break;
    case Start::NoSetTable:
        bankfixture::writeBank(path, bankfixture::numbered(2), bankfixture::defaultSets(), Damage::NoSetTable);
        break;
    case Start::NoAnswerField:
        bankfixture::writeBank(path, bankfixture::numbered(2), bankfixture::defaultSets(), Damage::NoAnswerField);
        break;
    }
    const QByteArray before = bankfixture::fileBytes(path);
    const QStringList entriesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    try {
        openForm();
        QFAIL("the window opened");
    } catch (const common::Error &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.text().contains(named), qPrintable(error.text()));
    }
    QCOMPARE(bankfixture::fileBytes(path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entriesBefore);
}

void ExamWindowTest::saveFailures_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("number");

    QTest::newRow("read-only file") << true << int(common::CannotOpenFile);
    QTest::newRow("lock held by another program") << false << int(common::FileInUse);
}

void ExamWindowTest::saveFailures()
{
    QFETCH(bool, readOnly);
    QFETCH(int, number);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(2, {u"A"_s}));
    if (readOnly)
        QVERIFY(QFile::setPermissions(bankPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    openForm();
    const QByteArray before = bankfixture::fileBytes(bankPath());
    {
        std::unique_ptr<bankfixture::WriteLock> lock;
        if (!readOnly)
            lock = std::make_unique<bankfixture::WriteLock>(bankPath());
        try {
            m_form->Option1_Click(1);
            QFAIL("the answer was saved");
        } catch (const common::Error &error) {
            QCOMPARE(error.number(), number);
            QVERIFY(error.text().contains(bankPath()));
        }
    }
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
    QCOMPARE(bankfixture::storedAnswers(bankPath()), (QVariantList{u"A"_s, {}}));
}

void ExamWindowTest::nothingWrittenBack()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3));
    const QByteArray before = bankfixture::fileBytes(bankPath());
    openForm();

    auto *text = child<QPlainTextEdit>(u"Text1"_s);
    text->setFocus();
    QTest::keyClicks(text, u"edited"_s);
    QVERIFY(text->toPlainText().contains(u"edited"_s));
    auto *sets = child<QComboBox>(u"DBCombo1"_s);
    sets->setCurrentIndex(2);
    QCOMPARE(sets->currentText(), u"第三套题"_s);
    click(command(3));
    click(command(2));
    QCOMPARE(shownQuestion(), 1);
    QCOMPARE(sets->currentText(), u"第三套题"_s); // picking a set switches nothing
    click(sets->lineEdit());
    QCOMPARE(sets->currentText(), u"第一套题"_s); // a click shows the current set again
    click(command(4));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

QTEST_MAIN(ExamWindowTest)
#include "tst_examwindow.moc"
