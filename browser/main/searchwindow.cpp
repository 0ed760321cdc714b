#include "searchwindow.h"


#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QAbstractTableModel>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tamsel {

namespace {

constexpr int kMatchStartRole = Qt::UserRole;
constexpr int kMatchLengthRole = Qt::UserRole + 1;
// Files that could not be read named in the window; the rest are counted.
constexpr qsizetype kProblemsShown = 3;

const QString kHistoryKey = u"search/history"_s;

QSettings userSettings()
{
    // The user's own settings: the program folder is only ever read.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Tamsel"_s, u"Tamsel"_s);
}

// Paints a result's cells: each text laid out once and clipped to its cell, the context with its
// match in bold. A list refilled at every keystroke is painted anew each time, so this is kept lean.
class ResultDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        QTextLayout layout(text, opt.font, painter->device());
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(textOption);
        const QVariant start = index.data(kMatchStartRole);
        if (start.isValid()) {
            QTextLayout::FormatRange match;
            match.start = int(std::clamp<qsizetype>(start.toLongLong(), 0, text.size()));
            match.length = int(std::clamp<qsizetype>(index.data(kMatchLengthRole).toLongLong(), 0, text.size() - match.start));
            match.format.setFontWeight(QFont::Bold);
            layout.setFormats({match});
        }
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        if (!line.isValid())
            return;
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        painter->save();
        painter->setClipRect(area);
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter, QPointF(area.left(), area.top() + (area.height() - line.height()) / 2));
        painter->restore();
    }
};

} // namespace

// The results as rows of kind, title and context; a row's context is made when it is first shown.
class SearchResultModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(std::shared_ptr<const SearchContent> content, QList<SearchHit> hits)
    {
        beginResetModel();
        m_content = std::move(content);
        m_hits = std::move(hits);
        m_contexts.clear();
        endResetModel();
    }
    const SearchEntry *entry(int row) const
    {
        return row >= 0 && row < rowCount() ? &m_content->entries[m_hits[row].entry] : nullptr;
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(std::min(m_hits.size(), SearchWindow::kListed));
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString headings[] = {u"类别"_s, u"标题"_s, u"上下文"_s};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 3)
            return headings[section];
        return QVariant();
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const SearchEntry *found = entry(index.row());
        if (!found)
            return QVariant();
        if (index.column() < 2) {
            if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == 1))
                return index.column() == 0 ? searchKindName(found->kind) : found->title;
            return QVariant();
        }
        const TextContext &context = contextOf(index.row());
        switch (role) {
        case Qt::DisplayRole: return context.text;
        case kMatchStartRole: return context.start;
        case kMatchLengthRole: return context.length;
        default: return QVariant();
        }
    }

private:
    const TextContext &contextOf(int row) const
    {
        auto found = m_contexts.find(row);
        if (found == m_contexts.end()) {
            const SearchHit &hit = m_hits[row];
            const SearchEntry &entry = m_content->entries[hit.entry];
            found = m_contexts.insert(row, contextAround(hit.firstInTitle ? entry.title : entry.body, hit.first));
        }
        return *found;
    }

    std::shared_ptr<const SearchContent> m_content;
    QList<SearchHit> m_hits;
    mutable QHash<int, TextContext> m_contexts;
};

namespace {

QString countText(const SearchResults &results)
{
    if (results.hits.isEmpty())
        return u"未找到"_s;
    QStringList parts;
    for (int kind = 0; kind < kSearchKinds; ++kind)
        parts.append(u"%1 %2 条"_s.arg(searchKindName(SearchKind(kind))).arg(results.perKind[kind]));
    QString text = u"共找到 %1 条：%2"_s.arg(results.hits.size()).arg(parts.join(u"，"_s));
    if (results.hits.size() > SearchWindow::kListed)
        text += u"；显示前 %1 条"_s.arg(SearchWindow::kListed);
    return text;
}

} // namespace

