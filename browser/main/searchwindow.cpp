#include "searchwindow.h"

#include "windowframe.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace tamsel {

namespace {

constexpr int kMatchStartRole = Qt::UserRole;
constexpr int kMatchLengthRole = Qt::UserRole + 1;
constexpr int kHitRole = Qt::UserRole + 2;
// Characters of context shown before the match; the rest of the line follows it.
constexpr qsizetype kBefore = 16;
constexpr qsizetype kContextLength = 80;
// Files that could not be read named in the window; the rest are counted.
constexpr qsizetype kProblemsShown = 3;

const QString kHistoryKey = u"search/history"_s;

QSettings userSettings()
{
    // The user's own settings: the program folder is only ever read.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Tamsel"_s, u"Tamsel"_s);
}

// The line around a match, and where the match lies in it.
struct Context
{
    QString text;
    qsizetype start;
    qsizetype length;
};

Context contextOf(const QString &text, TextMatch match)
{
    const qsizetype lineStart = [&] {
        const qsizetype cr = text.lastIndexOf(u'\r', match.position);
        const qsizetype lf = text.lastIndexOf(u'\n', match.position);
        return std::max(cr, lf) + 1;
    }();
    qsizetype lineEnd = text.size();
    for (const QChar end : {u'\r', u'\n'}) {
        const qsizetype at = text.indexOf(end, match.position + match.length);
        if (at >= 0)
            lineEnd = std::min(lineEnd, at);
    }
    // A match near the start of its line shows the line from its start.
    const qsizetype from = match.position - lineStart <= 2 * kBefore ? lineStart : match.position - kBefore;
    const qsizetype to = std::min(lineEnd, std::max(match.position + match.length, from + kContextLength));
    QString line = text.mid(from, to - from);
    qsizetype start = match.position - from;
    // Leading spaces and tabs would push the match out of sight.
    qsizetype trimmed = 0;
    while (trimmed < start && line[trimmed].isSpace())
        ++trimmed;
    line.remove(0, trimmed);
    start -= trimmed;
    line.replace(u'\t', u' ');
    if (from > lineStart) {
        line.prepend(u'…');
        ++start;
    }
    if (to < lineEnd)
        line.append(u'…');
    return {line, start, match.length};
}

// Paints the context column with its match in bold.
class ContextDelegate : public QStyledItemDelegate
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

        const qsizetype start = std::clamp<qsizetype>(index.data(kMatchStartRole).toLongLong(), 0, text.size());
        const qsizetype length = std::clamp<qsizetype>(index.data(kMatchLengthRole).toLongLong(), 0, text.size() - start);
        QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        QFont bold = opt.font;
        bold.setBold(true);
        const std::pair<QStringView, const QFont *> parts[] = {
            {QStringView(text).first(start), &opt.font},
            {QStringView(text).sliced(start, length), &bold},
            {QStringView(text).sliced(start + length), &opt.font},
        };
        for (const auto &[part, font] : parts) {
            if (area.width() <= 0)
                break;
            painter->setFont(*font);
            const QFontMetrics metrics(*font);
            const QString shown = metrics.elidedText(part.toString(), Qt::ElideRight, area.width());
            painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
            area.setLeft(area.left() + metrics.horizontalAdvance(shown));
        }
        painter->restore();
    }
};

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
    , m_results(new QTreeWidget(this))
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
    m_results->setColumnCount(3);
    m_results->setHeaderLabels({u"类别"_s, u"标题"_s, u"上下文"_s});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setAllColumnsShowFocus(true);
    m_results->setItemDelegateForColumn(2, new ContextDelegate(m_results));
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
    connect(m_results, &QTreeWidget::itemDoubleClicked, this, &SearchWindow::open);
    m_queryBox->setFocus();
}

void SearchWindow::setQuery(const QString &text)
{
    m_queryBox->setEditText(text);
    m_queryBox->lineEdit()->selectAll();
}

QString SearchWindow::query() const
{
    return m_queryBox->currentText();
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
    m_hits = results.hits;
    m_countLine->setText(query.isEmpty() ? QString() : countText(results));
    m_results->clear();
    if (query.isEmpty())
        return;
    const auto content = m_engine.content();
    QList<QTreeWidgetItem *> items;
    const qsizetype listed = std::min(results.hits.size(), kListed);
    items.reserve(listed);
    for (qsizetype i = 0; i < listed; ++i) {
        const SearchHit &hit = results.hits[i];
        const SearchEntry &entry = content->entries[hit.entry];
        const Context context = contextOf(hit.firstInTitle ? entry.title : entry.body, hit.first);
        auto *item = new QTreeWidgetItem(QStringList{searchKindName(entry.kind), entry.title, context.text});
        item->setData(2, kMatchStartRole, context.start);
        item->setData(2, kMatchLengthRole, context.length);
        item->setData(0, kHitRole, i);
        item->setToolTip(1, entry.title);
        items.append(item);
    }
    m_results->addTopLevelItems(items);
    if (!items.isEmpty())
        m_results->setCurrentItem(items.first(), 0, QItemSelectionModel::NoUpdate);
}

void SearchWindow::open(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const qsizetype index = item->data(0, kHitRole).toLongLong();
    if (index < 0 || index >= m_hits.size())
        return;
    remember(m_queryBox->currentText());
    Q_EMIT openRequested(m_engine.content()->entries[m_hits[index].entry], m_shown);
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
        open(m_results->currentItem());
        return true;
    }
    if ((watched == m_queryBox || watched == m_queryBox->lineEdit()) && plain) {
        if (enter) {
            // The first result, once the results of what is in the box are in.
            if (m_shown.text == m_queryBox->currentText() && m_results->topLevelItemCount() > 0)
                open(m_results->topLevelItem(0));
            return true;
        }
        if (key->key() == Qt::Key_Down && m_results->topLevelItemCount() > 0) {
            m_results->setFocus();
            if (!m_results->currentItem() || !m_results->currentItem()->isSelected())
                m_results->setCurrentItem(m_results->topLevelItem(0));
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
        m_queryBox->setFocus();
        m_queryBox->lineEdit()->selectAll();
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
