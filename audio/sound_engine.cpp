#include "audio/sound_engine.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "ui/notice.h"
#include "audio/wave_reader.h"
#include "audio/wave_samples.h"

namespace {
constexpr DWORD kMasterBufferFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                                     DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;  // 0x80EA
static_assert(kMasterBufferFlags == 0x80EA, "master buffer flags");

int VoiceIndex(int measure, int step) { return measure * Setup::kStepsPerMeasure + step; }

// Bytes of the file behind `offset`, or 0 when the size cannot be had.
DWORD FileBytesFrom(const std::string& path, DWORD offset) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) return 0;
    if (attributes.nFileSizeHigh != 0) return 0xFFFFFFFF - offset;
    return attributes.nFileSizeLow > offset ? attributes.nFileSizeLow - offset : 0;
}
}  // namespace

SoundEngine::~SoundEngine() {
    ReleaseSoundBank();
    if (device_) {
        device_->Release();
        device_ = nullptr;
    }
}

bool SoundEngine::Init(Setup& setup, HWND window) {
    setup_ = &setup;
    window_ = window;

    bool deviceReady = SUCCEEDED(DirectSoundCreate(nullptr, &device_, nullptr));
    if (deviceReady && FAILED(device_->SetCooperativeLevel(window, DSSCL_PRIORITY))) deviceReady = false;
    if (device_) {
        // The primary buffer's format is only a preference: a refusal changes nothing.
        DSBUFFERDESC description = {};
        description.dwSize = sizeof description;
        description.dwFlags = DSBCAPS_PRIMARYBUFFER;
        IDirectSoundBuffer* primary = nullptr;
        if (SUCCEEDED(device_->CreateSoundBuffer(&description, &primary, nullptr))) {
            WAVEFORMATEX format = {};
            format.wFormatTag = WAVE_FORMAT_PCM;
            format.nChannels = 2;
            format.nSamplesPerSec = 44100;
            format.nAvgBytesPerSec = 176400;
            format.nBlockAlign = 4;
            format.wBitsPerSample = 16;
            primary->SetFormat(&format);
            primary->Release();
        }
    }
    if (!deviceReady) ShowNote("Failed to initialize DirectX.");

    for (auto& flag : playing_) flag = 0;
    pitchTable_ = PitchTable();
    return deviceReady;
}

void SoundEngine::LoadSoundBank() {
    if (!setup_) return;
    // A bank still loaded would leak its buffers under the new array.
    if (!masters_.empty()) ReleaseSoundBank();

    const std::vector<std::string>& names = setup_->soundNames;
    soundCount_ = static_cast<int>(names.size());
    masters_.assign(names.size(), nullptr);

    masterRates_.assign(names.size(), kPitchZeroRate);

    bool anyFailed = false;
    for (int i = 0; i < soundCount_; ++i) {
        if (!LoadSound(setup_->soundDir + "\\" + names[i], &masters_[i])) anyFailed = true;
        WAVEFORMATEX format = {};
        if (masters_[i] && SUCCEEDED(masters_[i]->GetFormat(&format, sizeof format, nullptr)))
            masterRates_[i] = format.nSamplesPerSec;  // the file's own rate, which the master keeps
    }
    if (anyFailed) ShowNote("Failed to load some sounds.");

    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) {
            Step& s = setup_->StepAddress(measure, step);
            const int sound = s.sound;
            if (sound >= 0 && sound < soundCount_ && masters_[sound]) {
                AssignSound(measure, step, sound);
                s.voiceReady = 1;
            }
        }
    }
}

void SoundEngine::ReleaseSoundBank() {
    for (IDirectSoundBuffer*& master : masters_) {
        if (master) master->Release();
        master = nullptr;
    }
    masters_.clear();
    soundCount_ = 0;
    if (!setup_) {
        masterRates_.clear();
        return;
    }

    // Take every voice out of reach first, then release them all once no
    // trigger can still be using one.
    IDirectSoundBuffer* released[kVoiceCount] = {};
    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) {
            Step& s = setup_->StepAddress(measure, step);
            s.voiceReady = 0;
            released[VoiceIndex(measure, step)] = s.voice.ExchangeOrdered(nullptr);
            playing_[VoiceIndex(measure, step)] = 0;
        }
    }
    gate_.WaitUntilClear();
    // A trigger reads the rates only through a voice: none is left to reach them.
    masterRates_.clear();
    for (IDirectSoundBuffer* voice : released) {
        if (voice) voice->Release();
    }
}

