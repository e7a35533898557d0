#include "cli/AvatarJob.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <vector>

#include "cli/AvatarRendering.h"
#include "image/PictureDecoder.h"
#include "render/AvatarComposer.h"

namespace avatrix::cli {
namespace {

// No picture the decoders accept comes near this; a larger file is refused
// before it is read into memory.
constexpr qint64 kLargestPictureFile = qint64{256} << 20;

QString ExistsMessage(const QString& output) {
    return QStringLiteral("%1 exists; not replaced (--force replaces it)").arg(output);
}

bool ReadPicture(const QString& path, ByteSet& bytes, QString& error) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open picture %1").arg(path);
        return false;
    }
    const qint64 size = file.size();
    if (size > kLargestPictureFile) {
        error = QStringLiteral("picture %1 is too large").arg(path);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (file.read(reinterpret_cast<char*>(bytes.data()), size) != size) {
        error = QStringLiteral("cannot read picture %1").arg(path);
        return false;
    }
    return true;
}

QString Write(const QString& output, const QByteArray& bytes, bool force,
              std::span<const ui::FileIdentity> inputs, bool syncFolder) {
    const ui::FileWrite write =
        ui::WriteFileSafely(QFile::encodeName(output).toStdString(),
                            std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())),
                            force, inputs, syncFolder);
    switch (write.outcome) {
        case ui::WriteOutcome::Written:
            return {};
        case ui::WriteOutcome::Exists:
            return ExistsMessage(output);
        case ui::WriteOutcome::Link:
            return QStringLiteral("%1 is a symbolic link; nothing is written through it")
                .arg(output);
        case ui::WriteOutcome::SameAsInput:
            return QStringLiteral("%1 is a picture this run reads; not replaced").arg(output);
        case ui::WriteOutcome::Failed:
            break;
    }
    return QStringLiteral("cannot write %1: %2")
        .arg(output, QString::fromLocal8Bit(ui::SystemReason(write.error)));
}

}  // namespace

QString MakeAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force, std::span<const ui::FileIdentity> inputs) {
    QByteArray encoded;
    if (QString error = DrawAvatar(picture, settings, format, output, force, encoded);
        !error.isEmpty()) {
        return error;
    }
    return WriteAvatar(picture, output, encoded, force, inputs);
}

QString DrawAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force, QByteArray& encoded) {
    // Checked first as well, so a rerun skips finished avatars without
    // drawing them.
    if (!force && QFileInfo::exists(output)) {
        return ExistsMessage(output);
    }
    if (settings.shape != render::AvatarShape::Square && !HasAlpha(format)) {
        return QStringLiteral(
                   "%1: BMP and JPEG have no transparency for the corners of --shape; "
                   "write .png or .svg")
            .arg(output);
    }
    ByteSet bytes;
    if (!picture.isEmpty()) {
        QString error;
        if (!ReadPicture(picture, bytes, error)) {
            return error;
        }
    } else if (settings.text.trimmed().isEmpty()) {
        return QStringLiteral("an avatar without a picture needs a text");
    }
    QString error;
    encoded.clear();
    if (format == OutputFormat::Svg) {
        QImage decoded;
        if (!picture.isEmpty()) {
            decoded = image::DecodePictureFor(bytes, PictureUseOf(settings));
            if (decoded.isNull()) {
                return QStringLiteral("cannot decode picture %1").arg(picture);
            }
        }
        encoded = RenderSvgAvatar(decoded, settings, error);
    } else {
        bool decoded = true;
        const QImage avatar = picture.isEmpty()
                                  ? RenderNameAvatar(settings, error)
                                  : RenderAvatarFromFile(bytes, settings, decoded, error);
        if (!decoded) {
            return QStringLiteral("cannot decode picture %1").arg(picture);
        }
        if (avatar.isNull() && error.isEmpty()) {
            // Never an avatar with a part left out.
            return QStringLiteral("cannot draw the avatar of %1: not enough memory").arg(picture);
        }
        if (error.isEmpty()) {
            encoded = EncodeAvatar(avatar, format, settings.quality);
        }
    }
    if (!error.isEmpty()) {
        return error;
    }
    if (encoded.isEmpty()) {
        return QStringLiteral("cannot encode %1").arg(output);
    }
    return {};
}

QString WriteAvatar(const QString& picture, const QString& output, const QByteArray& encoded,
                    bool force, std::span<const ui::FileIdentity> inputs, bool syncFolder) {
    // The picture itself is never replaced, whether or not it is one of the
    // run's others.
    ui::FileIdentity own;
    if (picture.isEmpty() || !ui::IdentifyFile(QFile::encodeName(picture).toStdString(), own) ||
        std::binary_search(inputs.begin(), inputs.end(), own)) {
        return Write(output, encoded, force, inputs, syncFolder);
    }
    std::vector<ui::FileIdentity> pictures(inputs.begin(), inputs.end());
    pictures.insert(std::upper_bound(pictures.begin(), pictures.end(), own), own);
    return Write(output, encoded, force, pictures, syncFolder);
}

std::int64_t AvatarMemoryEstimate(const QString& picture, const RenderSettings& settings) {
    // The avatar, the fitted picture, the strip and its glyph masks are each
    // at most the avatar's size in device pixels, a few of them at a time;
    // the decoders hold a few rows of the picture beside its file's bytes.
    const auto side = static_cast<std::int64_t>(std::ceil(settings.avatarSize * settings.scale));
    constexpr std::int64_t kDrawingImages = 8;
    constexpr std::int64_t kDecoderRows = std::int64_t{8} << 20;
    return QFileInfo(picture).size() + side * side * 4 * kDrawingImages + kDecoderRows;
}

}  // namespace avatrix::cli
