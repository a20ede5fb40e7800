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
#include "audio/wave_reader.h"
#include "audio/wave_samples.h"
#include "audio/trigger_gate.h"
#include "model/relaxed.h"
#include "model/setup.h"
#include "audio/sound_player.h"

class SoundEngine : public SoundPlayer {
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
    void LoadSoundBank() override;
    // Releases every master buffer and every voice.
    void ReleaseSoundBank() override;
    // Fills one master buffer from one WAV file.
    bool LoadSound(const std::string& path, IDirectSoundBuffer** slot);
    // Sets the step's sound and gives it a fresh voice.
    HRESULT AssignSound(int measure, int step, int sound) override;

    // Starts the step's voice from the beginning with its pitch, pan and
    // volume; DirectSound starts it at its next mixing period, whatever the
    // due time.
    void Trigger(int measure, int step, double dueMs = 0.0) override;
    // Stops the voice if the engine started it.
    void StopVoice(int measure, int step, double dueMs = 0.0) override;
    void KillAllSound() override;
    void SilencePlayingVoices() override;
    void ReapplyVolumes() override;
    void RetunePlayingVoices() override;
    bool IsVoicePlaying(int measure, int step);
    void ApplyVolume(int measure, int step);
    void ApplyPan(int measure, int step);

    int SoundCount() const override { return soundCount_; }
    // How a sound's data is read from its file; tests put in a reader that
    // fails part-way, as a failing disk or network share would.
    using WaveDataReader = UINT (*)(HMMIO file, UINT wanted, BYTE* destination, MMCKINFO* data, UINT* delivered);
    void SetWaveDataReader(WaveDataReader reader) { readWaveData_ = reader ? reader : ReadWaveData; }
    // Whether that sound of the list has loaded (its steps can sound).
    bool HasMaster(int sound) const override {
        return sound >= 0 && sound < static_cast<int>(masters_.size()) && masters_[sound] != nullptr;
    }
    bool HasDevice() const { return device_ != nullptr; }

private:
    Step* PlayableStep(int measure, int step);
    void SetVoiceVolume(IDirectSoundBuffer* voice, const Step& step);
    void SetVoicePan(IDirectSoundBuffer* voice, const Step& step);
    // The step's pitch transposed by the master pitch; returns the master
    // pitch it used.
    int SetVoiceFrequency(IDirectSoundBuffer* voice, const Step& step);
    uint32_t SoundRate(int sound) const {
        return sound >= 0 && sound < static_cast<int>(masterRates_.size()) ? masterRates_[sound] : kPitchZeroRate;
    }
    // Swaps the step's voice for `replacement` and releases the old one once
    // no trigger can be using it.
    void ReplaceVoice(Step& step, IDirectSoundBuffer* replacement);
    // The master buffer for sample data of this layout; a refusal is reported.
    bool CreateMasterBuffer(const std::string& path, const SampleLayout& layout, DWORD dataBytes,
                            IDirectSoundBuffer** slot);
    // Copies (or converts) the data chunk into the whole master buffer.
    bool FillMasterBuffer(HMMIO file, MMCKINFO* data, const SampleLayout& layout, size_t frames,
                          IDirectSoundBuffer* master);
    // "Could not load sound:" with the path and the HRESULT.
    static void ReportUnloadable(const std::string& path, HRESULT result);

    Setup* setup_ = nullptr;
    HWND window_ = nullptr;
    int soundCount_ = 0;
    std::vector<IDirectSoundBuffer*> masters_;
    // Each master's file rate, for sounds at their own rate. Changed only while
    // no voice is bound (a load, a release), so triggers read it unguarded.
    std::vector<uint32_t> masterRates_;
    IDirectSound* device_ = nullptr;
    PitchTable pitchTable_;
    Relaxed<uint8_t> playing_[kVoiceCount];
    TriggerGate gate_;
    WaveDataReader readWaveData_ = ReadWaveData;
};
