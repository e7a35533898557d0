#pragma once

namespace avatrix::media {

// The three music buttons of MainWindow.
void AddBackgroundMusic();  // "添加背景音乐"
void PauseMusic();          // "暂停"
void ResumeMusic();         // "继续"

// End-of-program clean-up: removes a live player, joining its threads.
void RemoveLivePlayer();

}  // namespace avatrix::media
