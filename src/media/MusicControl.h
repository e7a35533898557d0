#pragma once

#include <vector>

#include "media/MusicPlayer.h"
#include "text/Text.h"
#include "ui/Toolkit.h"

// The program's three music calls over the process's one player slot. At
// most one player exists at a time; starting music always removes the old
// one first. Called from the UI thread only.
namespace avatrix::media {

// Plays the paths `passCount` times over, as CreatePlayer counts passes
// (kEndlessPasses without end). Empty paths are left out; with none left
// nothing plays.
void StartMusic(int passCount, const std::vector<ui::FilePath>& paths);
// The same with the names GBK texts spell.
void StartMusic(int passCount, const std::vector<Text>& paths);
void PauseCurrentMusic();
void ResumeCurrentMusic();

// The player in the slot, 0 for none.
PlayerHandle CurrentPlayer();

}  // namespace avatrix::media
