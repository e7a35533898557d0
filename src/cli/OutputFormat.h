#pragma once

#include <optional>

#include <QByteArray>
#include <QImage>
#include <QString>

namespace avatrix::cli {

enum class OutputFormat { Png, Jpeg, Bmp, Svg };

// The format a file name's extension asks for (.png, .jpg or .jpeg, .bmp,
// .svg, in any case); nothing for any other name.
std::optional<OutputFormat> FormatOfName(const QString& name);
// The same for a bare format name ("png", "jpg", "jpeg", "bmp", "svg").
// Whether the format keeps transparency (PNG and SVG do).
bool HasAlpha(OutputFormat format);
std::optional<OutputFormat> FormatNamed(const QString& name);
QString ExtensionOf(OutputFormat format);

// The avatar as file bytes: PNG (with transparency when the avatar has
// any); JPEG at `quality` (0-100); or the main program's own 16-bit BMP
// layout, the bytes it saves for the same pixels. Empty if encoding failed,
// and for SVG, which is drawn rather than encoded.
QByteArray EncodeAvatar(const QImage& avatar, OutputFormat format, int quality);

}  // namespace avatrix::cli
