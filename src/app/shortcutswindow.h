#pragma once

#include <QDialog>

class QMenuBar;
class QTreeWidget;

// Every command of the menus with the keys that reach it, read from the actions themselves each
// time the window opens, so the list cannot go stale.
class ShortcutsWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ShortcutsWindow(QMenuBar *menus, QWidget *parent = nullptr);

    // Fills the list again from the menus, then shows the window.
    void showShortcuts();
    // The rows as "Menu|Command|Keys", in the order shown.
    QStringList rows() const;

private:
    void fill();

    QMenuBar *m_menus;
    QTreeWidget *m_list;
};
