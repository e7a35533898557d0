#include "ui/FontMapping.h"

#include "ui/QtText.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

// The captions' boxes were laid out for a Song face at 12 pixels, but
// one of them cannot hold its text at that size: the usage hint has 37
// ideographs (444 pixels) and only 440 pixels of it show beside the support
// picture. At 11 pixels every caption keeps a pixel or more of its box free
// on each side, at any scale, and lines stay within the 12 they were given.
constexpr int kInterfacePixelSize = 11;

}  // namespace

render::BannerFont ToBannerFont(const FontRecord& record) {
    const FontRecord font = NormaliseFont(record);
    render::BannerFont result;
    result.face = ToQString(font.face);
    result.pointSize = font.size;
    result.bold = font.bold;
    result.italic = font.italic;
    result.underline = font.underline;
    result.strikeOut = font.strikeOut;
    result.angle = font.angle;
    return result;
}

QFont ToQFont(const FontRecord& record) {
    return render::ToQFont(ToBannerFont(record));
}

QFont InterfaceFont() {
    // AR PL UMing has the metrics of the face the layouts were drawn for: its
    // lines are as high as its pixel size and its Latin letters half as wide
    // as its ideographs. Noto Serif CJK SC stands in where it is missing.
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(kInterfacePixelSize);
    // Strokes on whole pixels: the Ming face's thin strokes stay dark at
    // caption sizes instead of smearing into grey.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace avatrix::ui::detail
