// The sound output as the transport and the editor see it: the sound engine
// implements these; tests implement them with recorders.
#pragma once

// Sounds and stops steps' voices; Trigger and StopVoice are called from the
// timer thread, the rest from the interface thread.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void Trigger(int measure, int step) = 0;
    virtual void StopVoice(int measure, int step) = 0;
    virtual void KillAllSound() = 0;
    virtual void SilencePlayingVoices() = 0;
    virtual void ReapplyVolumes() = 0;
};

// Gives a step a voice for its sound; the editor calls it whenever a step's
// sound changes. Returns the platform's result of making the voice.
class VoiceBinder {
public:
    virtual ~VoiceBinder() = default;
    virtual long AssignSound(int measure, int step, int sound) = 0;
};
