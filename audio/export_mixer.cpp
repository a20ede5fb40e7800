#include "audio/export_mixer.h"

#include <algorithm>
#include <map>
#include <utility>

ExportMixer::ExportMixer(std::vector<SoundFrames> sounds, std::vector<MixVoice> voices, int64_t minimumFrames)
    : sounds_(std::move(sounds)), total_(std::max<int64_t>(0, minimumFrames)) {
    std::stable_sort(voices.begin(), voices.end(),
                     [](const MixVoice& a, const MixVoice& b) { return a.onset < b.onset; });
    std::map<std::pair<int, int>, size_t> byKey;
    for (const MixVoice& voice : voices) {
        if (voice.sound < 0 || voice.sound >= static_cast<int>(sounds_.size())) continue;
        const SoundFrames& sound = sounds_[static_cast<size_t>(voice.sound)];
        if (sound.channels < 1 || sound.channels > 2 || voice.onset < 0) continue;
        const int64_t played = PlayedFrameCount(sound.frames, voice.frequency);
        const int64_t end = std::min(voice.cut, voice.onset + played);
        if (end <= voice.onset) continue;

        auto found = byKey.find({voice.sound, voice.frequency});
        if (found == byKey.end()) {
            Rendition rendition;
            rendition.sound = voice.sound;
            rendition.frequency = voice.frequency;
            found = byKey.emplace(std::make_pair(voice.sound, voice.frequency), renditions_.size()).first;
            renditions_.push_back(std::move(rendition));
        }
        Rendition& rendition = renditions_[found->second];
        rendition.needed = std::max(rendition.needed, end - voice.onset);
        rendition.voicesLeft += 1;
        voices_.push_back({voice, end, found->second});
        total_ = std::max(total_, end);
    }
}

size_t ExportMixer::Mix(float* out, size_t frames) {
    const int64_t begin = position_;
    const int64_t end = std::min<int64_t>(total_, begin + static_cast<int64_t>(frames));
    if (end <= begin) return 0;
    const size_t count = static_cast<size_t>(end - begin);
    std::fill(out, out + 2 * count, 0.0f);

    while (nextVoice_ < voices_.size() && voices_[nextVoice_].voice.onset < end) active_.push_back(nextVoice_++);

    size_t kept = 0;
    for (size_t index : active_) {
        const Scheduled& scheduled = voices_[index];
        Rendition& rendition = renditions_[scheduled.rendition];
        if (!rendition.made) {
            const SoundFrames& sound = sounds_[static_cast<size_t>(rendition.sound)];
            rendition.frames = ResampleVoice(sound, rendition.frequency, rendition.needed);
            rendition.made = true;
        }
        const int channels = sounds_[static_cast<size_t>(rendition.sound)].channels;
        const int64_t from = std::max(begin, scheduled.voice.onset);
        const int64_t to = std::min(end, scheduled.end);
        const float left = scheduled.voice.gainLeft, right = scheduled.voice.gainRight;
        float* target = out + 2 * static_cast<size_t>(from - begin);
        const float* source = rendition.frames.data() + static_cast<size_t>(from - scheduled.voice.onset) * channels;
        const size_t n = to > from ? static_cast<size_t>(to - from) : 0;
        if (channels == 1) {
            for (size_t i = 0; i < n; ++i) {
                target[2 * i] += left * source[i];
                target[2 * i + 1] += right * source[i];
            }
        } else {
            for (size_t i = 0; i < n; ++i) {
                target[2 * i] += left * source[2 * i];
                target[2 * i + 1] += right * source[2 * i + 1];
            }
        }
        if (scheduled.end > end) {
            active_[kept++] = index;
        } else if (--rendition.voicesLeft == 0) {
            std::vector<float>().swap(rendition.frames);
        }
    }
    active_.resize(kept);
    position_ = end;
    return count;
}
