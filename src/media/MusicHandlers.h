#pragma once

#include "ui/Toolkit.h"

namespace avatrix::media {

// The units the music buttons work with, handed over by the window that
// holds them. The chosen path lives only in the dialog and the path box.
struct MusicUnits {
    ui::UnitRef dialog;   // the file dialog, shared with the font choice
    ui::UnitRef pathBox;  // a hidden edit box: the path of the music playing
    ui::UnitRef pauseButton;
    ui::UnitRef resumeButton;
};

// The three music buttons.
void AddBackgroundMusic(const MusicUnits& units);  // "添加背景音乐"
void PauseMusic(const MusicUnits& units);          // "暂停"
void ResumeMusic(const MusicUnits& units);         // "继续"

// End-of-program clean-up: removes a live player, joining its threads.
void RemoveLivePlayer();

}  // namespace avatrix::media
