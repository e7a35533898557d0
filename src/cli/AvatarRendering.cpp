#include "cli/AvatarRendering.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>

#include "image/PictureDecoder.h"
#include "render/AvatarComposer.h"
#include "render/BannerFont.h"

namespace avatrix::cli {
namespace {

render::PictureFit FitOf(const RenderSettings& settings) {
    return settings.fill ? render::PictureFit::Cover : render::PictureFit::Natural;
}

// Pictures decoded and laid out in the avatar box, the most recent first.
// Keyed by the file's bytes themselves, so a changed file is never mistaken
// for the one kept.
class FittedPictures {
  public:
    std::optional<QImage> Find(const ByteSet& file, render::PictureFit fit, double scale) {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Entry& entry) {
            return entry.fit == fit && entry.scale == scale && entry.file == file;
        });
        if (found == kept_.end()) {
            return std::nullopt;
        }
        return found->fitted;
    }

    void Keep(const ByteSet& file, render::PictureFit fit, double scale, const QImage& fitted) {
        if (file.size() > kLargestKeptFile) {
            return;
        }
        std::lock_guard lock(mutex_);
        kept_.push_front({file, fit, scale, fitted});
        if (kept_.size() > kKept) {
            kept_.pop_back();
        }
    }

  private:
    // Enough for the few backgrounds a batch shares; distinct photos each
    // cost one comparison of their sizes.
    static constexpr std::size_t kKept = 4;
    // Far above a photo's file; a larger one is decoded each time rather
    // than held in memory.
    static constexpr std::size_t kLargestKeptFile = std::size_t{8} << 20;

    struct Entry {
        ByteSet file;
        render::PictureFit fit;
        double scale;
        QImage fitted;
    };

    std::mutex mutex_;
    std::deque<Entry> kept_;
};

}  // namespace

void PrepareRendering() {
    render::InstallFaceSubstitutions();
}

render::BannerStyle BannerStyleOf(const RenderSettings& settings) {
    render::BannerStyle style;
    style.text = settings.text;
    style.font.face = settings.face;
    style.font.pointSize = settings.pointSize;
    style.font.bold = settings.bold;
    style.font.italic = settings.italic;
    style.font.underline = settings.underline;
    style.font.strikeOut = settings.strikeOut;
    style.textColour = settings.textColour;
    style.stripColour = settings.stripColour;
    style.opacity = settings.opacity;
    style.stripSize = settings.strip.size();
    style.labelRect =
        settings.label.isNull() ? QRect(QPoint(0, 0), settings.strip.size()) : settings.label;
    style.outline = settings.outline;
    style.shadow = settings.shadow;
    return style;
}

QImage RenderAvatar(const QImage& picture, const RenderSettings& settings) {
    return render::ComposeAvatar(picture, FitOf(settings), BannerStyleOf(settings),
                                 settings.strip.topLeft(), render::kAvatarBoxSize, settings.scale,
                                 kWindowColour);
}

QImage RenderAvatarFromFile(const ByteSet& pictureFile, const RenderSettings& settings) {
    static FittedPictures kept;
    const render::PictureFit fit = FitOf(settings);
    std::optional<QImage> fitted = kept.Find(pictureFile, fit, settings.scale);
    if (!fitted) {
        const QImage decoded = image::DecodePictureBytes(pictureFile);
        if (decoded.isNull()) {
            return {};
        }
        fitted = render::FitPicture(decoded, render::kAvatarBoxSize, fit, settings.scale);
        kept.Keep(pictureFile, fit, settings.scale, *fitted);
    }
    return render::ComposeFittedAvatar(*fitted, BannerStyleOf(settings), settings.strip.topLeft(),
                                       render::kAvatarBoxSize, settings.scale, kWindowColour);
}

}  // namespace avatrix::cli
