#pragma once

#include <QFont>
#include <QString>

// The banner's font as plain values, and the one mapping from it to the Qt
// font that draws it. The program's windows and the command-line renderer
// both go through here, so a face and size give the same glyphs everywhere.
namespace avatrix::render {

struct BannerFont {
    QString face;       // empty reads as the default face "宋体"
    int pointSize = 0;  // points at 96 pixels per inch; 0 is the face's default height
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int angle = 0;  // tenths of a degree, counter-clockwise
};

inline constexpr int kDefaultPointSize = 9;
inline constexpr int kLargestPixelSize = 2000;

// The face a font record names when it names none.
QString DefaultFace();

// Sizes count points at 96 pixels per inch, as the desktop the layouts were
// drawn for does; size 0 is the face's default height, a negative size counts
// as its magnitude, and absurd sizes are held to what can be drawn.
QFont ToQFont(const BannerFont& font);

// The program's default face has no file of that name on this platform;
// this registers the face that draws it. Call once after the Qt application
// object exists, before any text is drawn.
void InstallFaceSubstitutions();

}  // namespace avatrix::render
