#pragma once

#include <QObject>

class AboutDialog;
class ContentView;
class QAction;
class QMenu;
class ShortcutsWindow;

// The menus of a main window: File, Edit, View, Go and Help, each command with its standard
// keys, shown in its menu. The commands act on the window through its own functions; the menus
// hold no state of their own beyond the two windows of the Help menu.
class Commands : public QObject
{
    Q_OBJECT
public:
    explicit Commands(ContentView *window);

    // The action of that object name ("zoomIn", "findNext", ...), or null.
    QAction *action(const QString &name) const;
    QList<QAction *> actions() const { return m_actions; }
    ShortcutsWindow *shortcutsWindow() const { return m_shortcuts; }
    AboutDialog *aboutDialog() const { return m_about; }

private:
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildGoMenu();
    void buildHelpMenu();
    QAction *add(QMenu *menu, const QString &name, const QString &text,
                 const QList<QKeySequence> &keys = {});
    void forwardToFocus(const char *slot);

    ContentView *m_window;
    QList<QAction *> m_actions;
    // Undo, cut, paste and the like, which the editor may handle by its own keys alike.
    QList<QAction *> m_textCommands;
    ShortcutsWindow *m_shortcuts = nullptr;
    AboutDialog *m_about = nullptr;
};
