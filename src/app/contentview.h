#pragma once

#include <QMainWindow>

#include <optional>

class MarkdownView;
class QAction;
class QDialog;
class QLineEdit;
class QMessageBox;
class NoteEditor;
class NoteFinder;
class NoteListModel;
class NoteSearch;
class NoteStore;
class QLabel;
class QListView;
class QStackedWidget;

// A main window: the sidebar of notes beside the selected note's editor and preview, or a
// placeholder when nothing is selected. It shows the shared store and forwards the user's
// choices and edits to it; it keeps no note data of its own.
class ContentView : public QMainWindow
{
    Q_OBJECT
public:
    // With a search of its own; windows that share a store should share one search too.
    explicit ContentView(NoteStore *store, QWidget *parent = nullptr);
    ContentView(NoteStore *store, NoteSearch *search, QWidget *parent = nullptr);
    ~ContentView() override;

    QListView *sidebar() const { return m_sidebar; }
    NoteFinder *finder() const { return m_finder; }
    NoteEditor *editor() const { return m_editor; }
    MarkdownView *preview() const { return m_preview; }
    // Whether the editor and preview are shown (otherwise the placeholder is).
    bool showsNote() const;

    QAction *newAction() const { return m_newAction; }
    QAction *renameAction() const { return m_renameAction; }
    QAction *deleteAction() const { return m_deleteAction; }
    QAction *alwaysOnTopAction() const { return m_alwaysOnTopAction; }
    QDialog *renamePrompt() const { return m_renamePrompt; }
    QMessageBox *deletePrompt() const { return m_deletePrompt; }
    // Whether this window floats above the windows of other applications.
    bool isFloating() const;

Q_SIGNALS:
    void newWindowRequested();

private:
    QWidget *buildSidebar();
    QWidget *buildDetail();
    void buildMenus();
    void buildToolbar();
    void buildRenamePrompt();
    void buildDeletePrompt();
    void askRename();
    void askDelete();
    void applyLevel();
    void setFloating(bool floating);
    void showSelection();
    void showText();
    void selectRowOfSelection(bool scroll);
    void takeRowChoice();
    void takeEdit(qsizetype position, qsizetype removed, const QString &inserted);
    QList<ContentView *> windowsOfStore() const;
    void shareEditorDocument();
    void followList();
    void takeQuery();
    void focusEditor(bool atEnd);

    NoteStore *m_store;
    NoteSearch *m_search;
    NoteListModel *m_model;
    QListView *m_sidebar;
    NoteFinder *m_finder = nullptr;
    QMetaObject::Connection m_rowChoice;
    QStackedWidget *m_detail;
    QLabel *m_notice;
    NoteEditor *m_editor;
    MarkdownView *m_preview;
    QAction *m_newAction = nullptr;
    QAction *m_renameAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_alwaysOnTopAction = nullptr;
    QDialog *m_renamePrompt = nullptr;
    QLineEdit *m_newName = nullptr;
    QMessageBox *m_deletePrompt = nullptr;
    // The note the editor shows, to tell a newly loaded note from the same note changed.
    std::optional<QString> m_shownNote;
    bool m_selectingRow = false;
    // An edit typed in one window is on its way to the store; every window's editor has it.
    static inline bool s_passingEdit = false;
};
