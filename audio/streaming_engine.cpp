#include "audio/streaming_engine.h"

#include <algorithm>
#include <cstdio>

#include "audio/voice_parameters.h"
#include "audio/wave_decode.h"
#include "model/whole_file.h"
#include "ui/notice.h"

namespace {
// Ahead of a step that fell due before a command but was handed over a tick
// late: the command's time is that much later than the moment it is given.
constexpr double kCommandMarginMs = 2.0;

void ReportUnloadable(const std::string& path, HRESULT result) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(result));
    ShowNote(("Could not load sound:\n" + path + "\nError: " + number).c_str());
}
}  // namespace

StreamingEngine::~StreamingEngine() {
    Stop();
    gate_.WaitUntilClear();
}

void StreamingEngine::Init(Setup& setup, std::function<double()> clockMs, HWND window) {
    setup_ = &setup;
    clockMs_ = std::move(clockMs);
    window_ = window;
}

bool StreamingEngine::Start() {
    if (stream_.Running()) return true;
    StreamOutput::Options options;
    options.leadMs = kLeadMs;
    options.window = window_;
    options.clockMs = clockMs_;
    // WASAPI first: the lower latency and the cheaper stream; a looping
    // DirectSound buffer where it cannot be opened (before Vista, say).
    std::string errors;
    for (StreamOutput::Backend backend : {StreamOutput::Backend::kWasapi, StreamOutput::Backend::kDirectSound}) {
        mixer_.Reset();
        // The list the triggers read goes first, so the first block already has it.
        if (!sets_.empty()) {
            VoiceCommand use;
            use.kind = VoiceCommand::UseSounds;
            use.atMs = NowForCommand();
            use.sounds = sets_.back().get();
            mixer_.PushNow(use);
        }
        options.backend = backend;
        if (stream_.Start(options, &mixer_)) return true;
        errors += (errors.empty() ? "WASAPI: " : "\nDirectSound: ") + stream_.Error();
    }
    error_ = errors;
    mixer_.Reset();
    return false;
}

void StreamingEngine::Stop() {
    if (!stream_.Running()) return;
    stream_.Stop();
    mixer_.Reset();
    FreeSoundsLeft();
}

double StreamingEngine::NowForCommand() const { return clockMs_() + kCommandMarginMs; }

void StreamingEngine::PushNow(VoiceCommand command) {
    if (!stream_.Running()) return;
    command.atMs = NowForCommand();
    mixer_.PushNow(command);
}

bool StreamingEngine::HasMaster(int sound) const {
    const SoundSet* sounds = sets_.empty() ? nullptr : sets_.back().get();
    return sounds && sound >= 0 && static_cast<size_t>(sound) < sounds->sounds.size() &&
           !sounds->sounds[static_cast<size_t>(sound)].Empty();
}

void StreamingEngine::LoadSoundBank() {
    if (!setup_) return;
    auto sounds = std::make_unique<SoundSet>();
    const std::vector<std::string>& names = setup_->soundNames;
    sounds->sounds.resize(names.size());
    bool anyFailed = false;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = setup_->soundDir + "\\" + names[i];
        WaveData wave;
        if (!ReadWholeFile(path, &bytes) || !LocateWaveData(bytes.data(), bytes.size(), &wave)) {
            // A file that cannot be read or is malformed is skipped silently;
            // one of a format no sound buffer takes is named, as DirectSound's are.
            bool formatPlayable = false;
            if (!bytes.empty() && JudgeWave(bytes.data(), bytes.size(), &formatPlayable) == WaveVerdict::Unplayable)
                ReportUnloadable(path, formatPlayable ? DSERR_INVALIDPARAM : DSERR_BADFORMAT);
            anyFailed = true;
        } else if (!sounds->sounds[i].Prepare(wave)) {
            ReportUnloadable(path, E_OUTOFMEMORY);
            anyFailed = true;
        }
        bytes.clear();
    }
    if (anyFailed) ShowNote("Failed to load some sounds.");
    soundCount_ = static_cast<int>(names.size());
    UseSounds(std::move(sounds));
}

void StreamingEngine::ReleaseSoundBank() {
    soundCount_ = 0;
    KillAllSound();
    UseSounds(std::make_unique<SoundSet>());
}

void StreamingEngine::UseSounds(std::unique_ptr<SoundSet> sounds) {
    sounds->generation = nextGeneration_++;
    if (stream_.Running()) {
        VoiceCommand use;
        use.kind = VoiceCommand::UseSounds;
        use.sounds = sounds.get();
        PushNow(use);
    }
    current_.store(sounds.get(), std::memory_order_seq_cst);
    sets_.push_back(std::move(sounds));
    FreeSoundsLeft();
}

