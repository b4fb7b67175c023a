#pragma once

#include <QMainWindow>

#include <optional>

class MarkdownView;
class NoteEditor;
class NoteListModel;
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
    explicit ContentView(NoteStore *store, QWidget *parent = nullptr);

    QListView *sidebar() const { return m_sidebar; }
    NoteEditor *editor() const { return m_editor; }
    MarkdownView *preview() const { return m_preview; }
    // Whether the editor and preview are shown (otherwise the placeholder is).
    bool showsNote() const;

Q_SIGNALS:
    void newWindowRequested();

private:
    QWidget *buildDetail();
    void buildMenus();
    void showSelection();
    void showText();
    void selectRowOfSelection();
    void takeRowChoice();
    void takeEdit();

    NoteStore *m_store;
    NoteListModel *m_model;
    QListView *m_sidebar;
    QStackedWidget *m_detail;
    QLabel *m_notice;
    NoteEditor *m_editor;
    MarkdownView *m_preview;
    // The note the editor shows, to tell a newly loaded note from the same note changed.
    std::optional<QString> m_shownNote;
    bool m_selectingRow = false;
    bool m_passingEdit = false;
};
