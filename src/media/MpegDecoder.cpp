#include "media/MpegDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace avatrix::media {

namespace {

// A stream that keeps answering without producing samples is treated as
// ended rather than polled for ever.
constexpr int kMaxEmptyReads = 64;

// Opens the file for decoding with one fixed output format: 16-bit samples at
// the stream's own rate and channel count, which every output module takes.
// The file is already open, so this reads from its descriptor.
bool OpenFixed(mpg123_handle* decoder, int fd) {
    constexpr int kChannels = MPG123_MONO | MPG123_STEREO;
    mpg123_param2(decoder, MPG123_ADD_FLAGS, MPG123_NO_FRANKENSTEIN, 0.0);
    if (mpg123_format_none(decoder) != MPG123_OK ||
        mpg123_format2(decoder, 0, kChannels, MPG123_ENC_SIGNED_16) != MPG123_OK ||
        mpg123_open_fd(decoder, fd) != MPG123_OK) {
        return false;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // The first frame decides; later frames are made to match it.
    if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK ||
        mpg123_format_none(decoder) != MPG123_OK ||
        mpg123_format(decoder, rate, channels, encoding) != MPG123_OK) {
        mpg123_close(decoder);
        return false;
    }
    if (mpg123_length(decoder) < 0) {
        mpg123_scan(decoder);  // no header frame tells the length
    }
    return true;
}

}  // namespace

void MpegDecoder::FileDescriptor::Reset(int replacement) {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = replacement;
}

bool MpegDecoder::Open(const std::string& path) {
    decoder_.reset();
    file_.Reset();
    format_ = PcmFormat{};
    // Non-blocking, so that a pipe without a writer opens at once and is then
    // refused by its type; reads of a regular file never wait anyway.
    file_.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (file_.fd < 0 || ::fstat(file_.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        file_.Reset();
        return false;
    }
    decoder_ = NewDecoder();
    if (!decoder_ || !OpenFixed(decoder_.get(), file_.fd)) {
        decoder_.reset();
        file_.Reset();
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
