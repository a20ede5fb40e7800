// Plays through one of two sound players and moves the sound list from one to
// the other when asked: the Options menu's choice between the DirectSound
// engine and the sample-accurate stream. The player in use is one atomic
// index, so the thread that sounds steps switches with the next step and
// never waits.
#pragma once

#include <atomic>

#include "audio/sound_player.h"

class SwitchedSoundPlayer : public SoundPlayer {
public:
    SwitchedSoundPlayer(SoundPlayer& first, SoundPlayer& second) : players_{&first, &second} {}

    int Active() const { return active_.load(); }
    // Plays through player `index` (0 or 1) from now on: it loads the sound
    // list, then the other stops its voices and lets its sounds go.
    void Use(int index);

    void Trigger(int measure, int step, double dueMs) override { Current().Trigger(measure, step, dueMs); }
    void StopVoice(int measure, int step, double dueMs) override { Current().StopVoice(measure, step, dueMs); }
    void KillAllSound() override { Current().KillAllSound(); }
    void SilencePlayingVoices() override { Current().SilencePlayingVoices(); }
    void ReapplyVolumes() override { Current().ReapplyVolumes(); }
    long AssignSound(int measure, int step, int sound) override { return Current().AssignSound(measure, step, sound); }
    void RetunePlayingVoices() override { Current().RetunePlayingVoices(); }
    void LoadSoundBank() override { Current().LoadSoundBank(); }
    void ReleaseSoundBank() override { Current().ReleaseSoundBank(); }
    int SoundCount() const override { return Current().SoundCount(); }
    bool HasMaster(int sound) const override { return Current().HasMaster(sound); }

private:
    SoundPlayer& Current() const { return *players_[active_.load(std::memory_order_acquire)]; }

    SoundPlayer* players_[2];
    std::atomic<int> active_{0};
};
