#pragma once

#include <array>
#include <cstdint>

#include <QColor>
#include <QString>

// The colour a name gets when none is asked for. It depends on the name's
// UTF-8 bytes only, through FNV-1a (32 bits: offset basis 2166136261, prime
// 16777619), so a name has the same colour on every machine, in every run
// and in every version; unlike a sum of the characters, anagrams differ.
namespace avatrix::render {

// Sixteen colours, each at least 4.5 : 1 in contrast against white text.
const std::array<QColor, 16>& NamePalette();

std::uint32_t NameHash(const QString& name);

// NamePalette()[NameHash(name) % 16].
QColor NameColour(const QString& name);

// The WCAG contrast ratio of two colours, from 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace avatrix::render
