#include "application.h"
#include "bankfixture.h"
#include "error.h"
#include "exam/form1.h"
#include "programfolder.h"
#include "../common/widgetlayout.h"

#include <QAccessible>
#include <QApplication>
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

#include <optional>

using namespace Qt::StringLiterals;
using bankfixture::Damage;

// The window's wiring and its own rules (button states, what the answer buttons show, what is
// never written); the question cursor, the answer letters and the review rows are tested in
// test_examlogic, the record layer's handling of bad files in test_database.
class ExamWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void layout();
    void clicks_data();
    void clicks();
    void emptyTable();
    void startFailures_data();
    void startFailures();
    void saveFailure();
    void setBoxAndEditsNotWrittenBack();
    void keyboardAndScreenReader();

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
    QString state() const;
    QStringList reviewRows() const;
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_home; // the per-user data folder
    std::unique_ptr<quorvi::Form1> m_form;
};

void ExamWindowTest::init()
{
    m_form.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_home->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->path()));
}

void ExamWindowTest::openForm()
{
    m_form.reset();
    m_form = std::make_unique<quorvi::Form1>(common::ProgramFolder(m_dir->path()));
    m_form->show();
}

// The number of the question in the question box, 0 for any other text.
int ExamWindowTest::shownQuestion() const
{
    const QString text = shownText();
    for (int number = 1; number <= 500; ++number) {
        if (text == bankfixture::questionText(number).replace(u"\r\n"_s, u"\n"_s))
            return number;
    }
    return 0;
}

// The question shown, the selected answer buttons (- for none), and whether 上一题 and 下一题 are
// enabled (+) or not (-): "5B+-".
QString ExamWindowTest::state() const
{
    QString selected;
    for (int index = 0; index < 4; ++index) {
        if (option(index)->isChecked())
            selected += QChar(char16_t(u'A' + index));
    }
    return QString::number(shownQuestion()) + (selected.isEmpty() ? u"-"_s : selected)
        + (command(2)->isEnabled() ? u'+' : u'-') + (command(3)->isEnabled() ? u'+' : u'-');
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

// The window's controls as they stand after start: class, geometry in twips, state and caption,
// one line a control so that a failure names it; then the review list's columns.
void ExamWindowTest::layout()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3), {u"基础题"_s, u"第二套题"_s});
    openForm();
    const QString first = bankfixture::questionText(1).replace(u"\r\n"_s, u"\n"_s);
    const QList<widgetlayout::Row> rows{
        {"Form1", "quorvi::Form1", "", {0, 0, 10725, 7020}, "shown", u"Quorvi"_s},
        {"DBCombo1", "QComboBox", "Form1", {0, 0, 1575, 330}, "shown", u"基础题"_s},
        {"Text1", "QPlainTextEdit", "Form1", {0, 480, 7095, 5655}, "shown", first},
        {"ListView1", "QTreeWidget", "Form1", {7200, 480, 3495, 5775}, "shown", u"题号|用户答案|评阅"_s},
        {"Option1_0", "QRadioButton", "Form1", {240, 6240, 375, 255}, "shown", u"A"_s},
        {"Option1_1", "QRadioButton", "Form1", {1680, 6240, 375, 255}, "shown", u"B"_s},
        {"Option1_2", "QRadioButton", "Form1", {3240, 6240, 375, 255}, "shown", u"C"_s},
        {"Option1_3", "QRadioButton", "Form1", {4680, 6240, 375, 255}, "shown", u"D"_s},
        {"Command1", "QPushButton", "Form1", {120, 6600, 1335, 375}, "shown", u"查看答案"_s},
        {"Command2", "QPushButton", "Form1", {1680, 6600, 1335, 375}, "shown", u"上一题"_s},
        {"Command3", "QPushButton", "Form1", {3240, 6600, 1215, 375}, "shown", u"下一题"_s},
        {"Command4", "QPushButton", "Form1", {4680, 6600, 1215, 375}, "shown", u"退出"_s},
        {"Data1", "common::DataControl", "Form1", {7320, 6600, 1695, 375}, "hidden", QString()},
        {"Data2", "common::DataControl", "Form1", {9120, 6600, 1455, 375}, "hidden", QString()},
    };
    const auto line = [](const char *name, const char *className, const QString &parent, const QRect &geometry,
                         const QString &state, const QString &text) {
        return u"%1: %2 in %3 at %4,%5 %6x%7, %8, \"%9\""_s
            .arg(QString::fromLatin1(name), QString::fromLatin1(className), parent)
            .arg(geometry.x()).arg(geometry.y()).arg(geometry.width()).arg(geometry.height())
            .arg(state, text);
    };
    for (const widgetlayout::Row &row : rows) {
        QObject *control = widgetlayout::find(m_form.get(), QString::fromLatin1(row.name));
        QVERIFY2(control, row.name);
        const QRect &t = row.twips;
        QCOMPARE(line(row.name, control->metaObject()->className(), widgetlayout::parentName(control),
                      widgetlayout::geometry(control), widgetlayout::state(control), widgetlayout::text(control)),
                 line(row.name, row.className, QString::fromLatin1(row.parent),
                      common::twipsRect(t.x(), t.y(), t.width(), t.height()), QString::fromLatin1(row.state), row.text));
    }
    auto *review = child<QTreeWidget>(u"ListView1"_s);
    const QList<int> widths{review->columnWidth(0), review->columnWidth(1), review->columnWidth(2)};
    QCOMPARE(widths, (QList<int>{common::fromTwips(800), common::fromTwips(1000), common::fromTwips(800)}));
    QCOMPARE(review->headerItem()->data(2, Qt::UserRole).toString(), u"teacher"_s);
}

