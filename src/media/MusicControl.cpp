#include "media/MusicControl.h"

#include <atomic>
#include <string>

#include "media/MusicHandlers.h"

namespace avatrix::media {

namespace {

// Atomic only so that a test thread may look at it; the program touches it
// from the UI thread alone.
std::atomic<PlayerHandle> slot{0};

}  // namespace

void StartMusic(std::optional<int> playCount, const std::vector<Text>& paths) {
    std::vector<ui::FilePath> names;
    names.reserve(paths.size());
    for (const Text& path : paths) {
        names.push_back(ui::PathOfText(path));
    }
    StartMusic(playCount, names);
}

void StartMusic(std::optional<int> playCount, const std::vector<ui::FilePath>& paths) {
    RemoveLivePlayer();
    int passes = playCount.value_or(1);
    if (passes == 0) {
        return;
    }
    if (passes < 0) {
        passes = kEndlessPasses;
    }
    std::string playList;
    for (const ui::FilePath& path : paths) {
        if (!path.empty()) {
            playList += path.bytes;
            playList += '\0';
        }
    }
    if (playList.empty()) {
        return;
    }
    playList += '\0';
    const PlayerHandle player = CreatePlayer(playList, passes);
    if (player != 0) {
        slot = player;
        NewPlay(player);
    }
}

void PauseCurrentMusic() {
    if (const PlayerHandle player = slot) {
        SetPauseState(player, 1);
    }
}

void ResumeCurrentMusic() {
    if (const PlayerHandle player = slot) {
        SetPauseState(player, 0);
    }
}

PlayerHandle CurrentPlayer() {
    return slot;
}

void RemoveLivePlayer() {
    if (const PlayerHandle player = slot.exchange(0)) {
        RemovePlayer(player);
    }
}

}  // namespace avatrix::media