SearchWindow::SearchWindow(common::ProgramFolder folder, QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_engine(std::move(folder))
    , m_queryBox(new QComboBox(this))
    , m_countLine(new QLabel(this))
    , m_problems(new QLabel(this))
    , m_results(new QTreeView(this))
    , m_model(new SearchResultModel(this))
{
    setObjectName(u"SearchWindow"_s);
    setWindowTitle(u"查找"_s);
    setAccessibleName(u"查找"_s);
    resize(600, 440);

    auto *label = new QLabel(u"查找内容(&N)："_s, this);
    label->setBuddy(m_queryBox);
    m_queryBox->setObjectName(u"queryBox"_s);
    m_queryBox->setEditable(true);
    m_queryBox->setInsertPolicy(QComboBox::NoInsert);
    // Earlier searches are offered in the drop-down only: completing what is typed from them would
    // search for something else than what the user typed.
    m_queryBox->setCompleter(nullptr);
    m_queryBox->setMaxCount(kHistorySize + 1);
    m_queryBox->setAccessibleName(u"查找内容"_s);
    m_queryBox->lineEdit()->setPlaceholderText(u"输入要查找的文字，如 注册表、SendMessage"_s);
    m_queryBox->installEventFilter(this);
    m_queryBox->lineEdit()->installEventFilter(this);

    m_countLine->setObjectName(u"countLine"_s);
    m_countLine->setAccessibleName(u"查找结果统计"_s);
    m_countLine->setFocusPolicy(Qt::StrongFocus);
    m_countLine->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_problems->setObjectName(u"problemLine"_s);
    m_problems->setAccessibleName(u"无法读取的文件"_s);
    m_problems->setWordWrap(true);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->hide();

    m_results->setObjectName(u"resultList"_s);
    m_results->setAccessibleName(u"查找结果"_s);
    m_results->setModel(m_model);
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setAllColumnsShowFocus(true);
    m_results->setItemDelegate(new ResultDelegate(m_results));
    m_results->header()->resizeSection(0, 48);
    m_results->header()->resizeSection(1, 200);
    m_results->header()->setStretchLastSection(true);
    m_results->installEventFilter(this);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_queryBox, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_countLine);
    layout->addWidget(m_problems);
    layout->addWidget(m_results, 1);
    setTabOrder(m_queryBox, m_countLine);
    setTabOrder(m_countLine, m_results);

    fillHistory();
    // The bold face of the matches is made now, while the user is still to type, and not with the
    // first results.
    QFont bold = m_results->font();
    bold.setBold(true);
    QFontMetrics(bold).horizontalAdvance(u"查找"_s);
    connect(m_queryBox, &QComboBox::editTextChanged, this, [this](const QString &text) {
        if (m_fillingHistory)
            return;
        if (!text.trimmed().isEmpty() && !m_engine.contentLoaded())
            m_countLine->setText(u"正在读取内容……"_s);
        m_engine.search(text);
    });
    connect(m_queryBox, &QComboBox::activated, this, &SearchWindow::historyChosen);
    connect(&m_engine, &SearchEngine::resultsReady, this, &SearchWindow::showResults);
    connect(&m_engine, &SearchEngine::loaded, this, &SearchWindow::showLoaded);
    connect(m_results, &QTreeView::doubleClicked, this, &SearchWindow::open);
    m_queryBox->setFocus();
}

void SearchWindow::setQuery(const QString &text)
{
    m_queryBox->setEditText(text);
    m_queryBox->lineEdit()->selectAll();
}

void SearchWindow::focusQuery()
{
    m_queryBox->setFocus();
    m_queryBox->lineEdit()->selectAll();
}

void SearchWindow::showLoaded(const QStringList &unreadable)
{
    m_problems->setVisible(!unreadable.isEmpty());
    if (unreadable.isEmpty())
        return;
    // Each file once, the first few by name.
    QString text = u"以下文件无法读取，未能查找其中的内容：\n"_s + unreadable.mid(0, kProblemsShown).join(u'\n');
    if (unreadable.size() > kProblemsShown)
        text += u"\n……另有 %1 个文件无法读取。"_s.arg(unreadable.size() - kProblemsShown);
    m_problems->setText(text);
}

void SearchWindow::showResults(const SearchQuery &query, const SearchResults &results)
{
    m_shown = query;
    m_countLine->setText(query.isEmpty() ? QString() : countText(results));
    m_model->show(m_engine.content(), query.isEmpty() ? QList<SearchHit>() : results.hits);
    if (m_model->rowCount() > 0)
        m_results->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
}

void SearchWindow::open(const QModelIndex &index)
{
    const SearchEntry *entry = m_model->entry(index.row());
    if (!index.isValid() || !entry)
        return;
    remember(m_queryBox->currentText());
    Q_EMIT openRequested(*entry, m_shown);
    // The next result stays one key away, whichever window showing it took the focus.
    raise();
    activateWindow();
}

bool SearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == m_results && enter && plain) {
        open(m_results->currentIndex());
        return true;
    }
    if ((watched == m_queryBox || watched == m_queryBox->lineEdit()) && plain) {
        if (enter) {
            // The first result, once the results of what is in the box are in.
            if (m_shown.text == m_queryBox->currentText())
                open(m_model->index(0, 0));
            return true;
        }
        if (key->key() == Qt::Key_Down && m_model->rowCount() > 0) {
            m_results->setFocus();
            if (!m_results->selectionModel()->isSelected(m_results->currentIndex()))
                m_results->setCurrentIndex(m_model->index(0, 0));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (event->matches(QKeySequence::Find)) {
        focusQuery();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SearchWindow::remember(const QString &text)
{
    const QString query = text.trimmed();
    if (query.isEmpty())
        return;
    QSettings settings = userSettings();
    QStringList history = settings.value(kHistoryKey).toStringList();
    history.removeAll(query);
    history.prepend(query);
    settings.setValue(kHistoryKey, QStringList(history.mid(0, kHistorySize)));
    fillHistory();
}

void SearchWindow::fillHistory()
{
    m_fillingHistory = true;
    const QString typed = m_queryBox->currentText();
    m_queryBox->clear();
    const QStringList history = userSettings().value(kHistoryKey).toStringList().mid(0, kHistorySize);
    m_queryBox->addItems(history);
    if (!history.isEmpty())
        m_queryBox->addItem(u"清除查找历史"_s, true);
    m_queryBox->setEditText(typed);
    m_fillingHistory = false;
}

void SearchWindow::historyChosen(int index)
{
    if (!m_queryBox->itemData(index).toBool())
        return;
    // The last entry clears the history and leaves the query as it was.
    const QString typed = m_shown.text;
    userSettings().remove(kHistoryKey);
    fillHistory();
    m_queryBox->setEditText(typed);
}

} // namespace tamsel
