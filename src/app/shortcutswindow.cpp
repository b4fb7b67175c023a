#include "app/shortcutswindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    return text.replace(u'\x01', u'&');
}

} // namespace

ShortcutsWindow::ShortcutsWindow(QMenuBar *menus, QWidget *parent)
    : QDialog(parent), m_menus(menus), m_list(new QTreeWidget)
{
    setWindowTitle(tr("Keyboard Shortcuts"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Command"), tr("Keys")});
    m_list->setRootIsDecorated(false);
    m_list->setAccessibleName(tr("Keyboard shortcuts"));
    m_list->setAccessibleDescription(tr("Every command and the keys that reach it"));
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(520, 600);
}

void ShortcutsWindow::showShortcuts()
{
    fill();
    show();
    raise();
    activateWindow();
}

// A key that works in one place only says where.
static QString keysOf(const QAction *action)
{
    QStringList keys;
    for (const QKeySequence &shortcut : action->shortcuts())
        keys.append(shortcut.toString(QKeySequence::NativeText));
    const QString text = keys.join(QStringLiteral(", "));
    if (action->shortcutContext() == Qt::WidgetShortcut && !text.isEmpty())
        return ShortcutsWindow::tr("%1 (in the note list)").arg(text);
    return text;
}

void ShortcutsWindow::fill()
{
    m_list->clear();
    for (const QAction *menuAction : m_menus->actions()) {
        const QMenu *menu = menuAction->menu();
        if (!menu)
            continue;
        auto *heading = new QTreeWidgetItem(m_list, {withoutMnemonic(menu->title())});
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        heading->setFirstColumnSpanned(true);
        for (const QAction *action : menu->actions()) {
            if (action->isSeparator() || action->menu())
                continue;
            new QTreeWidgetItem(m_list, {withoutMnemonic(action->text()), keysOf(action)});
        }
    }
}

QStringList ShortcutsWindow::rows() const
{
    QStringList rows;
    QString menu;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_list->topLevelItem(i);
        if (item->isFirstColumnSpanned())
            menu = item->text(0);
        else
            rows.append(menu + u'|' + item->text(0) + u'|' + item->text(1));
    }
    return rows;
}
