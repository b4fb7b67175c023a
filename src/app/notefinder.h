#pragma once

#include <QObject>

class NoteListModel;
class NoteSearch;
class NoteStore;
class QAbstractItemModel;
class QListView;
class QWidget;
class SearchField;
class SearchResultsModel;

// Search or create: the search field narrows the sidebar to the notes that match as the user
// types, and turns its keys into choices of notes or a new note. While the field is empty the
// sidebar shows every note, exactly as without it.
class NoteFinder : public QObject
{
    Q_OBJECT
public:
    NoteFinder(NoteStore *store, NoteSearch *search, NoteListModel *allNotes, QListView *list,
               QWidget *window);

    SearchField *field() const { return m_field; }
    // What the field holds; blank when the sidebar shows every note.
    QString query() const;
    // The row the sidebar shows the note in, or -1.
    int rowOf(const QString &name) const;
    // Puts the focus in the field with its text selected, ready for a new query.
    void focusField();

Q_SIGNALS:
    // The sidebar shows another model, or the results changed.
    void listChanged();
    // The editor is to take the focus, with the caret at the end of the text when asked.
    void editorWanted(bool atEnd);

private:
    void search(const QString &query);
    void step(int rows);
    void open();
    void create();
    void leave();
    void countResults();
    bool showsResults() const;
    void show(QAbstractItemModel *model);

    NoteStore *m_store;
    NoteListModel *m_allNotes;
    SearchResultsModel *m_results;
    QListView *m_list;
    SearchField *m_field;
    QMetaObject::Connection m_followReset;
};