void StreamingEngine::FreeSoundsLeft() {
    // Lists older than the one the mix thread plays will never be played
    // again; without a mix thread only the current one counts.
    const uint64_t inUse = stream_.Running() ? mixer_.GenerationInUse() : sets_.empty() ? 0 : sets_.back()->generation;
    size_t keepFrom = 0;
    while (keepFrom + 1 < sets_.size() && sets_[keepFrom]->generation < inUse) ++keepFrom;
    if (keepFrom == 0) return;
    // A trigger may still be reading one it took before the current one was set.
    gate_.WaitUntilClear();
    sets_.erase(sets_.begin(), sets_.begin() + static_cast<long>(keepFrom));
}

int StreamingEngine::VoiceFrequency(const Step& step, const SoundSet* sounds) const {
    const int pitch = TransposedPitch(step.pitch, setup_->masterPitch.LoadOrdered());
    const int sound = step.sound;
    const bool loaded = sounds && sound >= 0 && static_cast<size_t>(sound) < sounds->sounds.size() &&
                        !sounds->sounds[static_cast<size_t>(sound)].Empty();
    const uint32_t rate = loaded ? sounds->sounds[static_cast<size_t>(sound)].Rate() : kPitchZeroRate;
    return StepFrequency(pitchTable_, pitch, rate, setup_->ownRate != 0);
}

void StreamingEngine::Trigger(int measure, int step, double dueMs) {
    if (!setup_ || measure < 0 || measure >= Setup::kPlayableMeasures || step < 0 || step >= Setup::kStepsPerMeasure)
        return;
    TriggerGate::Use use(gate_);
    const SoundSet* sounds = current_.load(std::memory_order_seq_cst);
    if (!sounds) return;
    const Step& s = setup_->StepAddress(measure, step);
    const int sound = s.sound;
    // A step without a loaded sound has no voice: nothing starts, nothing stops.
    if (sound < 0 || static_cast<size_t>(sound) >= sounds->sounds.size() ||
        sounds->sounds[static_cast<size_t>(sound)].Empty())
        return;
    VoiceCommand command;
    command.kind = VoiceCommand::Start;
    command.voice = VoiceIndex(measure, step);
    command.atMs = dueMs;
    command.generation = sounds->generation;
    command.start = StepVoiceStart(pitchTable_, {sound, s.pitch, s.volume, s.pan}, setup_->masterVolume,
                                   setup_->masterPitch.LoadOrdered(), setup_->muted != 0);
    command.start.frequency = VoiceFrequency(s, sounds);
    mixer_.PushTimed(command);
}

void StreamingEngine::StopVoice(int measure, int step, double dueMs) {
    if (measure < 0 || measure >= Setup::kPlayableMeasures || step < 0 || step >= Setup::kStepsPerMeasure) return;
    VoiceCommand command;
    command.kind = VoiceCommand::Stop;
    command.voice = VoiceIndex(measure, step);
    command.atMs = dueMs;
    mixer_.PushTimed(command);
}

void StreamingEngine::KillAllSound() {
    VoiceCommand command;
    command.kind = VoiceCommand::StopAll;
    PushNow(command);
}

void StreamingEngine::SilencePlayingVoices() {
    VoiceCommand command;
    command.kind = VoiceCommand::SilenceAll;
    PushNow(command);
}

void StreamingEngine::ReapplyVolumes() {
    if (!setup_) return;
    // Each sounding voice gets its step's volume anew at the master volume,
    // as the DirectSound engine sets them when the mute ends.
    const bool muted = setup_->muted != 0;
    for (int voice = 0; voice < VoiceRenderer::kVoices; ++voice) {
        const Step& s = setup_->StepAddress(voice / Setup::kStepsPerMeasure, voice % Setup::kStepsPerMeasure);
        VoiceCommand command;
        command.kind = VoiceCommand::SetLevel;
        command.voice = voice;
        command.start.level = VoiceLevel(s.volume, setup_->masterVolume);
        command.start.silenced = muted;
        PushNow(command);
    }
}

void StreamingEngine::RetunePlayingVoices() {
    if (!setup_) return;
    const SoundSet* sounds = sets_.empty() ? nullptr : sets_.back().get();
    for (int voice = 0; voice < VoiceRenderer::kVoices; ++voice) {
        VoiceCommand command;
        command.kind = VoiceCommand::Retune;
        command.voice = voice;
        command.frequency =
            VoiceFrequency(setup_->StepAddress(voice / Setup::kStepsPerMeasure, voice % Setup::kStepsPerMeasure), sounds);
        PushNow(command);
    }
}

long StreamingEngine::AssignSound(int measure, int step, int sound) {
    if (!setup_ || measure < 0 || measure >= Setup::kPlayableMeasures || step < 0 ||
        step >= Setup::kStepsPerMeasure || sound < 0)
        return E_INVALIDARG;
    setup_->StepAddress(measure, step).sound = static_cast<int16_t>(sound);
    // The step's voice is given up with its old sound, as a new voice would be.
    VoiceCommand command;
    command.kind = VoiceCommand::Stop;
    command.voice = VoiceIndex(measure, step);
    PushNow(command);
    return S_OK;
}
