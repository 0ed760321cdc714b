#pragma once

#include <QWidget>

#include <array>
#include <memory>

class QButtonGroup;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace common {
class DataControl;
class ProgramFolder;
}

namespace quorvi {

class AnswerStore;
class QuestionCursor;

// The exam window: one question at a time, four answer buttons, stepping and the review list.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // Opens the question bank of `folder`, or the per-user copy of it, converting a Jet bank
    // first; throws common::Error when the bank or one of its tables or fields cannot be used,
    // or no place can take answers, before any answer is written.
    Form1(const common::ProgramFolder &folder, QWidget *parent = nullptr);
    ~Form1() override;

    // What the user must be told once about the bank chosen at start (a bank converted, copied
    // for this user, or renewed from a changed install).
    const QString &bankNotice() const { return m_bankNotice; }

    void DBCombo1_Click();
    void Option1_Click(int index);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load(const common::ProgramFolder &folder);
    void createControls();
    void connectHandlers();
    void openTables();
    void showCurrentQuestion();
    void selectAnswerButton(int index);

    QComboBox *m_combo = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QTreeWidget *m_review = nullptr;
    std::array<QRadioButton *, 4> m_options{};
    QButtonGroup *m_optionGroup = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command4 = nullptr;
    common::DataControl *m_data1 = nullptr;
    common::DataControl *m_data2 = nullptr;

    std::unique_ptr<QuestionCursor> m_cursor;
    std::unique_ptr<AnswerStore> m_answers;
    QString m_bankNotice;
};

} // namespace quorvi
