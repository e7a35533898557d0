#include "media/Mpg123Handles.h"

#include <mutex>

namespace avatrix::media {

namespace {

void InitDecoderLibraryOnce() {
    // A no-op on current library versions, required by older ones.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

DecoderHandle NewDecoder() {
    InitDecoderLibraryOnce();
    int error = MPG123_OK;
    DecoderHandle decoder(mpg123_new(nullptr, &error));
    if (!decoder) {
        return decoder;
    }
    mpg123_param2(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    return decoder;
}

OutputHandle NewOutput() {
    OutputHandle output(out123_new());
    if (!output) {
        return output;
    }
    out123_param2(output.get(), OUT123_ADD_FLAGS, OUT123_QUIET, 0.0, nullptr);
    out123_param2(output.get(), OUT123_NAME, 0, 0.0, "Avatrix");
    return output;
}

}  // namespace avatrix::media