bool SoundEngine::LoadSound(const std::string& path, IDirectSoundBuffer** slot) {
    HMMIO file = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff = {}, data = {};
    if (OpenWave(path.c_str(), &file, &format, &riff) != 0) return false;
    if (SeekWaveData(file, &data, &riff) != 0) {
        CloseWave(&file, &format);
        return false;
    }
    // A data chunk may claim more than the file holds (up to 4 GB): that is a
    // malformed file, skipped like any other, before anything is allocated.
    if (data.cksize > FileBytesFrom(path, data.dwDataOffset) || !device_) {
        CloseWave(&file, &format);
        return false;
    }

    if (*slot) {
        (*slot)->Stop();
        (*slot)->Release();
        *slot = nullptr;
    }
    const SampleLayout layout = PlayableLayout(FormatOfBlock(*format));
    const size_t frames = PlayableFrames(layout, data.cksize);
    bool loaded = false;
    if (frames == 0) {
        // No sound buffer is made for it: said as a refused buffer would say it.
        ReportUnloadable(path, layout.Playable() ? DSERR_INVALIDPARAM : DSERR_BADFORMAT);
    } else if (CreateMasterBuffer(path, layout, data.cksize, slot)) {
        loaded = FillMasterBuffer(file, &data, layout, frames, *slot);
        if (!loaded) {
            // Half a sound must not play: the slot stays empty.
            (*slot)->Release();
            *slot = nullptr;
        }
    }
    CloseWave(&file, &format);  // DirectSound keeps its own copy of the format
    return loaded;
}

bool SoundEngine::CreateMasterBuffer(const std::string& path, const SampleLayout& layout, DWORD dataBytes,
                                     IDirectSoundBuffer** slot) {
    // 8- and 16-bit PCM as stored, every other format as 16-bit PCM.
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(layout.channels);
    format.nSamplesPerSec = layout.rate;
    format.wBitsPerSample = static_cast<WORD>(layout.encoding == SampleEncoding::Unsigned8 ? 8 : 16);
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = kMasterBufferFlags;
    description.dwBufferBytes = static_cast<DWORD>(PlayedBufferBytes(layout, dataBytes));
    description.lpwfxFormat = &format;
    const HRESULT result = device_->CreateSoundBuffer(&description, slot, nullptr);
    if (SUCCEEDED(result)) return true;
    *slot = nullptr;
    ReportUnloadable(path, result);
    return false;
}

bool SoundEngine::FillMasterBuffer(HMMIO file, MMCKINFO* data, const SampleLayout& layout, size_t frames,
                                   IDirectSoundBuffer* master) {
    void* bytes = nullptr;
    DWORD length = 0;
    if (FAILED(master->Lock(0, 0, &bytes, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER))) return false;
    bool filled = false;
    UINT delivered = 0;
    if (layout.PlaysAsStored()) {
        // Straight into the buffer. Its one byte more is silence: of 8-bit
        // mono it is a whole frame, which would otherwise end the sound with
        // a click at full scale.
        filled = readWaveData_(file, length, static_cast<BYTE*>(bytes), data, &delivered) == 0;
        const BYTE silence = layout.encoding == SampleEncoding::Unsigned8 ? 0x80 : 0x00;
        if (filled && delivered < length)
            std::memset(static_cast<BYTE*>(bytes) + delivered, silence, length - delivered);
    } else if (length >= frames * layout.channels * sizeof(int16_t)) {
        const size_t stored = frames * layout.FrameBytes();
        std::unique_ptr<BYTE[]> samples(new (std::nothrow) BYTE[stored]);
        if (samples && readWaveData_(file, static_cast<UINT>(stored), samples.get(), data, &delivered) == 0 &&
            delivered == stored) {
            ConvertTo16Bit(layout, samples.get(), frames, static_cast<int16_t*>(bytes));
            filled = true;
        }
    }
    master->Unlock(bytes, length, nullptr, 0);
    return filled;
}

void SoundEngine::ReportUnloadable(const std::string& path, HRESULT result) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(result));
    ShowNote(("Could not load sound:\n" + path + "\nError: " + number).c_str());
}

HRESULT SoundEngine::AssignSound(int measure, int step, int sound) {
    Step* s = PlayableStep(measure, step);
    if (!s || sound < 0) return E_INVALIDARG;
    s->sound = static_cast<int16_t>(sound);

    if (sound >= soundCount_) {
        ReplaceVoice(*s, nullptr);
        s->voiceReady = 0;
        return S_OK;
    }
    s->voiceReady = 0;
    playing_[VoiceIndex(measure, step)] = 0;
    IDirectSoundBuffer* voice = nullptr;
    // A sound whose master failed to load has nothing to duplicate: the step
    // stays silent.
    HRESULT result = DSERR_INVALIDPARAM;
    if (device_ && masters_[sound]) result = device_->DuplicateSoundBuffer(masters_[sound], &voice);
    if (FAILED(result)) voice = nullptr;
    ReplaceVoice(*s, voice);
    s->voiceReady = 1;
    return result;
}

void SoundEngine::ReplaceVoice(Step& step, IDirectSoundBuffer* replacement) {
    IDirectSoundBuffer* old = step.voice.ExchangeOrdered(replacement);
    if (!old) return;
    gate_.WaitUntilClear();
    old->Release();
}

