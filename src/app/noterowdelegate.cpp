#include "app/noterowdelegate.h"

#include "app/notelistmodel.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int lineSpacing = 2;
constexpr int padding = 6;

} // namespace

QFont NoteRowDelegate::dateFont(const QFont &font)
{
    QFont smaller = font;
    smaller.setPointSizeF(font.pointSizeF() * 0.85);
    return smaller;
}

void NoteRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    // Where the keys go must be plain to see: the selected row is drawn in the highlight only
    // while the list has the focus, and in a quieter colour otherwise.
    const bool listFocused = widget && widget->hasFocus();
    if (!listFocused)
        background.palette.setColor(QPalette::Highlight, option.palette.color(QPalette::Midlight));
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const bool selected = (option.state & QStyle::State_Selected) && listFocused;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    QColor text =
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect area = option.rect.adjusted(padding, padding / 2, -padding, -padding / 2);
    const QFontMetrics nameMetrics(option.font);

    painter->save();
    painter->setPen(text);
    painter->setFont(option.font);
    const QString name =
        nameMetrics.elidedText(index.data().toString(), Qt::ElideRight, area.width());
    painter->drawText(QRect(area.left(), area.top(), area.width(), nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);

    const QFont smaller = dateFont(option.font);
    text.setAlphaF(0.6);
    painter->setPen(text);
    painter->setFont(smaller);
    painter->drawText(QRect(area.left(), area.top() + nameMetrics.height() + lineSpacing,
                            area.width(), QFontMetrics(smaller).height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(NoteListModel::ModifiedTextRole).toString());
    painter->restore();
}

QSize NoteRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int height = QFontMetrics(option.font).height() + lineSpacing
        + QFontMetrics(dateFont(option.font)).height() + padding;
    return QSize(0, height);
}
