#pragma once

#include <QAbstractListModel>
#include <QList>

#include "store/note.h"

class NoteStore;

// The store's notes as a list, in the store's order. When the store's list changes, the rows
// that moved are moved, the rows that changed are changed, and rows come and go one by one, so
// the view keeps its scroll position and its selection. The common change, the store's own save
// of one note, moves that one row without looking at the others.
class NoteListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { ModifiedTextRole = Qt::UserRole + 1 };

    explicit NoteListModel(NoteStore *store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the name; ModifiedTextRole: the date in the user's locale, empty when unknown.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The row of the first note of that name, or -1.
    int rowOf(const QString &name) const;

Q_SIGNALS:
    // Around the rows' changes that follow a change of the store's list: a selection of a view
    // that changes in between is not the user's choice.
    void aboutToFollowStore();
    void followedStore();

private:
    void follow();
    void followMove(qsizetype from, qsizetype to);
    void followRows();
    void followRange(int first, int wasEnd, int nowEnd, const QList<Note> &now);

    NoteStore *m_store;
    // The store's notes as the views were last told of them. A copy of its own: were it shared
    // with the store's list, the store's next save would copy the whole list to move one note.
    QList<Note> m_rows;
    bool m_followedMove = false; // the notesChanged() to come is the move already followed
};
