#include "image/BitmapTable.h"

#include "image/PixelFormats.h"

namespace avatrix::image {

BitmapTable& BitmapTable::Instance() {
    static BitmapTable table;
    return table;
}

std::uint32_t BitmapTable::AddLocked(QImage image, bool clipboardOwned) {
    if (image.isNull() || DepthOf(image) == 0) {
        return 0;
    }
    // Handles are not reused, so a stale handle can never reach a newer image.
    std::uint32_t handle = next_++;
    while (handle == 0 || entries_.contains(handle)) {
        handle = next_++;
    }
    entries_.emplace(handle, Entry{std::move(image), clipboardOwned});
    return handle;
}

std::uint32_t BitmapTable::Add(QImage image, bool clipboardOwned) {
    std::lock_guard lock(mutex_);
    return AddLocked(std::move(image), clipboardOwned);
}

std::optional<QImage> BitmapTable::Get(std::uint32_t handle) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(handle);
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->second.image;
}

bool BitmapTable::Modify(std::uint32_t handle, const std::function<void(QImage&)>& change) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(handle);
    if (it == entries_.end()) {
        return false;
    }
    change(it->second.image);
    return true;
}

bool BitmapTable::Free(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(handle);
    if (it == entries_.end() || it->second.clipboardOwned) {
        return false;
    }
    entries_.erase(it);
    return true;
}

bool BitmapTable::GiveToClipboard(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(handle);
    if (it == entries_.end()) {
        return false;
    }
    if (clipboard_ != 0 && clipboard_ != handle) {
        entries_.erase(clipboard_);
    }
    it->second.clipboardOwned = true;
    clipboard_ = handle;
    return true;
}

std::uint32_t BitmapTable::ClipboardHandle() const {
    std::lock_guard lock(mutex_);
    return clipboard_;
}

std::uint32_t BitmapTable::AdoptClipboardImage(QImage image) {
    std::lock_guard lock(mutex_);
    const std::uint32_t handle = AddLocked(std::move(image), true);
    if (handle == 0) {
        return 0;
    }
    if (clipboard_ != 0) {
        entries_.erase(clipboard_);
    }
    clipboard_ = handle;
    return handle;
}

std::size_t BitmapTable::Count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace avatrix::image
