#include "form1.h"

#include "answerreview.h"
#include "answerstore.h"
#include "banklocation.h"
#include "datacontrol.h"
#include "error.h"
#include "programfolder.h"
#include "questionbank.h"
#include "questioncursor.h"
#include "textbox.h"
#include "twips.h"
#include "windowframe.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace quorvi {

using namespace Qt::StringLiterals;

namespace {

QString emptyTableText()
{
    return QStringLiteral("这套题里还没有题目。");
}

} // namespace

Form1::Form1(const common::ProgramFolder &folder, QWidget *parent)
    : QWidget(parent)
{
    createControls();
    connectHandlers();
    Form_Load(folder);
    // Opened before the window is first shown, so that a bank that cannot be used ends the
    // program without an empty window flashing up.
    openTables();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Quorvi"_s);
    setFixedSize(common::twipsSize(10725, 7020));

    m_combo = new QComboBox(this);
    m_combo->setObjectName(u"DBCombo1"_s);
    m_combo->setGeometry(common::twipsRect(0, 0, 1575, 330));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setEditText(QuestionBank::questionTable());

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(u"Text1"_s);
    m_text->setGeometry(common::twipsRect(0, 480, 7095, 5655));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    common::makeTextBox(m_text);

    m_review = new QTreeWidget(this);
    m_review->setObjectName(u"ListView1"_s);
    m_review->setGeometry(common::twipsRect(7200, 480, 3495, 5775));
    m_review->setRootIsDecorated(false);
    m_review->setItemsExpandable(false);
    m_review->setSortingEnabled(false);
    m_review->setHeaderLabels({QStringLiteral("题号"), QStringLiteral("用户答案"), QStringLiteral("评阅")});
    m_review->headerItem()->setData(2, Qt::UserRole, u"teacher"_s);
    m_review->header()->setStretchLastSection(false);
    m_review->setColumnWidth(0, common::fromTwips(800));
    m_review->setColumnWidth(1, common::fromTwips(1000));
    m_review->setColumnWidth(2, common::fromTwips(800));

    m_optionGroup = new QButtonGroup(this);
    const std::array<int, AnswerStore::ButtonCount> lefts{240, 1680, 3240, 4680};
    for (int index = 0; index < AnswerStore::ButtonCount; ++index) {
        auto *option = new QRadioButton(AnswerStore::letter(index), this);
        option->setObjectName(u"Option1_"_s + QString::number(index));
        option->setGeometry(common::twipsRect(lefts[index], 6240, 375, 255));
        // The designed 25-pixel width holds the indicator and the letter only when they sit close.
        option->setStyleSheet(u"QRadioButton { spacing: 2px; }"_s);
        option->setAccessibleDescription(QStringLiteral("选%1作为当前题目的答案").arg(AnswerStore::letter(index)));
        m_optionGroup->addButton(option, index);
        m_options[index] = option;
    }

    const auto button = [this](const QString &name, const QString &caption, QRect geometry) {
        auto *command = new QPushButton(caption, this);
        command->setObjectName(name);
        command->setGeometry(geometry);
        command->setAutoDefault(false);
        return command;
    };
    m_command1 = button(u"Command1"_s, QStringLiteral("查看答案"), common::twipsRect(120, 6600, 1335, 375));
    m_command2 = button(u"Command2"_s, QStringLiteral("上一题"), common::twipsRect(1680, 6600, 1335, 375));
    m_command3 = button(u"Command3"_s, QStringLiteral("下一题"), common::twipsRect(3240, 6600, 1215, 375));
    m_command4 = button(u"Command4"_s, QStringLiteral("退出"), common::twipsRect(4680, 6600, 1215, 375));

    m_data1 = new common::DataControl(u"Data1"_s, this);
    m_data1->setGeometry(common::twipsRect(7320, 6600, 1695, 375));
    m_data1->setRecordSource(QuestionBank::questionTable());
    m_data2 = new common::DataControl(u"Data2"_s, this);
    m_data2->setGeometry(common::twipsRect(9120, 6600, 1455, 375));
    m_data2->setRecordSource(QuestionBank::setTable());

    const QList<QWidget *> tabOrder{m_text,       m_review,     m_command1,   m_command2,
                                    m_command3,   m_command4,   m_options[0], m_options[1],
                                    m_options[2], m_options[3], m_combo};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_text->setFocus();

    m_combo->setAccessibleName(QStringLiteral("题库名"));
    m_text->setAccessibleName(QStringLiteral("题目"));
    m_review->setAccessibleName(QStringLiteral("答案评阅列表"));
}

