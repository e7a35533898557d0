#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include <QImage>

// The process-wide table behind bitmap handles. A handle is a 32-bit number,
// never 0 and never reused, naming one image at 16, 24 or 32 bits per pixel.
// Whoever receives a handle frees it; a handle the clipboard holds cannot be
// freed by anyone else.
namespace avatrix::image {

class BitmapTable {
  public:
    static BitmapTable& Instance();

    // 0 when the image is null or not at a supported depth.
    std::uint32_t Add(QImage image, bool clipboardOwned = false);
    // A shallow (implicitly shared) copy, or nothing for an unknown handle.
    std::optional<QImage> Get(std::uint32_t handle) const;
    // Runs `change` on the stored image itself; false for an unknown handle.
    bool Modify(std::uint32_t handle, const std::function<void(QImage&)>& change);
    // Frees a caller-owned handle; false when unknown or held by the clipboard.
    bool Free(std::uint32_t handle);

    // The clipboard takes `handle` over; whatever it held before is freed.
    bool GiveToClipboard(std::uint32_t handle);
    // The handle the clipboard holds, 0 for none.
    std::uint32_t ClipboardHandle() const;
    // Replaces what the clipboard holds by a new handle for `image`.
    std::uint32_t AdoptClipboardImage(QImage image);

    std::size_t Count() const;

  private:
    struct Entry {
        QImage image;
        bool clipboardOwned = false;
    };
    mutable std::mutex mutex_;
    std::unordered_map<std::uint32_t, Entry> entries_;
    std::uint32_t next_ = 0x00010001u;
    std::uint32_t clipboard_ = 0;

    std::uint32_t AddLocked(QImage image, bool clipboardOwned);
};

}  // namespace avatrix::image
