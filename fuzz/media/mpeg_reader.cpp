// Arbitrary bytes as a music file through the program's own MP3 reader,
// opened by path as a chosen file is: nothing may crash or hang, and every
// block handed out is whole frames of a format with a rate and channels.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/MpegDecoder.h"

namespace {

// One in-memory file for the whole run, rewritten for every input.
int MemoryFile() {
    static const int fd = memfd_create("mpeg-input", 0);
    return fd;
}

bool Rewrite(int fd, const std::uint8_t* data, std::size_t size) {
    if (fd < 0 || ftruncate(fd, 0) != 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = MemoryFile();
    if (!Rewrite(fd, data, size)) {
        return 0;
    }
    avatrix::media::MpegDecoder decoder;
    if (!decoder.Open("/proc/self/fd/" + std::to_string(fd))) {
        return 0;
    }
    std::vector<unsigned char> buffer(decoder.BlockBytes());
    // A stream of tiny frames may hold many blocks; a few hundred show the
    // decoder at work without letting one input run for long.
    for (int block = 0; block < 512; ++block) {
        const std::size_t got = decoder.Read(buffer);
        if (got == 0) {
            break;
        }
        const avatrix::media::PcmFormat& format = decoder.Format();
        if (got > buffer.size() || format.rate <= 0 || format.channels <= 0 ||
            got % static_cast<std::size_t>(format.FrameBytes()) != 0) {
            std::abort();
        }
    }
    return 0;
}
