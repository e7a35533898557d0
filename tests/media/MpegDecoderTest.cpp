#include "media/MpegDecoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "SoundFiles.h"

namespace avatrix::media {
namespace {

using test::Sounds;

// Decodes a whole file and returns its PCM frame count, 0 if it cannot be
// opened.
std::int64_t DecodedFrames(const std::filesystem::path& file, PcmFormat* format = nullptr) {
    MpegDecoder decoder;
    if (!decoder.Open(file.string())) {
        return 0;
    }
    std::vector<unsigned char> block(decoder.BlockBytes());
    std::int64_t frames = 0;
    while (const std::size_t bytes = decoder.Read(block)) {
        EXPECT_EQ(bytes % static_cast<std::size_t>(decoder.Format().FrameBytes()), 0u);
        frames += static_cast<std::int64_t>(bytes) / decoder.Format().FrameBytes();
    }
    if (format != nullptr) {
        *format = decoder.Format();
    }
    return frames;
}

TEST(MpegDecoderTest, DecodesExactlyTheEncodedSamples) {
    PcmFormat format;
    EXPECT_EQ(DecodedFrames(Sounds().tone, &format), test::kToneFrames);
    EXPECT_EQ(format.rate, 44100);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.encoding, MPG123_ENC_SIGNED_16);
    EXPECT_EQ(DecodedFrames(Sounds().shortTone), test::kShortToneFrames);
}

TEST(MpegDecoderTest, BrokenFilesEndEarlyWithoutError) {
    EXPECT_FALSE(MpegDecoder().Open(Sounds().missing.string()));
    EXPECT_EQ(DecodedFrames(Sounds().empty), 0);
    EXPECT_EQ(DecodedFrames(Sounds().notMp3), 0);
    const std::int64_t truncated = DecodedFrames(Sounds().truncated);
    EXPECT_GT(truncated, 0);
    EXPECT_LT(truncated, test::kToneFrames);
}

}  // namespace
}  // namespace avatrix::media
