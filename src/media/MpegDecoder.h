#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "media/Mpg123Handles.h"

namespace avatrix::media {

// The shape of decoded PCM: always signed 16-bit samples, mono or stereo, at
// the stream's own rate.
struct PcmFormat {
    long rate = 0;
    int channels = 0;
    int encoding = 0;

    int FrameBytes() const { return channels * 2; }
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// Decodes one MP3 file, block by block, into 16-bit PCM. Anything it cannot
// read (a missing file, other data, a file cut short) simply ends the stream
// early; nothing is reported beyond that.
class MpegDecoder {
  public:
    // False when the file cannot be opened at all, or is not a regular file:
    // a pipe or a device could hold the playback thread, and every stop
    // waiting for it, for ever.
    bool Open(const std::string& path);

    // Decodes the next block into `buffer` and returns the number of bytes
    // written, whole PCM frames only; 0 marks the end of the stream.
    std::size_t Read(std::span<unsigned char> buffer);

    // Valid once Read has returned data.
    const PcmFormat& Format() const { return format_; }

    // The largest block one Read can return.
    std::size_t BlockBytes() const;

  private:
    // The open file; the decoder reads it but never closes it.
    struct FileDescriptor {
        int fd = -1;
        FileDescriptor() = default;
        FileDescriptor(const FileDescriptor&) = delete;
        FileDescriptor& operator=(const FileDescriptor&) = delete;
        ~FileDescriptor() { Reset(); }
        void Reset(int replacement = -1);
    };

    // Declared before the decoder, so the decoder lets go of it first.
    FileDescriptor file_;
    DecoderHandle decoder_;
    PcmFormat format_;
};

}  // namespace avatrix::media