void ExamWindowTest::clicks_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QVariantList>("answers"); // in the file from an earlier run
    // n: 下一题, p: 上一题, r: 查看答案, A to D: answer buttons, x: another program stores C for question 1
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("review");
    QTest::addColumn<QString>("inFile"); // question 1's answer, read through a second connection

    const QVariantList none;
    const QStringList noReview;
    const QStringList unanswered{u"1||A"_s, u"2||B"_s};
    QTest::newRow("B then C") << 3 << none << "BC" << "1C++" << noReview << "C";
    QTest::newRow("the selected button again") << 3 << none << "BxB" << "1B++" << noReview << "B";
    QTest::newRow("A then D") << 3 << none << "AD" << "1D++" << noReview << "D";
    QTest::newRow("at the start") << 5 << QVariantList{u"C"_s} << "" << "1C++" << noReview << "C";
    QTest::newRow("back at the first") << 5 << none << "p" << "1--+" << noReview << "";
    QTest::newRow("forward to the last") << 5 << none << "nnnn" << "5-++" << noReview << "";
    QTest::newRow("forward beyond the last") << 5 << none << "nnnnn" << "5-+-" << noReview << "";
    QTest::newRow("back enables forward") << 5 << none << "nnnnnp" << "4-++" << noReview << "";
    QTest::newRow("forward enables back") << 5 << none << "pn" << "2-++" << noReview << "";
    QTest::newRow("two: one step") << 2 << none << "n" << "2-++" << noReview << "";
    QTest::newRow("two: second step") << 2 << none << "nn" << "2-+-" << noReview << "";
    QTest::newRow("one question") << 1 << none << "np" << "1---" << noReview << "";
    // The answer buttons show the current question's stored answer after every move.
    QTest::newRow("unanswered after answered") << 3 << QVariantList{u"B"_s} << "n" << "2-++" << noReview << "B";
    QTest::newRow("stored answer after a step")
        << 3 << QVariantList{u"B"_s, {}, u"D"_s} << "nn" << "3D++" << noReview << "B";
    QTest::newRow("chosen answer after coming back") << 3 << none << "nAnp" << "2A++" << noReview << "";
    QTest::newRow("another program's answer") << 3 << QVariantList{u"B"_s} << "nxp" << "1C++" << noReview << "C";
    // The review lists the first two questions and leaves the last one shown.
    QTest::newRow("review of five") << 5 << QVariantList{u"C"_s, {}, u"A"_s, u"B"_s, u"B"_s} << "Dnr" << "5B++"
                                    << QStringList{u"1|D|A"_s, u"2||B"_s} << "D";
    QTest::newRow("review of one") << 1 << QVariantList{u"B"_s} << "Dnr" << "1D+-" << QStringList{u"1|D|A"_s} << "D";
    QTest::newRow("review keeps the states") << 5 << none << "pr" << "5--+" << unanswered << "";
    QTest::newRow("forward after review") << 5 << none << "rn" << "5-+-" << unanswered << "";
}

void ExamWindowTest::clicks()
{
    QFETCH(int, count);
    QFETCH(QVariantList, answers);
    QFETCH(QString, clicks);
    QFETCH(QString, state);
    QFETCH(QStringList, review);
    QFETCH(QString, inFile);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count, answers));
    openForm();
    for (QChar c : clicks) {
        if (c >= u'A' && c <= u'D')
            click(option(c.unicode() - u'A'));
        else if (c == u'x')
            bankfixture::storeAnswer(bankPath(), 0, u"C"_s);
        else
            click(command(c == u'n' ? 3 : c == u'p' ? 2 : 1));
    }
    QCOMPARE(this->state(), state);
    QCOMPARE(reviewRows(), review);
    QCOMPARE(command(1)->isEnabled(), !clicks.contains(u'r'));
    QCOMPARE(bankfixture::storedAnswers(bankPath()).value(0).toString(), inFile);
}

void ExamWindowTest::emptyTable()
{
    bankfixture::writeBank(bankPath(), {});
    openForm();
    const QString sentence = shownText();
    QVERIFY(!sentence.isEmpty() && !sentence.contains(u'\n'));
    QCOMPARE(state(), u"0---"_s);
    for (int index = 0; index < 4; ++index)
        QVERIFY(!option(index)->isEnabled());
    click(command(1));
    QVERIFY(reviewRows().isEmpty());
    QCOMPARE(shownText(), sentence);
    QVERIFY(m_form->isVisible());
}

