#pragma once

#include <vector>

#include <QColor>
#include <QRect>
#include <QString>

// What one avatar looks like: the banner text and its font, the colours, the
// strip and where it lies on the avatar, how the picture fills the box, and
// how the file is written. The defaults are the main program's own start-up
// banner, laid along the bottom of the avatar.
namespace avatrix::cli {

inline constexpr int kAvatarSide = 184;

struct RenderSettings {
    QString text;
    QString face = QStringLiteral("宋体");
    int pointSize = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor textColour = QColor(0, 0, 0);
    // The window colour the main program's banner shows until a colour is
    // chosen.
    QColor stripColour = QColor(0xEF, 0xEF, 0xEF);
    int opacity = 255;
    // The strip on the avatar, and the text area inside the strip (the
    // banner's label); an empty label means the whole strip.
    QRect strip{0, kAvatarSide - 51, kAvatarSide, 51};
    QRect label;
    bool fill = false;
    bool outline = false;
    bool shadow = false;
    double scale = 1.0;
    int quality = 90;  // JPEG only
};

// Sets one setting from its option name without the dashes ("size",
// "text-colour", "bold", ...) and its value as written. Switches take yes/no,
// true/false, on/off or 1/0. On a bad name or value nothing changes and
// `error` says why.
bool ApplySetting(RenderSettings& settings, const QString& name, const QString& value,
                  QString& error);

// The option names ApplySetting knows, and whether each is a switch.
struct SettingName {
    const char* name;
    bool isSwitch;
    const char* valueName;
};
const std::vector<SettingName>& SettingNames();

}  // namespace avatrix::cli
