#include "render/Palette.h"

#include <algorithm>
#include <cmath>

namespace avatrix::render {
namespace {

double Linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) +
           0.0722 * Linear(rgb.blueF());
}

}  // namespace

const std::array<QColor, 16>& NamePalette() {
    // Changing or reordering these changes every name's colour.
    static const std::array<QColor, 16> palette = {
        QColor(0xC6, 0x28, 0x28), QColor(0xAD, 0x14, 0x57), QColor(0x6A, 0x1B, 0x9A),
        QColor(0x45, 0x27, 0xA0), QColor(0x28, 0x35, 0x93), QColor(0x15, 0x65, 0xC0),
        QColor(0x02, 0x77, 0xBD), QColor(0x00, 0x79, 0x6B), QColor(0x2E, 0x7D, 0x32),
        QColor(0x33, 0x69, 0x1E), QColor(0x8D, 0x5A, 0x00), QColor(0xBF, 0x36, 0x0C),
        QColor(0x5D, 0x40, 0x37), QColor(0x45, 0x5A, 0x64), QColor(0x00, 0x83, 0x8F),
        QColor(0xD8, 0x1B, 0x60),
    };
    return palette;
}

std::uint32_t NameHash(const QString& name) {
    std::uint32_t hash = 2166136261u;
    for (const char byte : name.toUtf8()) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 16777619u;
    }
    return hash;
}

QColor NameColour(const QString& name) {
    return NamePalette()[NameHash(name) % NamePalette().size()];
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace avatrix::render
