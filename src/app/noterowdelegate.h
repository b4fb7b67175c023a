#pragma once

#include <QStyledItemDelegate>

// A sidebar row: the note's name on one line, cut short when it does not fit, and its date below
// in a smaller, secondary style.
class NoteRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    static QFont dateFont(const QFont &font);
};