void ExamWindowTest::startFailures_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named");

    QTest::newRow("missing") << Damage::Missing << int(common::DatabaseNotFound) << "shiti.mdb";
    QTest::newRow("corrupt") << Damage::Corrupt << int(common::UnrecognizedFormat) << "shiti.mdb";
    QTest::newRow("no question table") << Damage::NoQuestionTable << int(common::TableNotFound) << "第一套题";
    QTest::newRow("no set table") << Damage::NoSetTable << int(common::TableNotFound) << "题库名";
    QTest::newRow("no answer field") << Damage::NoAnswerField << int(common::FieldNotFound) << "用户答案";
}

void ExamWindowTest::startFailures()
{
    QFETCH(Damage, damage);
    QFETCH(int, number);
    QFETCH(QString, named);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(2), bankfixture::defaultSets(), damage);
    const QByteArray before = bankfixture::fileBytes(bankPath());
    const QStringList entriesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    try {
        openForm();
        QFAIL("the window opened");
    } catch (const common::Error &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.text().contains(named), qPrintable(error.text()));
    }
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entriesBefore);
}

// An answer that cannot be saved is an untrapped error out of the click handler (the program
// shows it and ends); the bank is left exactly as it was. A bank that is read-only from the start
// is not this case: Quorvi then works on a per-user copy (test_examlogic).
void ExamWindowTest::saveFailure()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(2, {u"A"_s}));
    openForm();
    const QByteArray before = bankfixture::fileBytes(bankPath());
    std::optional<bankfixture::WriteLock> lock;
    lock.emplace(bankPath()); // another program in the middle of a save
    try {
        m_form->Option1_Click(1);
        QFAIL("the answer was saved");
    } catch (const common::Error &error) {
        QCOMPARE(error.number(), int(common::FileInUse));
        QVERIFY(error.text().contains(bankPath()));
    }
    lock.reset();
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
    QCOMPARE(bankfixture::storedAnswers(bankPath()), (QVariantList{u"A"_s, {}}));
}

// The set box shows the names of the set table, not the question table's name; neither a set
// picked there nor text typed into the question box reaches the file.
void ExamWindowTest::setBoxAndEditsNotWrittenBack()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3), {u"基础题"_s, u"第二套题"_s, u"第三套题"_s});
    const QByteArray before = bankfixture::fileBytes(bankPath());
    openForm();
    auto *sets = child<QComboBox>(u"DBCombo1"_s);
    QCOMPARE(sets->currentText(), u"基础题"_s);
    QCOMPARE(sets->count(), 3);

    auto *text = child<QPlainTextEdit>(u"Text1"_s);
    text->setFocus();
    QTest::keyClicks(text, u"edited"_s);
    QVERIFY(text->toPlainText().contains(u"edited"_s));
    sets->setCurrentIndex(2);
    click(command(3));
    click(command(2));
    QCOMPARE(shownQuestion(), 1);
    QCOMPARE(sets->currentText(), u"第三套题"_s); // picking a set switches nothing
    click(sets->lineEdit());
    QCOMPARE(sets->currentText(), u"基础题"_s); // a click shows the current set again
    click(command(4));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

// The window starts on the question (tab index 0) and Tab leaves it for the review list; the
// frame offers no minimise or maximise button; a screen reader finds a named frame, named boxes
// and answer buttons that say what they do.
void ExamWindowTest::keyboardAndScreenReader()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(2));
    openForm();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto *text = child<QPlainTextEdit>(u"Text1"_s);
    QCOMPARE(QApplication::focusWidget(), text);
    const QString question = text->toPlainText();
    QTest::keyClick(text, Qt::Key_Tab);
    QCOMPARE(text->toPlainText(), question);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(u"ListView1"_s));

    QVERIFY(!(m_form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    const auto accessible = [](QWidget *widget) { return QAccessible::queryAccessibleInterface(widget); };
    QCOMPARE(accessible(m_form.get())->role(), QAccessible::Window);
    QCOMPARE(accessible(m_form.get())->text(QAccessible::Name), u"Quorvi"_s);
    QCOMPARE(accessible(text)->text(QAccessible::Name), u"题目"_s);
    QCOMPARE(accessible(child<QWidget>(u"ListView1"_s))->text(QAccessible::Name), u"答案评阅列表"_s);
    for (int index = 0; index < 4; ++index) {
        QAccessibleInterface *button = accessible(option(index));
        const QString letter(QChar(char16_t(u'A' + index)));
        QCOMPARE(button->text(QAccessible::Name), letter);
        QCOMPARE(button->text(QAccessible::Description), u"选%1作为当前题目的答案"_s.arg(letter));
    }
}

// The program's own application object: its font, Qt's Chinese texts, its screen-reader roles.
int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    common::Application app(argc, argv, u"Quorvi"_s);
    ExamWindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_examwindow.moc"
