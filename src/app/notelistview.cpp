#include "app/notelistview.h"

// QListView would lay out every row again; the base class paints the changed rows.
void NoteListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                               const QList<int> &roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}
