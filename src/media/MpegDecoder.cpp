#include "media/MpegDecoder.h"

namespace avatrix::media {

namespace {

// A stream that keeps answering without producing samples is treated as
// ended rather than polled for ever.
constexpr int kMaxEmptyReads = 64;

}  // namespace

bool MpegDecoder::Open(const std::string& path) {
    decoder_ = NewDecoder();
    format_ = PcmFormat{};
    if (!decoder_) {
        return false;
    }
    // Fixing the sample type keeps every output module on one format it can
    // take; the rate and channel count stay the file's own.
    if (mpg123_open_fixed(decoder_.get(), path.c_str(), MPG123_MONO | MPG123_STEREO,
                          MPG123_ENC_SIGNED_16) != MPG123_OK) {
        decoder_.reset();
        return false;
    }
    return true;
}

std::size_t MpegDecoder::BlockBytes() const {
    const std::size_t block = decoder_ ? mpg123_outblock(decoder_.get()) : 0;
    return block > 0 ? block : 1152 * 2 * 2;
}

std::size_t MpegDecoder::Read(std::span<unsigned char> buffer) {
    if (!decoder_ || buffer.empty()) {
        return 0;
    }
    for (int attempt = 0; attempt < kMaxEmptyReads; ++attempt) {
        std::size_t done = 0;
        const int result = mpg123_read(decoder_.get(), buffer.data(), buffer.size(), &done);
        bool ended = result != MPG123_OK && result != MPG123_NEW_FORMAT;
        // A fixed-format open may never announce its format, so ask for it
        // once the first samples are there.
        if (!ended && (result == MPG123_NEW_FORMAT || format_.rate <= 0)) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            ended = mpg123_getformat(decoder_.get(), &rate, &channels, &encoding) != MPG123_OK ||
                    rate <= 0 || channels <= 0 || encoding != MPG123_ENC_SIGNED_16;
            if (!ended) {
                format_ = PcmFormat{rate, channels, encoding};
            }
        }
        if (ended) {
            decoder_.reset();
        }
        if (format_.rate > 0) {
            done -= done % static_cast<std::size_t>(format_.FrameBytes());
            if (done > 0) {
                return done;
            }
        }
        if (ended) {
            return 0;
        }
    }
    decoder_.reset();
    return 0;
}

}  // namespace avatrix::media
