#pragma once

#include "search/notesearch.h"

#include <QStyledItemDelegate>

// A sidebar row: the note's name on one line, cut short when it does not fit, and its date below
// in a smaller, secondary style; for a search result, a line of its text below that.
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
    static void paintSnippet(QPainter *painter, const QRect &area, const QFont &font,
                             const NoteSearch::Snippet &snippet);
};
