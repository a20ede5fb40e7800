// Sample-accurate playback: every step's voice mixed by the renderer the
// export uses into one continuous stream, each start and stop on the exact
// frame of its due time, one constant latency later.
//
// Threads: Trigger and StopVoice run on the thread that sounds steps (the
// timer's, or the interface thread for the first step of a start) and only
// queue a timed command; every other operation runs on the interface thread
// and queues a command for now. The mix thread carries them out. Nothing
// here waits for the mix thread; the interface thread waits only for a
// trigger in progress (a few calls) before it frees a sound list.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/live_mixer.h"
#include "audio/sound_maps.h"
#include "audio/sound_player.h"
#include "audio/stream_output.h"
#include "audio/trigger_gate.h"
#include "model/setup.h"

class StreamingEngine : public SoundPlayer {
public:
    // From a step's due time to its sound leaving the stream: the stream's
    // lead, the timer's lateness in handing the step over, and room to spare.
    static constexpr double kLatencyMs = 40.0;
    static constexpr double kLeadMs = 20.0;

    StreamingEngine() = default;
    ~StreamingEngine() override;
    StreamingEngine(const StreamingEngine&) = delete;
    StreamingEngine& operator=(const StreamingEngine&) = delete;

    // Keeps the Setup, the playback clock due times are read on (fractional
    // ms, any thread), and the window.
    void Init(Setup& setup, std::function<double()> clockMs, HWND window);
    // Opens the stream, through WASAPI or else a looping DirectSound buffer;
    // false, with Error() saying why neither opened, when it cannot.
    bool Start();
    void Stop();
    bool Running() const { return stream_.Running(); }
    const std::string& Error() const { return error_; }

    // Reads and prepares every sound of the sound list; notices as the
    // DirectSound engine gives them.
    void LoadSoundBank() override;
    // Silences every voice and forgets the sounds.
    void ReleaseSoundBank() override;
    int SoundCount() const override { return soundCount_; }
    bool HasMaster(int sound) const override;

    void Trigger(int measure, int step, double dueMs) override;
    void StopVoice(int measure, int step, double dueMs) override;
    void KillAllSound() override;
    void SilencePlayingVoices() override;
    void ReapplyVolumes() override;
    long AssignSound(int measure, int step, int sound) override;
    void RetunePlayingVoices() override;

    // What the stream and the mixer counted since the start.
    uint64_t LateCommands() const { return mixer_.LateCommands(); }
    uint64_t DroppedCommands() const { return mixer_.DroppedCommands(); }
    uint32_t Underruns() const { return stream_.Underruns(); }
    int SoundingVoices() const { return mixer_.SoundingVoices(); }
    const StreamOutput& Stream() const { return stream_; }

private:
    static int VoiceIndex(int measure, int step) { return measure * Setup::kStepsPerMeasure + step; }
    // The playback clock now, with the margin that keeps a step handed over
    // a tick late ahead of what the interface asks for after it.
    double NowForCommand() const;
    void PushNow(VoiceCommand command);
    // The frequency a voice of this step plays at now: its pitch at the
    // master pitch, at its sound's own rate when sounds play at theirs.
    int VoiceFrequency(const Step& step, const SoundSet* sounds) const;
    // Hands a new sound list to the mix thread and frees those it has left.
    void UseSounds(std::unique_ptr<SoundSet> sounds);
    void FreeSoundsLeft();

    Setup* setup_ = nullptr;
    std::function<double()> clockMs_;
    HWND window_ = nullptr;
    PitchTable pitchTable_;
    LiveMixer mixer_{kLatencyMs};
    StreamOutput stream_;
    // Handed to the mix thread, oldest first; the last is the current list.
    std::vector<std::unique_ptr<SoundSet>> sets_;
    // The current list as the triggering thread reads it, behind the gate.
    std::atomic<const SoundSet*> current_{nullptr};
    TriggerGate gate_;
    uint64_t nextGeneration_ = 1;
    std::string error_;
    int soundCount_ = 0;
};
