#include "app/commands.h"

#include "app/aboutdialog.h"
#include "app/contentview.h"
#include "app/findbar.h"
#include "app/noteeditor.h"
#include "app/shortcutswindow.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QMenuBar>

Commands::Commands(ContentView *window) : QObject(window), m_window(window)
{
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    buildGoMenu();
    buildHelpMenu();
    QList<QKeySequence> windowKeys;
    for (const QAction *action : std::as_const(m_actions)) {
        // Del asks to delete only in the note list; in the editor it keeps deleting text.
        if (!m_textCommands.contains(action) && action->shortcutContext() == Qt::WindowShortcut)
            windowKeys += action->shortcuts();
    }
    window->editor()->leaveKeysTo(windowKeys);
}

QAction *Commands::action(const QString &name) const
{
    for (QAction *action : m_actions) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

// Every command works from anywhere in the window, whichever pane has the focus.
QAction *Commands::add(QMenu *menu, const QString &name, const QString &text,
                       const QList<QKeySequence> &keys)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_actions.append(action);
    return action;
}

// Each of these is a slot of the note's editor, the preview and the text fields alike.
void Commands::forwardToFocus(const char *slot)
{
    if (QWidget *focused = QApplication::focusWidget(); focused && m_window->isAncestorOf(focused))
        QMetaObject::invokeMethod(focused, slot);
}

void Commands::buildFileMenu()
{
    QMenu *file = m_window->menuBar()->addMenu(tr("&File"));
    connect(add(file, QStringLiteral("newNote"), tr("&New Note"), {QKeySequence::New}),
            &QAction::triggered, m_window, &ContentView::newNote);
    connect(add(file, QStringLiteral("newWindow"), tr("New &Window"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)}),
            &QAction::triggered, m_window, &ContentView::newWindowRequested);
    file->addSeparator();
    QAction *rename = add(file, QStringLiteral("renameNote"), tr("&Rename…"), {Qt::Key_F2});
    connect(rename, &QAction::triggered, m_window, &ContentView::askRename);
    // Del asks only in the note list; in the editor Del and Ctrl+Del delete text.
    QAction *trash =
        add(file, QStringLiteral("moveToTrash"), tr("Move to &Trash"), {QKeySequence::Delete});
    trash->setShortcutContext(Qt::WidgetShortcut);
    m_window->sidebar()->addAction(trash);
    connect(trash, &QAction::triggered, m_window, &ContentView::askDelete);
    for (QAction *follower : {rename, trash}) {
        follower->setEnabled(m_window->renameAction()->isEnabled());
        connect(m_window->renameAction(), &QAction::enabledChanged, follower, &QAction::setEnabled);
    }
    file->addSeparator();
    connect(add(file, QStringLiteral("closeWindow"), tr("&Close Window"), {QKeySequence::Close}),
            &QAction::triggered, m_window, &QWidget::close);
    connect(add(file, QStringLiteral("quit"), tr("&Quit"), {QKeySequence::Quit}),
            &QAction::triggered, qApp, &QApplication::quit);
}

void Commands::buildEditMenu()
{
    QMenu *edit = m_window->menuBar()->addMenu(tr("&Edit"));
    const struct
    {
        const char *name;
        QString text;
        QList<QKeySequence> keys;
    } textCommands[] = {
        {"undo", tr("&Undo"), {QKeySequence::Undo}},
        {"redo",
         tr("&Redo"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}},
        {"cut", tr("Cu&t"), {QKeySequence::Cut}},
        {"copy", tr("&Copy"), {QKeySequence::Copy}},
        {"paste", tr("&Paste"), {QKeySequence::Paste}},
        {"selectAll", tr("Select &All"), {QKeySequence::SelectAll}},
    };
    for (const auto &command : textCommands) {
        if (qstrcmp(command.name, "cut") == 0 || qstrcmp(command.name, "selectAll") == 0)
            edit->addSeparator();
        const char *slot = command.name;
        QAction *action = add(edit, QString::fromLatin1(command.name), command.text, command.keys);
        m_textCommands.append(action);
        connect(action, &QAction::triggered, this, [this, slot] { forwardToFocus(slot); });
    }
    edit->addSeparator();
    FindBar *findBar = m_window->findBar();
    connect(add(edit, QStringLiteral("find"), tr("&Find…"), {QKeySequence::Find}),
            &QAction::triggered, findBar, &FindBar::openFind);
    connect(add(edit, QStringLiteral("findNext"), tr("Find &Next"),
                {QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_G)}),
            &QAction::triggered, findBar, &FindBar::findNext);
    connect(
        add(edit, QStringLiteral("findPrevious"), tr("Find Pre&vious"),
            {QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)}),
        &QAction::triggered, findBar, &FindBar::findPrevious);
    connect(
        add(edit, QStringLiteral("replace"), tr("R&eplace…"), {QKeySequence(Qt::CTRL | Qt::Key_H)}),
        &QAction::triggered, findBar, &FindBar::openReplace);
}

