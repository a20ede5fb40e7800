// The stream as a shared-mode WASAPI render stream on the default device,
// event-driven: the system's engine wakes the mix thread once a period.
// Where the engine mixes another format, the system converts ours
// (AUTOCONVERTPCM); where it cannot, the stream does not open.
#pragma once
#include <windows.h>
#include <mmdeviceapi.h>
#include <audioclient.h>

#include "audio/stream_backend.h"

class WasapiStream : public StreamBackend {
public:
    // `bufferMs`: the stream buffer asked for; the lead is kept within it.
    explicit WasapiStream(DWORD bufferMs) : bufferMs_(bufferMs) {}
    ~WasapiStream() override { Close(); }

    bool Open(std::string& error) override;
    HANDLE WakeEvent() const override { return event_; }
    // Should the events stop, the mix thread still looks now and then.
    DWORD WakeIntervalMs() const override { return 100; }
    int64_t RoomFrames() const override { return bufferFrames_; }
    // The engine takes a period at a time from the start.
    int64_t StartFrames() const override { return 0; }
    bool Poll(int64_t writtenFrames, StreamDevicePosition* position) override;
    bool Write(int64_t first, const float* samples, size_t frames, uint64_t* clipped) override;
    bool Play() override;
    void Close() override;
    std::string Describe() const override { return description_; }

private:
    bool Initialize(std::string& error);

    DWORD bufferMs_;
    bool comStarted_ = false;
    IMMDevice* device_ = nullptr;
    IAudioClient* client_ = nullptr;
    IAudioRenderClient* render_ = nullptr;
    IAudioClock* clock_ = nullptr;
    HANDLE event_ = nullptr;
    HMODULE avrt_ = nullptr;
    HANDLE mmcssTask_ = nullptr;
    UINT32 bufferFrames_ = 0;
    UINT64 clockFrequency_ = 0;
    bool started_ = false;
    std::string description_;
};
