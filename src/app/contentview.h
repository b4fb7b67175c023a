#pragma once

#include <QMainWindow>

#include <optional>

class Commands;
class FindBar;
class MarkdownView;
class StatusCounts;
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
class QScreen;
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
    Commands *commands() const { return m_commands; }
    FindBar *findBar() const { return m_findBar; }
    StatusCounts *counts() const { return m_counts; }

    // Creates a note and puts the caret at the end of its text, ready to type.
    void newNote();
    void askRename();
    void askDelete();
    // The note list takes the focus (the search field instead, where there is one).
    void focusNoteList();
    // F6 and Shift+F6: the focus goes round the note list, the editor and the preview.
    void focusNextPane(bool forward);
    // Selects the note that many rows below (or above, when negative) the selected one.
    void selectAdjacentNote(int step);
    // The editor and the preview zoom together, in steps from 50 % to 300 %.
    void zoomIn();
    void zoomOut();
    void resetZoom();
    int zoomPercent() const { return m_zoomPercent; }
    void setFullScreen(bool fullScreen);

Q_SIGNALS:
    void newWindowRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildSidebar();
    QWidget *buildDetail();
    void buildToolbar();
    void tintIcons();
    void fitToScreen();
    void fitMinimumToScreen();
    QSize roomOn(const QScreen &screen) const;
    void buildRenamePrompt();
    void buildDeletePrompt();
    void describeForAccessibility();
    void setZoomPercent(int percent);
    void showNoteMessage(const QString &message);
    void applyLevel();
    void setFloating(bool floating);
    void showSelection();
    void showText();
    void selectRowOfSelection(bool scroll);
    void takeRowChoice();
    void takeEdit(qsizetype position, qsizetype removed, const QString &inserted);
    void showTextInPreview();
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
    FindBar *m_findBar;
    StatusCounts *m_counts = nullptr;
    Commands *m_commands = nullptr;
    QAction *m_newAction = nullptr;
    QAction *m_renameAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_alwaysOnTopAction = nullptr;
    QDialog *m_renamePrompt = nullptr;
    QLineEdit *m_newName = nullptr;
    QMessageBox *m_deletePrompt = nullptr;
    // The note the editor shows, to tell a newly loaded note from the same note changed.
    std::optional<QString> m_shownNote;
    int m_zoomPercent = 100;
    bool m_selectingRow = false;
    // An edit typed in one window is on its way to the store; every window's editor has it.
    static inline bool s_passingEdit = false;
    // The status bar shows a message about the selected note, to be cleared when it goes.
    bool m_noteMessageShown = false;
    bool m_followsScreen = false;
};
