#include "render/BannerFont.h"

#include <QStringList>
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
    return result;
}

void InstallFaceSubstitutions() {
    // AR PL UMing has the metrics of the face the layouts were drawn for: at
    // 12 pixels its lines are 12 pixels high and its Latin letters half as
    // wide as its ideographs. Noto Serif CJK SC stands in where it is missing.
    const QStringList faces{QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")};
    QFont::insertSubstitutions(DefaultFace(), faces);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), faces);
}

}  // namespace avatrix::render