void Form1::connectHandlers()
{
    m_combo->installEventFilter(this);
    m_combo->lineEdit()->installEventFilter(this);
    // Clicks, not changes of state: choosing the button that is already selected stores again.
    connect(m_optionGroup, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
}

void Form1::Form_Load(const common::ProgramFolder &folder)
{
    setWindowFlags(Qt::Window | common::kFixedFrame);
    common::centreByFrame(this);

    // The bank the user may write: the program folder's own, or the per-user copy of it.
    const BankChoice bank = BankLocation(QuestionBank::path(folder), BankLocation::defaultUserDir()).choose();
    m_bankNotice = bank.notice;
    m_data1->setDatabaseName(bank.path);
    m_data2->setDatabaseName(bank.path);
}

void Form1::openTables()
{
    m_data1->refresh(common::Database::Access::ReadWrite);
    // The set names are only ever shown, so their table is opened for reading.
    m_data2->refresh(common::Database::Access::ReadOnly);
    QuestionBank::checkQuestionTable(*m_data1->recordset());
    QuestionBank::checkSetTable(*m_data2->recordset());

    m_cursor = std::make_unique<QuestionCursor>(*m_data1->recordset());
    m_answers = std::make_unique<AnswerStore>(*m_data1->recordset());

    const common::Recordset &sets = *m_data2->recordset();
    m_combo->addItems(QuestionBank::setNames(sets));
    if (sets.hasCurrent())
        m_combo->setEditText(QuestionBank::currentSetName(sets));

    if (m_cursor->isEmpty()) {
        for (QRadioButton *option : m_options)
            option->setEnabled(false);
        m_command2->setEnabled(false);
        m_command3->setEnabled(false);
    }
    showCurrentQuestion();
}

void Form1::showCurrentQuestion()
{
    if (m_cursor->isEmpty()) {
        m_text->setPlainText(emptyTableText());
        selectAnswerButton(-1);
        return;
    }
    common::setBoxText(m_text, m_cursor->questionText());
    selectAnswerButton(m_answers->storedButton());
}

void Form1::selectAnswerButton(int index)
{
    if (index >= 0) {
        m_options[index]->setChecked(true);
        return;
    }
    // An exclusive group never lets its checked button go; lift that for a moment.
    m_optionGroup->setExclusive(false);
    for (QRadioButton *option : m_options)
        option->setChecked(false);
    m_optionGroup->setExclusive(true);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress
        && (watched == m_combo || watched == m_combo->lineEdit()))
        DBCombo1_Click();
    return QWidget::eventFilter(watched, event);
}

void Form1::DBCombo1_Click()
{
    const common::Recordset *sets = m_data2->recordset();
    if (sets && sets->hasCurrent())
        m_combo->setEditText(QuestionBank::currentSetName(*sets));
}

void Form1::Option1_Click(int index)
{
    // An answer that cannot be saved is an untrapped error: it is shown and ends Quorvi, and the
    // single-statement save leaves the bank exactly as it was.
    m_answers->store(index);
}

void Form1::Command1_Click()
{
    m_command1->setEnabled(false);
    for (const ReviewRow &row : AnswerReview::collect(*m_cursor)) {
        auto *item = new QTreeWidgetItem(m_review);
        item->setText(0, row.number);
        item->setText(1, row.userAnswer);
        item->setText(2, row.standardAnswer);
    }
    if (!m_cursor->isEmpty())
        showCurrentQuestion();
}

void Form1::Command2_Click()
{
    if (m_cursor->previous())
        m_command3->setEnabled(true);
    else
        m_command2->setEnabled(false);
    showCurrentQuestion();
}

void Form1::Command3_Click()
{
    if (m_cursor->next())
        m_command2->setEnabled(true);
    else
        m_command3->setEnabled(false);
    showCurrentQuestion();
}

void Form1::Command4_Click()
{
    // Every answer was saved when it was chosen; nothing is left to do.
    close();
}

} // namespace quorvi
