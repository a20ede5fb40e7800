#include "audio/switched_sound_player.h"

void SwitchedSoundPlayer::Use(int index) {
    const int old = active_.load();
    if (index == old || index < 0 || index > 1) return;
    players_[index]->LoadSoundBank();
    active_.store(index, std::memory_order_release);
    players_[old]->ReleaseSoundBank();
}
