#pragma once

#include <memory>

#include <mpg123.h>
#include <out123.h>

// Owning wrappers for the decoder and output handles, so that every path out
// of the playback code releases them.
namespace avatrix::media {

struct DecoderDeleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};
using DecoderHandle = std::unique_ptr<mpg123_handle, DecoderDeleter>;

struct OutputDeleter {
    void operator()(out123_handle* handle) const { out123_del(handle); }
};
using OutputHandle = std::unique_ptr<out123_handle, OutputDeleter>;

// A decoder that prints nothing and decodes gaplessly; null when out of memory.
DecoderHandle NewDecoder();

// An output handle that prints nothing; null when out of memory.
OutputHandle NewOutput();

}  // namespace avatrix::media
