// Plays the Setup's sounds through DirectSound: one static master buffer per
// sound of the sound list and, for every step of the eight playable measures,
// a voice duplicated from its sound's master.
//
// Threads: Trigger and StopVoice run on the playback timer's thread; every
// other operation runs on the interface thread. Voices are replaced and
// released only on the interface thread, behind the TriggerGate, so a trigger
// never uses a voice that is being released and never waits for anything.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <string>
#include <vector>

#include "audio/sound_maps.h"
#include "audio/trigger_gate.h"
#include "model/relaxed.h"
#include "model/setup.h"
#include "audio/sound_output.h"

class SoundEngine : public SoundOutput, public VoiceBinder {
public:
    static constexpr int kVoiceCount = Setup::kPlayableMeasures * Setup::kStepsPerMeasure;  // 128

    SoundEngine() = default;
    ~SoundEngine() override;
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Opens the device ("Failed to initialize DirectX." when it cannot), builds
    // the pitch table and clears the playing flags. False without a device.
    bool Init(Setup& setup, HWND window);

    // Loads every sound of the sound list, then gives every step its voice.
    void LoadSoundBank();
    // Releases every master buffer and every voice.
    void ReleaseSoundBank();
    // Fills one master buffer from one WAV file.
    bool LoadSound(const std::string& path, IDirectSoundBuffer** slot);
    // Sets the step's sound and gives it a fresh voice.
    HRESULT AssignSound(int measure, int step, int sound) override;

    // Starts the step's voice from the beginning with its pitch, pan and volume.
    void Trigger(int measure, int step) override;
    // Stops the voice if the engine started it.
    void StopVoice(int measure, int step) override;
    void KillAllSound() override;
    void SilencePlayingVoices() override;
    void ReapplyVolumes() override;
    void RetunePlayingVoices() override;
    bool IsVoicePlaying(int measure, int step);
    void ApplyVolume(int measure, int step);
    void ApplyPan(int measure, int step);

    int SoundCount() const { return soundCount_; }
    bool HasDevice() const { return device_ != nullptr; }

private:
    Step* PlayableStep(int measure, int step);
    void SetVoiceVolume(IDirectSoundBuffer* voice, const Step& step);
    void SetVoicePan(IDirectSoundBuffer* voice, const Step& step);
    // The step's pitch transposed by the master pitch; returns the master
    // pitch it used.
    int SetVoiceFrequency(IDirectSoundBuffer* voice, const Step& step);
    // Swaps the step's voice for `replacement` and releases the old one once
    // no trigger can be using it.
    void ReplaceVoice(Step& step, IDirectSoundBuffer* replacement);
    bool CreateMasterBuffer(const std::string& path, WAVEFORMATEX* format, DWORD dataBytes,
                            IDirectSoundBuffer** slot);

    Setup* setup_ = nullptr;
    HWND window_ = nullptr;
    int soundCount_ = 0;
    std::vector<IDirectSoundBuffer*> masters_;
    IDirectSound* device_ = nullptr;
    PitchTable pitchTable_;
    Relaxed<uint8_t> playing_[kVoiceCount];
    TriggerGate gate_;
};
