// The stream as a looping DirectSound secondary buffer, written ahead of its
// play cursor; frames the mix thread has not reached yet are kept silent, so
// a late mix thread plays silence rather than what the loop held a lap ago.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include "audio/stream_backend.h"
#include "audio/stream_fill.h"

class DirectSoundStream : public StreamBackend {
public:
    // A second of sound; a mix thread held up for longer loses track of laps
    // only if the clock also failed.
    static constexpr int64_t kLoopFrames = kStreamRate;
    // Silence kept beyond the written frames.
    static constexpr int64_t kSilentFrames = kStreamRate / 4;

    // `device` null opens the default device with `window` (the desktop when
    // null) for its cooperative level.
    DirectSoundStream(IDirectSound* device, HWND window, DWORD wakeIntervalMs);
    ~DirectSoundStream() override { Close(); }

    bool Open(std::string& error) override;
    HANDLE WakeEvent() const override { return nullptr; }
    DWORD WakeIntervalMs() const override { return wakeMs_; }
    // Written frames and the silence beyond them stay clear of what is still to play.
    int64_t RoomFrames() const override { return kLoopFrames / 2; }
    // Wine's mixer takes 60 ms at its first period.
    int64_t StartFrames() const override { return kStreamRate / 10; }
    bool Poll(int64_t writtenFrames, StreamDevicePosition* position) override;
    bool Write(int64_t first, const float* samples, size_t frames, uint64_t* clipped) override;
    bool Play() override;
    void Close() override;
    std::string Describe() const override { return description_; }

private:
    IDirectSound* device_;
    HWND window_;
    DWORD wakeMs_;
    bool ownDevice_ = false;
    IDirectSoundBuffer* buffer_ = nullptr;
    LoopCursor play_{kLoopFrames};
    LoopCursor write_{kLoopFrames};
    int64_t lastCounter_ = 0;
    int64_t silentUpTo_ = 0;  // stream frame up to which the loop holds written frames or silence
    std::string description_;
};
