#include "app/tintediconengine.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

TintedIconEngine::TintedIconEngine(const QString &offArtwork, const QString &onArtwork,
                                   const QPalette &palette)
    : m_offArtwork(offArtwork), m_onArtwork(onArtwork), m_palette(palette)
{ }

// The text colour a little toward the window's, as quiet as the grey the artwork was drawn in on
// the default light palette (#444 on #efefef), and as legible on a dark one.
QColor TintedIconEngine::ink(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    constexpr qreal towardWindow = 0.285;
    auto mix = [](int from, int to) {
        return qRound(from + (to - from) * towardWindow);
    };
    return QColor(mix(text.red(), window.red()), mix(text.green(), window.green()),
                  mix(text.blue(), window.blue()));
}

// The artwork keeps its shape and coverage (alpha); every pixel takes the ink. The disabled and
// selected looks are the style's, made from that, as for any other icon. Qt asks for the size in
// device pixels, so the artwork is drawn at the screen's own resolution.
QPixmap TintedIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    QPixmap pixmap = drawn(size, state);
    if (mode == QIcon::Disabled || mode == QIcon::Selected) {
        QStyleOption option;
        option.palette = m_palette;
        pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
    }
    return pixmap;
}

QPixmap TintedIconEngine::drawn(const QSize &pixels, QIcon::State state) const
{
    const QString &artwork =
        state == QIcon::On && !m_onArtwork.isEmpty() ? m_onArtwork : m_offArtwork;
    const QColor colour = ink(m_palette);
    const QString cacheKey = QStringLiteral("penwick-tinted:%1:%2x%3:%4")
                                 .arg(artwork)
                                 .arg(pixels.width())
                                 .arg(pixels.height())
                                 .arg(colour.name());
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey, &pixmap))
        return pixmap;
    QImageReader reader(artwork);
    reader.setScaledSize(pixels);
    QImage image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QPixmap();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    painter.end();
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(cacheKey, pixmap);
    return pixmap;
}

void TintedIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                             QIcon::State state)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1;
    painter->drawPixmap(rect, pixmap(rect.size() * scale, mode, state));
}

QSize TintedIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    return size;
}

QIconEngine *TintedIconEngine::clone() const
{
    return new TintedIconEngine(m_offArtwork, m_onArtwork, m_palette);
}

QString TintedIconEngine::key() const
{
    return QStringLiteral("PenwickTinted");
}

QIcon themedOrTintedIcon(const QString &themeName, const QString &artwork, const QPalette &palette)
{
    return QIcon::fromTheme(themeName, QIcon(new TintedIconEngine(artwork, QString(), palette)));
}
