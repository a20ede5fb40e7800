// The sound output as the transport and the editor see it: the sound engine
// implements these; tests implement them with recorders.
#pragma once

// Sounds and stops steps' voices; Trigger and StopVoice are called from the
// timer thread, the rest from the interface thread.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // `dueMs` is when the step falls due on the playback clock (fractional
    // ms): an output that can place sounds exactly puts them there.
    virtual void Trigger(int measure, int step, double dueMs) = 0;
    virtual void StopVoice(int measure, int step, double dueMs) = 0;
    virtual void KillAllSound() = 0;
    virtual void SilencePlayingVoices() = 0;
    virtual void ReapplyVolumes() = 0;
};

// What the editor asks of the voices, on the interface thread.
class VoiceBinder {
public:
    virtual ~VoiceBinder() = default;
    // Gives a step a voice for its sound; called whenever a step's sound
    // changes. Returns the platform's result of making the voice.
    virtual long AssignSound(int measure, int step, int sound) = 0;
    // Gives every voice that sounds now the frequency of its step's pitch at
    // the current master pitch; called when the master pitch changes.
    virtual void RetunePlayingVoices() = 0;
};
