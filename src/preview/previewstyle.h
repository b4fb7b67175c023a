#pragma once

#include <QColor>
#include <QPalette>

#include <algorithm>

// What the preview's view and its layout agree on: the kind of Markdown block each text block
// shows (kept as the block's user state), and the sizes both need to build and draw it.
namespace preview {

enum BlockKind { Heading, Paragraph, Code, Quote, Bullet, Number, Rule };

constexpr int blockSpacing = 10;
constexpr int codePadding = 8;
constexpr int codeCornerRadius = 6;
constexpr int quoteBarWidth = 3;
constexpr int quoteGap = 8;
constexpr int markerGap = 6;
constexpr int indentStep = 16;

inline int headingPixelSize(qint64 level)
{
    static constexpr int sizes[] = {28, 24, 20, 17, 15, 14};
    return sizes[std::clamp<qint64>(level, 1, 6) - 1];
}

// The secondary colour of text, at the opacity given.
inline QColor secondaryColor(const QPalette &palette, qreal opacity)
{
    QColor color = palette.color(QPalette::Text);
    color.setAlphaF(0.55 * opacity);
    return color;
}

} // namespace preview
