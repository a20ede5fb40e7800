// A sound output with the sound list loaded into it: the DirectSound engine
// and the sample-accurate stream both are one, and the program plays through
// whichever the Options menu chose.
#pragma once

#include "audio/sound_output.h"

class SoundPlayer : public SoundOutput, public VoiceBinder {
public:
    // Loads every sound of the Setup's sound list (notices for those that fail).
    virtual void LoadSoundBank() = 0;
    // Stops every voice and lets go of every sound.
    virtual void ReleaseSoundBank() = 0;
    // The length of the sound list at the last load.
    virtual int SoundCount() const = 0;
    // Whether that sound of the list loaded (its steps can sound).
    virtual bool HasMaster(int sound) const = 0;
};
