#pragma once

#include <vector>

#include <QColor>
#include <QRect>
#include <QString>

#include "render/AvatarComposer.h"
#include "render/BannerPainter.h"
#include "render/NameAvatar.h"

// What one avatar looks like: the banner text and its font, the colours, the
// strip and where it lies on the avatar, how the picture fills the box, and
// how the file is written. The defaults are the main program's own start-up
// banner, laid along the bottom of the avatar.
namespace avatrix::cli {

inline constexpr int kAvatarSide = render::kAvatarBoxSize.width();
// The main program's windows and boxes show the desktop palette's window
// colour until a colour is chosen; this is that colour on a desktop without a
// theme of its own, the one its tests see. The avatar box shows it where no
// picture covers it, the banner strip all over.
inline constexpr QColor kWindowColour = QColor(0xEF, 0xEF, 0xEF);

// The banner at its own height, moved onto the avatar's bottom edge and
// widened to the avatar, as "横批放到头像底部" lays it.
inline QRect DefaultStrip() {
    const int height = render::BannerStyle().stripSize.height();
    return QRect(0, kAvatarSide - height, kAvatarSide, height);
}

struct RenderSettings {
    QString text;
    QString face = render::DefaultFace();
    int pointSize = render::kDefaultPointSize;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor textColour = render::BannerStyle().textColour;
    QColor stripColour = kWindowColour;
    int opacity = 255;
    // The strip on the avatar, and the text area inside the strip (the
    // banner's label); a null label means the whole strip.
    QRect strip = DefaultStrip();
    QRect label;
    bool fill = false;
    bool outline = false;
    bool shadow = false;
    double scale = 1.0;
    int quality = 90;  // JPEG only

    // Whether --size and --text-colour were given: without them the text is
    // sized to its space, and a name avatar's text is white.
    bool sizeGiven = false;
    bool textColourGiven = false;
    // Where the text lies across its space when no label is given.
    Qt::AlignmentFlag align = Qt::AlignHCenter;
    bool allowMissingGlyphs = false;
    // A name avatar's background: invalid for the name's own colour; with a
    // valid second colour, a gradient between the two.
    QColor background;
    QColor gradientEnd;
    bool initials = false;
    render::AvatarShape shape = render::AvatarShape::Square;
    int avatarSize = kAvatarSide;  // the output's side at a scale of 1
};

inline constexpr int kLargestAvatarSize = 1024;

// Sets one setting from its option name without the dashes ("size",
// "text-colour", "bold", ...) and its value as written. Switches take yes/no,
// true/false, on/off or 1/0. On a bad name or value nothing changes and
// `error` says why.
bool ApplySetting(RenderSettings& settings, const QString& name, const QString& value,
                  QString& error);

// The option names ApplySetting knows, whether each is a switch, and what
// its value looks like.
struct SettingName {
    const char* name;
    bool isSwitch;
    const char* valueName;  // null for a switch
};
const std::vector<SettingName>& SettingNames();

}  // namespace avatrix::cli