void SoundEngine::Trigger(int measure, int step, double) {
    Step* s = PlayableStep(measure, step);
    if (!s) return;
    TriggerGate::Use use(gate_);
    IDirectSoundBuffer* voice = s->voice.LoadOrdered();
    if (!voice) return;

    voice->SetCurrentPosition(0);
    int masterPitch = SetVoiceFrequency(voice, *s);
    SetVoicePan(voice, *s);
    if (voice->Play(0, 0, 0) == DSERR_BUFFERLOST && SUCCEEDED(voice->Restore())) voice->Play(0, 0, 0);
    // A master pitch stored before Play may have found this voice not yet
    // playing and left it alone, and one stored while a frequency is being
    // set here may be retuned first and then overwritten by the older one.
    // So the frequency is set again until the pitch read after setting it is
    // the one it was set from: any later store finds the voice playing and
    // retunes it itself. Each round means the interface thread stored a new
    // pitch meanwhile; this thread never waits for it.
    for (int now = setup_->masterPitch.LoadOrdered(); now != masterPitch; now = setup_->masterPitch.LoadOrdered())
        masterPitch = SetVoiceFrequency(voice, *s);
    SetVoiceVolume(voice, *s);
    s->voiceWord1 = 0;
    playing_[VoiceIndex(measure, step)] = 1;
}

void SoundEngine::StopVoice(int measure, int step, double) {
    Step* s = PlayableStep(measure, step);
    if (!s) return;
    TriggerGate::Use use(gate_);
    IDirectSoundBuffer* voice = s->voice.LoadOrdered();
    const int index = VoiceIndex(measure, step);
    if (voice && playing_[index]) {
        voice->Stop();
        playing_[index] = 0;
    }
}

void SoundEngine::KillAllSound() {
    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) StopVoice(measure, step);
    }
}

bool SoundEngine::IsVoicePlaying(int measure, int step) {
    Step* s = PlayableStep(measure, step);
    if (!s) return false;
    TriggerGate::Use use(gate_);
    IDirectSoundBuffer* voice = s->voice.LoadOrdered();
    if (!voice || !s->voiceReady) return false;
    DWORD status = 0;
    return SUCCEEDED(voice->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

void SoundEngine::SilencePlayingVoices() {
    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) {
            if (!IsVoicePlaying(measure, step)) continue;
            TriggerGate::Use use(gate_);
            if (IDirectSoundBuffer* voice = setup_->StepAddress(measure, step).voice.LoadOrdered())
                voice->SetVolume(kAttenuationSilent);
        }
    }
}

void SoundEngine::ReapplyVolumes() {
    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) {
            if (IsVoicePlaying(measure, step)) ApplyVolume(measure, step);
        }
    }
}

void SoundEngine::RetunePlayingVoices() {
    for (int measure = 0; measure < Setup::kPlayableMeasures; ++measure) {
        for (int step = 0; step < Setup::kStepsPerMeasure; ++step) {
            if (!IsVoicePlaying(measure, step)) continue;
            TriggerGate::Use use(gate_);
            if (IDirectSoundBuffer* voice = setup_->StepAddress(measure, step).voice.LoadOrdered())
                SetVoiceFrequency(voice, setup_->StepAddress(measure, step));
        }
    }
}

void SoundEngine::ApplyVolume(int measure, int step) {
    Step* s = PlayableStep(measure, step);
    if (!s) return;
    TriggerGate::Use use(gate_);
    if (IDirectSoundBuffer* voice = s->voice.LoadOrdered()) SetVoiceVolume(voice, *s);
}

void SoundEngine::ApplyPan(int measure, int step) {
    Step* s = PlayableStep(measure, step);
    if (!s) return;
    TriggerGate::Use use(gate_);
    if (IDirectSoundBuffer* voice = s->voice.LoadOrdered()) SetVoicePan(voice, *s);
}

void SoundEngine::SetVoiceVolume(IDirectSoundBuffer* voice, const Step& step) {
    const long attenuation =
        setup_->muted != 0 ? kAttenuationSilent : VolumeAttenuation(step.volume, setup_->masterVolume);
    voice->SetVolume(attenuation);
}

void SoundEngine::SetVoicePan(IDirectSoundBuffer* voice, const Step& step) { voice->SetPan(PanBalance(step.pan)); }

int SoundEngine::SetVoiceFrequency(IDirectSoundBuffer* voice, const Step& step) {
    const int masterPitch = setup_->masterPitch.LoadOrdered();
    const int pitch = TransposedPitch(step.pitch, masterPitch);
    voice->SetFrequency(
        static_cast<DWORD>(StepFrequency(pitchTable_, pitch, SoundRate(step.sound), setup_->ownRate != 0)));
    return masterPitch;
}

Step* SoundEngine::PlayableStep(int measure, int step) {
    if (!setup_ || measure < 0 || measure >= Setup::kPlayableMeasures || step < 0 ||
        step >= Setup::kStepsPerMeasure)
        return nullptr;
    return &setup_->StepAddress(measure, step);
}
