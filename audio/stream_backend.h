// One device stream of 44.1 kHz 16-bit stereo as the StreamOutput's mix
// thread drives it. Every call but Describe runs on the mix thread, which
// also opens and closes the device.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kStreamRate = 44100;
constexpr int kStreamFrameBytes = 4;

// The stream's format as the devices are asked for it: PCM, 16-bit stereo.
inline WAVEFORMATEX StreamWaveFormat() {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kStreamRate;
    format.nAvgBytesPerSec = kStreamRate * kStreamFrameBytes;
    format.nBlockAlign = kStreamFrameBytes;
    format.wBitsPerSample = 16;
    return format;
}

// What the device says at a wake.
struct StreamDevicePosition {
    int64_t takenFrames = 0;   // how far the device has taken the stream: beyond reach for changes
    int64_t playedFrames = 0;  // how far it has played it
    int64_t counterAt = 0;     // performance counter when playedFrames held
    bool glitch = false;       // the device reported running dry or losing its buffer
};

class StreamBackend {
public:
    virtual ~StreamBackend() = default;
    // Opens the device and a stopped stream; false with `error` saying why.
    virtual bool Open(std::string& error) = 0;
    // What wakes the mix thread: an event the device sets, or null for a
    // wake every WakeIntervalMs.
    virtual HANDLE WakeEvent() const = 0;
    virtual DWORD WakeIntervalMs() const = 0;
    // The most frames that may be written beyond what the device has taken.
    virtual int64_t RoomFrames() const = 0;
    // Frames the device may take at once as it starts: written before it starts.
    virtual int64_t StartFrames() const = 0;
    // `writtenFrames` is the stream frame after the last one written.
    virtual bool Poll(int64_t writtenFrames, StreamDevicePosition* position) = 0;
    // Gives the device `frames` frames of interleaved float stereo that are
    // stream frames first .. first + frames - 1; `first` is the frame after
    // the last one written, or beyond it after an underrun.
    virtual bool Write(int64_t first, const float* samples, size_t frames, uint64_t* clipped) = 0;
    virtual bool Play() = 0;
    // Stops the stream and releases the device.
    virtual void Close() = 0;
    // How the device was opened, for the log: formats, periods, buffer sizes.
    virtual std::string Describe() const = 0;
};

// The performance counter, and its frequency, as read once.
int64_t CounterNow();
int64_t CounterFrequency();
