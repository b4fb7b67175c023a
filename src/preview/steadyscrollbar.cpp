#include "preview/steadyscrollbar.h"

#include <QStyle>
#include <QStyleOptionSlider>

SteadyScrollBar::SteadyScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{ }

// A scroll bar that shows itself as the view moves (a transient one) is left to its own ways.
void SteadyScrollBar::sliderChange(SliderChange change)
{
    const bool drawnFromRange = change == SliderRangeChange || change == SliderValueChange;
    if (!drawnFromRange || !m_painted
        || style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
        QScrollBar::sliderChange(change);
        return;
    }
    const Look now = look();
    if (now != *m_painted)
        update(changedArea(*m_painted, now));
}

// The style draws the groove beside the handle the same wherever the handle stands: what changes
// lies between the handle's old and new places, and at an arrow that comes to or leaves an end.
QRegion SteadyScrollBar::changedArea(const Look &before, const Look &after) const
{
    if (before.handle.isEmpty() || after.handle.isEmpty())
        return rect();
    // The style may draw a frame or a shadow just outside the handle.
    constexpr int outline = 3;
    QRegion area = before.handle.united(after.handle)
                       .adjusted(-outline, -outline, outline, outline)
                       .intersected(rect());
    QStyleOptionSlider option;
    initStyleOption(&option);
    auto arrow = [&](QStyle::SubControl control) {
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
    };
    if (before.atStart != after.atStart)
        area += arrow(QStyle::SC_ScrollBarSubLine);
    if (before.atEnd != after.atEnd)
        area += arrow(QStyle::SC_ScrollBarAddLine);
    return area;
}

void SteadyScrollBar::paintEvent(QPaintEvent *event)
{
    m_painted = look();
    QScrollBar::paintEvent(event);
}

SteadyScrollBar::Look SteadyScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        sliderPosition() == minimum(), sliderPosition() == maximum()};
}
