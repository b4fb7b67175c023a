#include "app/notelistmodel.h"

#include "store/notestore.h"

#include <QLocale>

NoteListModel::NoteListModel(NoteStore *store, QObject *parent)
    : QAbstractListModel(parent), m_store(store)
{
    connect(store, &NoteStore::notesChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_store->notes().size());
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Note &note = m_store->notes().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return note.name;
    case ModifiedTextRole:
        return note.modified.isValid()
            ? QLocale().toString(note.modified.date(), QLocale::ShortFormat)
            : QString();
    default:
        return {};
    }
}

int NoteListModel::rowOf(const QString &name) const
{
    return int(indexOfNote(m_store->notes(), name));
}
