#pragma once

#include <cstdint>
#include <string_view>

// The player entries the program calls. Handles are handed out by
// CreatePlayer and name one player until RemovePlayer; an unknown handle is
// ignored by every operation.
namespace avatrix::media {

using PlayerHandle = std::int32_t;

// A pass count is how often a play list is played; this one (or any negative
// value) plays it until it is stopped.
inline constexpr int kEndlessPasses = 0;

// `playList` is a block of file-system paths (UTF-8, as the file system
// takes them), each ended by NUL, with one more NUL after the last. Returns 0
// when the list holds no path.
PlayerHandle CreatePlayer(std::string_view playList, int passCount);

// Starts the current entry from its beginning and returns at once.
void NewPlay(PlayerHandle player);

// 1 pauses, 0 resumes.
void SetPauseState(PlayerHandle player, int state);

// Stops playback, waits for the playback thread to end and frees the player.
void RemovePlayer(PlayerHandle player);

}  // namespace avatrix::media
