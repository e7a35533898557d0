#include "render/BannerFont.h"

#include <algorithm>
#include <cstdlib>

namespace avatrix::render {

QString DefaultFace() {
    return QString::fromUtf8("宋体");
}

QFont ToQFont(const BannerFont& font) {
    QFont result(font.face.isEmpty() ? DefaultFace() : font.face);
    const long long points = font.pointSize == 0
                                 ? kDefaultPointSize
                                 : std::llabs(static_cast<long long>(font.pointSize));
    result.setPixelSize(static_cast<int>(
        std::clamp(points * 96 / 72, 1LL, static_cast<long long>(kLargestPixelSize))));
    result.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    result.setStrikeOut(font.strikeOut);
    // Set, not left to be taken from the program's interface font: the
    // windows and the command-line renderer draw the same glyphs.
    result.setHintingPreference(QFont::PreferDefaultHinting);
    return result;
}

void InstallFaceSubstitutions() {
    QFont::insertSubstitution(DefaultFace(), QStringLiteral("Noto Serif CJK SC"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"));
}

}  // namespace avatrix::render
