#pragma once

// What a window's layout test compares, one control at a time: its class, its parent, its
// geometry, its state, its caption or text, and where it stands among its siblings.

#include "twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <utility>

namespace widgetlayout {

// One row of a window's controls table. Geometry in twips relative to the parent; an empty
// rectangle is not compared. The window itself is a row with no parent; its geometry is the
// client area.
struct Row
{
    const char *name;
    const char *className;
    const char *parent;
    QRect twips;
    const char *state;
    QString text;
};

// A tool button is named "Toolbar:key" after its action's "key" property.
inline QObject *find(QWidget *window, const QString &name)
{
    if (name == window->objectName())
        return window;
    if (const qsizetype colon = name.indexOf(u':'); colon > 0) {
        auto *bar = window->findChild<QToolBar *>(name.left(colon));
        for (QAction *action : bar ? bar->actions() : QList<QAction *>()) {
            if (action->property("key").toString() == name.mid(colon + 1))
                return bar->widgetForAction(action);
        }
        return nullptr;
    }
    if (auto *widget = window->findChild<QWidget *>(name))
        return widget;
    return window->findChild<QAction *>(name);
}

inline QString parentName(QObject *object)
{
    if (auto *action = qobject_cast<QAction *>(object)) {
        for (QObject *holder : action->associatedObjects()) {
            if (qobject_cast<QMenu *>(holder))
                return holder->objectName();
        }
        return QString();
    }
    if (qobject_cast<QMenu *>(object))
        return qobject_cast<QMenuBar *>(object->parent()) ? QStringLiteral("menubar") : QString();
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || widget->isWindow())
        return QString();
    // The unnamed client area of a main window is the window's own.
    QWidget *parent = widget->parentWidget();
    while (parent && parent->objectName().isEmpty() && !parent->isWindow())
        parent = parent->parentWidget();
    return parent ? parent->objectName() : QString();
}

inline QRect geometry(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return {};
    if (auto *main = qobject_cast<QMainWindow *>(widget))
        return QRect(QPoint(), main->centralWidget()->size());
    return widget->isWindow() ? QRect(QPoint(), widget->size()) : widget->geometry();
}

inline QString state(QObject *object)
{
    QStringList parts;
    if (auto *action = qobject_cast<QAction *>(object)) {
        parts << (action->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled"));
        if (action->isSeparator())
            parts << QStringLiteral("separator");
        if (!action->shortcut().isEmpty())
            parts << QStringLiteral("shortcut ") + action->shortcut().toString();
        return parts.join(u' ');
    }
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->menuAction()->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
    auto *widget = qobject_cast<QWidget *>(object);
    parts << (widget->isHidden() ? QStringLiteral("hidden") : QStringLiteral("shown"));
    if (!widget->isEnabled())
        parts << QStringLiteral("disabled");
    if (!widget->toolTip().isEmpty() && !qobject_cast<QLabel *>(widget))
        parts << QStringLiteral("tooltip");
    return parts.join(u' ');
}

// The caption or the texts a control shows; `picture` names the image a tool button shows.
inline QString text(QObject *object, const std::function<QString(const QIcon &)> &picture = {})
{
    if (auto *action = qobject_cast<QAction *>(object))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->title();
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget->isWindow())
        return widget->windowTitle();
    if (auto *button = qobject_cast<QToolButton *>(widget))
        return button->text() + (picture ? u' ' + picture(button->icon()) : QString());
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->pixmap().isNull() ? label->text() : QStringLiteral("[picture]");
    if (auto *box = qobject_cast<QGroupBox *>(widget))
        return box->title();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    if (auto *tree = qobject_cast<QTreeWidget *>(widget)) {
        QStringList headings;
        for (int column = 0; !tree->isHeaderHidden() && column < tree->columnCount(); ++column)
            headings << tree->headerItem()->text(column);
        return headings.join(u'|');
    }
    if (auto *bar = qobject_cast<QStatusBar *>(widget)) {
        QStringList panels;
        for (QLabel *panel : bar->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
            panels << panel->text() + (panel->toolTip() == panel->text() ? QString() : QStringLiteral(" (tooltip differs)"));
        return panels.join(u'|');
    }
    return QString();
}

// Where a control stands among its siblings of the same kind: menus and menu items in menu order,
// tool buttons in toolbar order, other controls front to back.
inline std::pair<int, qsizetype> position(QObject *object)
{
    if (auto *action = qobject_cast<QAction *>(object)) {
        for (QObject *holder : action->associatedObjects()) {
            if (auto *menu = qobject_cast<QMenu *>(holder))
                return {0, menu->actions().indexOf(action)};
        }
    }
    if (auto *menu = qobject_cast<QMenu *>(object))
        return {1, menu->parentWidget()->actions().indexOf(menu->menuAction())};
    if (auto *button = qobject_cast<QToolButton *>(object); button && button->defaultAction())
        return {2, button->parentWidget()->actions().indexOf(button->defaultAction())};
    // Later children are drawn over earlier ones.
    return {3, -object->parent()->children().indexOf(object)};
}

} // namespace widgetlayout
