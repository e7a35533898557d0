#pragma once

#include <optional>

#include "media/MusicPlayer.h"
#include "media/Player.h"

// Seams for the tests and benchmarks: where players send their sound, and
// what a player is doing. The program never uses them.
namespace avatrix::media::testing {

// Settings given to every player created from now on; nullopt restores the
// program's own (the sound device, paced by the device).
void SetPlayerSettings(std::optional<PlayerSettings> settings);

// The status of a live player; nullopt for an unknown handle.
std::optional<PlayerStatus> GetPlayerStatus(PlayerHandle player);

}  // namespace avatrix::media::testing