void Commands::buildViewMenu()
{
    QMenu *view = m_window->menuBar()->addMenu(tr("&View"));
    connect(add(view, QStringLiteral("zoomIn"), tr("Zoom &In"),
                {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}),
            &QAction::triggered, m_window, &ContentView::zoomIn);
    connect(add(view, QStringLiteral("zoomOut"), tr("Zoom &Out"), {QKeySequence::ZoomOut}),
            &QAction::triggered, m_window, &ContentView::zoomOut);
    connect(add(view, QStringLiteral("actualSize"), tr("&Actual Size"),
                {QKeySequence(Qt::CTRL | Qt::Key_0)}),
            &QAction::triggered, m_window, &ContentView::resetZoom);
    view->addSeparator();
    QAction *fullScreen =
        add(view, QStringLiteral("fullScreen"), tr("&Full Screen"), {QKeySequence(Qt::Key_F11)});
    fullScreen->setCheckable(true);
    connect(fullScreen, &QAction::toggled, m_window, &ContentView::setFullScreen);
    view->addAction(m_window->alwaysOnTopAction());
}

void Commands::buildGoMenu()
{
    QMenu *go = m_window->menuBar()->addMenu(tr("&Go"));
    connect(add(go, QStringLiteral("nextNote"), tr("&Next Note"),
                {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::ALT | Qt::Key_Down)}),
            &QAction::triggered, m_window, [this] { m_window->selectAdjacentNote(1); });
    connect(add(go, QStringLiteral("previousNote"), tr("&Previous Note"),
                {QKeySequence(Qt::CTRL | Qt::Key_PageUp), QKeySequence(Qt::ALT | Qt::Key_Up)}),
            &QAction::triggered, m_window, [this] { m_window->selectAdjacentNote(-1); });
    connect(add(go, QStringLiteral("noteList"), tr("Note &List"),
                {QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::CTRL | Qt::Key_K)}),
            &QAction::triggered, m_window, &ContentView::focusNoteList);
    go->addSeparator();
    connect(add(go, QStringLiteral("nextPane"), tr("Next P&ane"), {QKeySequence(Qt::Key_F6)}),
            &QAction::triggered, m_window, [this] { m_window->focusNextPane(true); });
    connect(add(go, QStringLiteral("previousPane"), tr("Previous Pan&e"),
                {QKeySequence(Qt::SHIFT | Qt::Key_F6)}),
            &QAction::triggered, m_window, [this] { m_window->focusNextPane(false); });
}

void Commands::buildHelpMenu()
{
    QMenu *help = m_window->menuBar()->addMenu(tr("&Help"));
    m_shortcuts = new ShortcutsWindow(m_window->menuBar(), m_window);
    m_about = new AboutDialog(m_window);
    connect(add(help, QStringLiteral("keyboardShortcuts"), tr("&Keyboard Shortcuts"),
                {QKeySequence(Qt::Key_F1)}),
            &QAction::triggered, m_shortcuts, &ShortcutsWindow::showShortcuts);
    connect(add(help, QStringLiteral("about"), tr("&About Penwick")), &QAction::triggered, m_about,
            &QDialog::open);
}
