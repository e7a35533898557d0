#include "cli/AvatarJob.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "cli/AvatarRendering.h"
#include "image/PictureDecoder.h"

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

QString Write(const QString& output, const QByteArray& bytes, bool force) {
    if (force) {
        // Readers never see half an avatar where an old one was.
        QSaveFile file(output);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            return QStringLiteral("cannot write %1: %2").arg(output, file.errorString());
        }
        return {};
    }
    // Created only if nothing is there, in one step.
    QFile file(output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return QFileInfo::exists(output)
                   ? ExistsMessage(output)
                   : QStringLiteral("cannot write %1: %2").arg(output, file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString message =
            QStringLiteral("cannot write %1: %2").arg(output, file.errorString());
        file.close();
        file.remove();
        return message;
    }
    return {};
}

}  // namespace

QString MakeAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force) {
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
    QByteArray encoded;
    if (format == OutputFormat::Svg) {
        QImage decoded;
        if (!picture.isEmpty()) {
            decoded = image::DecodePictureBytes(bytes);
            if (decoded.isNull()) {
                return QStringLiteral("cannot decode picture %1").arg(picture);
            }
        }
        encoded = RenderSvgAvatar(decoded, settings, error);
    } else {
        const QImage avatar = picture.isEmpty() ? RenderAvatar(QImage(), settings, error)
                                                : RenderAvatarFromFile(bytes, settings, error);
        if (avatar.isNull() && error.isEmpty()) {
            return QStringLiteral("cannot decode picture %1").arg(picture);
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
    return Write(output, encoded, force);
}

}  // namespace avatrix::cli
