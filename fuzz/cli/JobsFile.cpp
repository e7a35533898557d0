// Outside jobs-file bytes through the batch's line parser: whatever it makes
// of them, every job must name a plain output file inside the output folder
// and carry settings the renderer can draw.
#include <cstddef>
#include <cstdint>

#include <QDir>

#include "cli/JobsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix::cli;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const JobList list = ParseJobs(bytes, RenderSettings{}, OutputFormat::Png, QDir("/jobs"));
    int lastLine = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Job job = list.At(i);
        const RenderSettings& s = job.settings;
        if (job.line <= lastLine || job.output.isEmpty() || job.output.contains(u'/') ||
            job.output == u"." || job.output == u".." || !FormatOfName(job.output) ||
            s.avatarSize < 16 || s.avatarSize > kLargestAvatarSize || s.opacity < 0 ||
            s.opacity > 255 || s.pointSize < 1 || s.strip.width() < 1 || s.strip.height() < 1 ||
            !(s.scale > 0) || s.quality < 0 || s.quality > 100 || !s.textColour.isValid() ||
            !s.stripColour.isValid() || job.line != list.LineOf(i) ||
            job.picture != list.PictureOf(i)) {
            __builtin_trap();
        }
        lastLine = job.line;
    }
    for (const BadLine& bad : list.bad) {
        if (bad.line <= 0 || bad.reason.isEmpty()) {
            __builtin_trap();
        }
    }
    return 0;
}
