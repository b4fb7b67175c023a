#include "app/noterowdelegate.h"

#include "app/notelistmodel.h"
#include "app/searchresultsmodel.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int lineSpacing = 2;
constexpr int padding = 6;

bool hasSnippet(const QModelIndex &index)
{
    return index.data(SearchResultsModel::SnippetRole).isValid();
}

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
    if (hasSnippet(index)) {
        const QFontMetrics smallerMetrics(smaller);
        const int top =
            area.top() + nameMetrics.height() + smallerMetrics.height() + 2 * lineSpacing;
        paintSnippet(painter, QRect(area.left(), top, area.width(), smallerMetrics.height()),
                     smaller,
                     index.data(SearchResultsModel::SnippetRole).value<NoteSearch::Snippet>());
    }
    painter->restore();
}

// The line around the first match on one line, the matched words in bold, cut short at the
// row's end.
void NoteRowDelegate::paintSnippet(QPainter *painter, const QRect &area, const QFont &font,
                                   const NoteSearch::Snippet &snippet)
{
    QFont bold = font;
    bold.setBold(true);
    const QString text = QString(snippet.text).replace(u'\t', u' ');
    int x = area.left();
    qsizetype at = 0;
    const auto draw = [&](qsizetype end, bool matched) {
        if (end <= at || x >= area.right())
            return;
        const QFont &used = matched ? bold : font;
        const QFontMetrics metrics(used);
        const int room = area.right() - x;
        const QString piece = metrics.elidedText(text.sliced(at, end - at), Qt::ElideRight, room);
        painter->setFont(used);
        painter->drawText(QRect(x, area.top(), room, area.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece);
        x += metrics.horizontalAdvance(piece);
        at = piece.size() == end - at ? end : text.size();
    };
    for (const search::TextRange &match : snippet.matches) {
        draw(std::min(match.start, text.size()), false);
        draw(std::min(match.start + match.length, text.size()), true);
    }
    draw(text.size(), false);
}

QSize NoteRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int smallLine = QFontMetrics(dateFont(option.font)).height() + lineSpacing;
    const int height = QFontMetrics(option.font).height() + smallLine + padding;
    return QSize(0, hasSnippet(index) ? height + smallLine : height);
}
