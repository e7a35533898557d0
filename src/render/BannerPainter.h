#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>

#include "render/BannerFont.h"

// The banner: a coloured strip with one text on it. Everything that shows a
// banner draws it here (the banner window on the screen, the avatar export,
// the command-line renderer), so they all give the same pixels.
namespace avatrix::render {

struct BannerStyle {
    QString text;
    BannerFont font;
    QColor textColour = Qt::black;
    QColor stripColour = QColor(240, 240, 240);  // the classic dialog grey
    int opacity = 255;  // 0 invisible to 255 opaque; used where the banner is laid over something
    QSize stripSize = QSize(181, 51);        // the banner window's client area
    QRect labelRect = QRect(0, 0, 208, 24);  // where the text goes, in strip coordinates
    bool outline = false;  // a 2-pixel ring around the glyphs, contrasting with the text
    bool shadow = false;   // a soft black shadow at half opacity, 2 pixels right and down
    // Text laid out by FitBannerText: its pixel size (0 keeps the font's
    // own), and the rectangle and flags it is drawn with in label
    // coordinates (a null rectangle keeps the label, word-wrapped from its
    // top-left corner, as the banner window draws it).
    int pixelSize = 0;
    QRectF textRect;
    int textFlags = 0;
    // Emoji in colour: the colour emoji face is tried right after the
    // font's own, before faces with plain outline emoji.
    bool colourEmoji = false;
};

inline constexpr const char* kColourEmojiFace = "Noto Color Emoji";

// The font the style's text is drawn with.
QFont BannerQFont(const BannerStyle& style);

// Fills the strip (0, 0, stripSize) with the strip colour.
void PaintBannerStrip(QPainter& painter, const BannerStyle& style);

// Where the text may show: from labelRect's top-left corner to the far edges
// of the label or the strip, whichever reach further. Glyphs that the strip
// has room for are never cut by a label that is too small for them.
QRect BannerTextArea(const BannerStyle& style);

// Draws the text as one line from labelRect's top-left corner (turned about
// that corner for a turned font), or where textRect places it, clipped to
// BannerTextArea. With outline and shadow off these are exactly the pixels of
// plain text drawn with the banner's font and colour. False when the images
// for the outline or the shadow could not be allocated; the text is then not
// drawn.
bool PaintBannerText(QPainter& painter, const BannerStyle& style);

// Strip and text, as the banner window shows them at full opacity.
bool PaintBanner(QPainter& painter, const BannerStyle& style);

// The opaque banner at the given device pixel ratio: stripSize * dpr device
// pixels, RGB32 like a window's backing store, so glyphs are drawn as the
// screen draws them. With an `area` (strip coordinates), only that part of
// it, the image's offset() telling where it lies in device pixels of the
// whole. Null when the image could not be allocated or drawn in full.
QImage RenderBanner(const BannerStyle& style, qreal dpr = 1.0, QRect area = QRect());

// Black for light text, white for dark, by the text colour's luma.
QColor OutlineColourFor(const QColor& text);

}  // namespace avatrix::render
