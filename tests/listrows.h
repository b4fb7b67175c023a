#pragma once

#include <QItemSelectionModel>
#include <QListView>
#include <QStringList>

// The names a list shows, top to bottom.
inline QStringList rowsOf(const QListView *list)
{
    QStringList rows;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        rows.append(list->model()->index(row, 0).data().toString());
    return rows;
}

// The name in the list's selected row, or an empty string when none is selected.
inline QString selectedRow(const QListView *list)
{
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}
