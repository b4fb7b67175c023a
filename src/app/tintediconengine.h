#pragma once

#include <QIconEngine>
#include <QPalette>

// One of our own icons, drawn in the palette's colour for text instead of the colour of its
// artwork, so that it stays legible on a dark theme as on a light one. Its artwork is SVG, drawn
// anew for each size and device pixel ratio, so it stays sharp on a scaled screen.
class TintedIconEngine : public QIconEngine
{
public:
    // `offArtwork` and `onArtwork` are SVG files for the Off and On states; an empty `onArtwork`
    // draws both states alike. Artwork that cannot be read draws nothing.
    TintedIconEngine(const QString &offArtwork, const QString &onArtwork, const QPalette &palette);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;

    // The colour the icons are drawn in with this palette.
    static QColor ink(const QPalette &palette);

private:
    QPixmap drawn(const QSize &pixels, QIcon::State state) const;

    QString m_offArtwork;
    QString m_onArtwork;
    QPalette m_palette;
};

// Our icon for the palette, or the desktop theme's icon of that name where the theme has one.
QIcon themedOrTintedIcon(const QString &themeName, const QString &artwork, const QPalette &palette);
