#pragma once

#include <optional>
#include <vector>

#include "media/MusicPlayer.h"
#include "text/Text.h"
#include "ui/Toolkit.h"

// The program's three music calls over the process's one player slot. At
// most one player exists at a time; starting music always removes the old
// one first. Called from the UI thread only.
namespace avatrix::media {

// `playCount`: absent plays once, 0 plays nothing, kPlayEndlessly (or any
// lower value) plays without end, anything else that many times; it becomes
// the player's pass count (where kEndlessPasses means no end). Empty paths are
// left out; with none left nothing plays.
inline constexpr int kPlayEndlessly = -1;
void StartMusic(std::optional<int> playCount, const std::vector<ui::FilePath>& paths);
// The same with the names GBK texts spell.
void StartMusic(std::optional<int> playCount, const std::vector<Text>& paths);
void PauseCurrentMusic();
void ResumeCurrentMusic();

// The player in the slot, 0 for none.
PlayerHandle CurrentPlayer();

}  // namespace avatrix::media
