#pragma once

#include <QAbstractListModel>

class NoteStore;

// The store's notes as a list, in the store's order. The store replaces its list whole, and so
// does the model: every reload is a reset.
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

private:
    NoteStore *m_store;
};
