#include "ui/FontMapping.h"

#include "ui/QtText.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {

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

}  // namespace avatrix::ui::detail
