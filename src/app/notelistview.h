#pragma once

#include <QListView>

// The sidebar's list. Its rows are all of one height and as wide as the list, whatever they show,
// so a row whose data changed is painted again without laying out every row: in a folder of
// thousands that layout would follow every save.
class NoteListView : public QListView
{
    Q_OBJECT
public:
    using QListView::QListView;

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
};
