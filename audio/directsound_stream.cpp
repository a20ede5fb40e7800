#include "audio/directsound_stream.h"

#include <cstdio>
#include <cstring>

#include "audio/wave_encode.h"

namespace {

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}
}  // namespace

DirectSoundStream::DirectSoundStream(IDirectSound* device, HWND window, DWORD wakeIntervalMs)
    : device_(device), window_(window), wakeMs_(wakeIntervalMs) {
    if (device_) device_->AddRef();
}

bool DirectSoundStream::Open(std::string& error) {
    if (!device_) {
        HRESULT result = DirectSoundCreate(nullptr, &device_, nullptr);
        if (FAILED(result)) return error = "DirectSoundCreate failed: " + Hex(result), false;
        ownDevice_ = true;
        result = device_->SetCooperativeLevel(window_ ? window_ : GetDesktopWindow(), DSSCL_PRIORITY);
        if (FAILED(result)) return error = "SetCooperativeLevel failed: " + Hex(result), false;
        // Mixed at the stream's own rate where the device allows; a refusal changes nothing.
        DSBUFFERDESC primaryDescription = {};
        primaryDescription.dwSize = sizeof primaryDescription;
        primaryDescription.dwFlags = DSBCAPS_PRIMARYBUFFER;
        IDirectSoundBuffer* primary = nullptr;
        if (SUCCEEDED(device_->CreateSoundBuffer(&primaryDescription, &primary, nullptr))) {
            WAVEFORMATEX format = StreamWaveFormat();
            primary->SetFormat(&format);
            primary->Release();
        }
    }
    WAVEFORMATEX format = StreamWaveFormat();
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_LOCSOFTWARE;
    description.dwBufferBytes = static_cast<DWORD>(kLoopFrames * kStreamFrameBytes);
    description.lpwfxFormat = &format;
    HRESULT result = device_->CreateSoundBuffer(&description, &buffer_, nullptr);
    if (FAILED(result)) return error = "CreateSoundBuffer failed: " + Hex(result), false;

    void* part = nullptr;
    DWORD bytes = 0;
    result = buffer_->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    if (FAILED(result)) return error = "Lock failed: " + Hex(result), false;
    std::memset(part, 0, bytes);
    buffer_->Unlock(part, bytes, nullptr, 0);
    silentUpTo_ = kLoopFrames;

    char text[160];
    std::snprintf(text, sizeof text,
                  "DirectSound: looping secondary buffer of %lld frames (%s device), %lu ms between wakes",
                  static_cast<long long>(kLoopFrames), ownDevice_ ? "own" : "shared", static_cast<unsigned long>(wakeMs_));
    description_ = text;
    return true;
}

bool DirectSoundStream::Poll(int64_t, StreamDevicePosition* position) {
    DWORD status = 0;
    if (SUCCEEDED(buffer_->GetStatus(&status)) && (status & DSBSTATUS_BUFFERLOST)) {
        // The loop's contents are gone: restored, it plays what is written from here on.
        position->glitch = true;
        if (FAILED(buffer_->Restore())) return false;
        buffer_->Play(0, 0, DSBPLAY_LOOPING);
    }
    DWORD playByte = 0, writeByte = 0;
    if (FAILED(buffer_->GetCurrentPosition(&playByte, &writeByte))) return false;
    const int64_t now = CounterNow();
    const double clockFrames =
        static_cast<double>(now - lastCounter_) * kStreamRate / static_cast<double>(CounterFrequency());
    lastCounter_ = now;
    position->playedFrames = play_.Advance(playByte / kStreamFrameBytes, clockFrames);
    position->takenFrames = write_.Advance(writeByte / kStreamFrameBytes, clockFrames);
    position->counterAt = now;
    return true;
}

namespace {
// The two parts of a locked region as one run of frames.
struct LockedRegion {
    void* parts[2] = {nullptr, nullptr};
    DWORD bytes[2] = {0, 0};

    // Converts `source` (or writes silence when null) into `frames` frames
    // starting `at` frames into the region.
    void Fill(size_t at, size_t frames, const float* source, uint64_t* clipped) {
        for (int i = 0; i < 2 && frames; ++i) {
            const size_t partFrames = bytes[i] / kStreamFrameBytes;
            if (at >= partFrames) {
                at -= partFrames;
                continue;
            }
            const size_t count = frames < partFrames - at ? frames : partFrames - at;
            uint8_t* out = static_cast<uint8_t*>(parts[i]) + at * kStreamFrameBytes;
            if (source) {
                ConvertToPcm16(source, 2 * count, out, clipped);
                source += 2 * count;
            } else {
                std::memset(out, 0, count * kStreamFrameBytes);
            }
            frames -= count;
            at = 0;
        }
    }
};
}  // namespace

bool DirectSoundStream::Write(int64_t first, const float* samples, size_t frames, uint64_t* clipped) {
    // The written frames, and silence for kSilentFrames beyond them where the
    // loop does not hold it yet: what a late mix thread leaves unwritten plays
    // as silence, not as what the loop held a lap ago.
    const int64_t end = first + static_cast<int64_t>(frames);
    const int64_t silentEnd = end + kSilentFrames;
    const int64_t silentFrom = silentUpTo_ > end ? silentUpTo_ : end;
    const int64_t lockEnd = silentEnd > silentFrom ? silentEnd : end;
    const DWORD offset = static_cast<DWORD>(first % kLoopFrames * kStreamFrameBytes);
    const DWORD lockBytes = static_cast<DWORD>((lockEnd - first) * kStreamFrameBytes);
    LockedRegion region;
    HRESULT result = buffer_->Lock(offset, lockBytes, &region.parts[0], &region.bytes[0], &region.parts[1],
                                   &region.bytes[1], 0);
    if (result == DSERR_BUFFERLOST && SUCCEEDED(buffer_->Restore()))
        result = buffer_->Lock(offset, lockBytes, &region.parts[0], &region.bytes[0], &region.parts[1],
                               &region.bytes[1], 0);
    if (FAILED(result)) return false;
    region.Fill(0, frames, samples, clipped);
    if (silentEnd > silentFrom)
        region.Fill(static_cast<size_t>(silentFrom - first), static_cast<size_t>(silentEnd - silentFrom), nullptr, nullptr);
    buffer_->Unlock(region.parts[0], region.bytes[0], region.parts[1], region.bytes[1]);
    if (silentEnd > silentUpTo_) silentUpTo_ = silentEnd;
    return true;
}

bool DirectSoundStream::Play() {
    lastCounter_ = CounterNow();
    return SUCCEEDED(buffer_->Play(0, 0, DSBPLAY_LOOPING));
}

void DirectSoundStream::Close() {
    if (buffer_) {
        buffer_->Stop();
        buffer_->Release();
        buffer_ = nullptr;
    }
    if (device_) {
        device_->Release();
        device_ = nullptr;
    }
}
