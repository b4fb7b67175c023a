#pragma once

#include <QRect>
#include <QRegion>
#include <QScrollBar>

#include <optional>

// A scroll bar that paints again only what would look different. Over a long document the handle
// stays put, or moves a pixel, while the range grows or shrinks by a line, as it does with every
// line a keystroke adds; a plain scroll bar paints all of itself, and of the widgets behind it,
// every time.
class SteadyScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit SteadyScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What the style draws from the range and the value: where the handle is, and whether the
    // ends are reached, which may disable the arrows.
    struct Look
    {
        QRect handle;
        bool atStart = false;
        bool atEnd = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const;
    QRegion changedArea(const Look &before, const Look &after) const;

    std::optional<Look> m_painted;
};
