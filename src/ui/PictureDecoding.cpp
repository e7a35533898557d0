#include "ui/PictureDecoding.h"

#include <QByteArray>

#include "trace/StartupTrace.h"

namespace avatrix::ui {
namespace {

PictureDecoderFn& Decoder() {
    static auto* decoder = new PictureDecoderFn;
    return *decoder;
}

}  // namespace

void SetPictureDecoder(PictureDecoderFn decoder) {
    Decoder() = std::move(decoder);
}

QImage DecodePicture(const ByteSet& bytes) {
    if (bytes.empty()) {
        return {};
    }
    trace::Span span("picture decode");
    if (const PictureDecoderFn& decoder = Decoder()) {
        return decoder(bytes);
    }
    return QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size())));
}

}  // namespace avatrix::ui
