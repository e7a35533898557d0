#include "media/MusicPlayer.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/MusicTesting.h"
#include "media/Player.h"

namespace avatrix::media {

namespace {

// Players live here between CreatePlayer and RemovePlayer. Only the UI
// thread calls the operations, but the lock keeps the tests' status reads
// safe as well.
struct Registry {
    std::mutex mutex;
    std::map<PlayerHandle, std::shared_ptr<Player>> players;
    PlayerHandle lastHandle = 0;
    std::optional<PlayerSettings> settingsOverride;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::shared_ptr<Player> FindPlayer(PlayerHandle handle) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.players.find(handle);
    return found == registry.players.end() ? nullptr : found->second;
}

std::vector<std::string> SplitPlayList(std::string_view playList) {
    std::vector<std::string> paths;
    while (!playList.empty()) {
        const std::size_t end = playList.find('\0');
        const std::string_view path = playList.substr(0, end);
        if (path.empty()) {
            break;  // the extra NUL that ends the list
        }
        paths.emplace_back(path);
        if (end == std::string_view::npos) {
            break;
        }
        playList.remove_prefix(end + 1);
    }
    return paths;
}

}  // namespace

PlayerHandle CreatePlayer(std::string_view playList, int passCount) {
    std::vector<std::string> paths = SplitPlayList(playList);
    if (paths.empty()) {
        return 0;
    }
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    PlayerSettings settings = registry.settingsOverride.value_or(PlayerSettings{});
    PlayerHandle handle = registry.lastHandle;
    do {
        handle = handle == INT32_MAX ? 1 : handle + 1;
    } while (registry.players.contains(handle));
    registry.lastHandle = handle;
    registry.players.emplace(
        handle, std::make_shared<Player>(std::move(paths), passCount, std::move(settings)));
    return handle;
}

void NewPlay(PlayerHandle player) {
    if (const auto found = FindPlayer(player)) {
        found->Play();
    }
}

void SetPauseState(PlayerHandle player, int state) {
    if (const auto found = FindPlayer(player)) {
        found->SetPaused(state != 0);
    }
}

void RemovePlayer(PlayerHandle player) {
    std::shared_ptr<Player> removed;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.players.find(player);
        if (found == registry.players.end()) {
            return;
        }
        removed = std::move(found->second);
        registry.players.erase(found);
    }
    // Joined here, outside the lock, so the slot can be refilled at once.
    removed->Stop();
}

namespace testing {

void SetPlayerSettings(std::optional<PlayerSettings> settings) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.settingsOverride = std::move(settings);
}

std::optional<PlayerStatus> GetPlayerStatus(PlayerHandle player) {
    if (const auto found = FindPlayer(player)) {
        return found->Status();
    }
    return std::nullopt;
}

}  // namespace testing

}  // namespace avatrix::media
