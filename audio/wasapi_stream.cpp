#include "audio/wasapi_stream.h"

#include <cstdio>

#include "audio/wave_encode.h"

namespace {
constexpr REFERENCE_TIME kHundredNsPerMs = 10000;

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::string FormatText(const WAVEFORMATEX& format) {
    const char* kind = format.wFormatTag == WAVE_FORMAT_PCM          ? "PCM"
                       : format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? "float"
                       : format.wFormatTag == WAVE_FORMAT_EXTENSIBLE ? "extensible"
                                                                      : "other";
    if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && format.cbSize >= 22) {
        const auto& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
        // The subformat GUIDs carry the plain format tag in their first field.
        if (extensible.SubFormat.Data1 == WAVE_FORMAT_IEEE_FLOAT) kind = "extensible float";
        else if (extensible.SubFormat.Data1 == WAVE_FORMAT_PCM) kind = "extensible PCM";
    }
    char text[96];
    std::snprintf(text, sizeof text, "%lu Hz %u-bit %s, %u channels", static_cast<unsigned long>(format.nSamplesPerSec),
                  format.wBitsPerSample, kind, format.nChannels);
    return text;
}

// Clock units to frames without overflow: positions reach 2^40 and more.
int64_t ClockToFrames(UINT64 position, UINT64 frequency) {
    return static_cast<int64_t>(position / frequency * kStreamRate + position % frequency * kStreamRate / frequency);
}
}  // namespace

bool WasapiStream::Open(std::string& error) {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(result)) return error = "CoInitializeEx failed: " + Hex(result), false;
    comStarted_ = true;
    // The system's scheduling class for audio threads, where the system has it.
    avrt_ = LoadLibraryW(L"avrt.dll");
    if (avrt_) {
        using SetCharacteristics = HANDLE(WINAPI*)(LPCWSTR, LPDWORD);
        auto set = reinterpret_cast<SetCharacteristics>(
            reinterpret_cast<void*>(GetProcAddress(avrt_, "AvSetMmThreadCharacteristicsW")));
        DWORD taskIndex = 0;
        if (set) mmcssTask_ = set(L"Pro Audio", &taskIndex);
    }
    return Initialize(error);
}

bool WasapiStream::Initialize(std::string& error) {
    IMMDeviceEnumerator* enumerator = nullptr;
    HRESULT result = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                      __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator));
    if (FAILED(result)) return error = "no MMDeviceEnumerator: " + Hex(result), false;
    result = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device_);
    enumerator->Release();
    if (FAILED(result)) return error = "no default render device: " + Hex(result), false;
    result = device_->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&client_));
    if (FAILED(result)) return error = "IAudioClient refused: " + Hex(result), false;

    WAVEFORMATEX* mix = nullptr;
    std::string mixText = "unknown";
    if (SUCCEEDED(client_->GetMixFormat(&mix)) && mix) {
        mixText = FormatText(*mix);
        CoTaskMemFree(mix);
    }
    WAVEFORMATEX format = StreamWaveFormat();
    WAVEFORMATEX* closest = nullptr;
    const HRESULT supported = client_->IsFormatSupported(AUDCLNT_SHAREMODE_SHARED, &format, &closest);
    if (closest) CoTaskMemFree(closest);
    // Where the engine does not take the format as it is, the system converts it.
    const bool convert = supported != S_OK;
    DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST;
    if (convert) flags |= AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    result = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, bufferMs_ * kHundredNsPerMs, 0, &format, nullptr);
    if (FAILED(result)) return error = "Initialize failed: " + Hex(result) + " (the device mixes " + mixText + ")", false;

    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event_) return error = "CreateEvent failed", false;
    if (FAILED(result = client_->SetEventHandle(event_))) return error = "SetEventHandle failed: " + Hex(result), false;
    if (FAILED(result = client_->GetBufferSize(&bufferFrames_))) return error = "GetBufferSize failed: " + Hex(result), false;
    result = client_->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render_));
    if (FAILED(result)) return error = "no IAudioRenderClient: " + Hex(result), false;
    result = client_->GetService(__uuidof(IAudioClock), reinterpret_cast<void**>(&clock_));
    if (FAILED(result)) return error = "no IAudioClock: " + Hex(result), false;
    if (FAILED(result = clock_->GetFrequency(&clockFrequency_)) || clockFrequency_ == 0)
        return error = "IAudioClock has no frequency: " + Hex(result), false;

    REFERENCE_TIME defaultPeriod = 0, minimumPeriod = 0, latency = 0;
    client_->GetDevicePeriod(&defaultPeriod, &minimumPeriod);
    client_->GetStreamLatency(&latency);
    char text[320];
    std::snprintf(text, sizeof text,
                  "WASAPI shared, event-driven: the device mixes %s; our 44100 Hz 16-bit stereo %s; "
                  "buffer %u frames; period %.2f ms (minimum %.2f ms); stream latency %.2f ms; clock %llu Hz%s",
                  mixText.c_str(), convert ? "converted by the system" : "taken as it is", bufferFrames_,
                  defaultPeriod / 1e4, minimumPeriod / 1e4, latency / 1e4,
                  static_cast<unsigned long long>(clockFrequency_), mmcssTask_ ? "; Pro Audio thread" : "");
    description_ = text;
    return true;
}

bool WasapiStream::Poll(int64_t writtenFrames, StreamDevicePosition* position) {
    UINT32 padding = 0;
    HRESULT result = client_->GetCurrentPadding(&padding);
    if (FAILED(result)) return false;
    UINT64 clockPosition = 0, counter = 0;
    result = clock_->GetPosition(&clockPosition, &counter);
    if (FAILED(result)) return false;
    position->takenFrames = writtenFrames - static_cast<int64_t>(padding);
    position->playedFrames = ClockToFrames(clockPosition, clockFrequency_);
    // GetPosition's counter is the performance counter in 100 ns units.
    const int64_t frequency = CounterFrequency();
    position->counterAt = static_cast<int64_t>(counter / 10000000 * frequency + counter % 10000000 * frequency / 10000000);
    // An engine that found nothing to play has played silence in our place.
    position->glitch = started_ && padding == 0;
    return true;
}

bool WasapiStream::Write(int64_t, const float* samples, size_t frames, uint64_t* clipped) {
    BYTE* data = nullptr;
    if (FAILED(render_->GetBuffer(static_cast<UINT32>(frames), &data))) return false;
    ConvertToPcm16(samples, 2 * frames, data, clipped);
    return SUCCEEDED(render_->ReleaseBuffer(static_cast<UINT32>(frames), 0));
}

bool WasapiStream::Play() {
    started_ = SUCCEEDED(client_->Start());
    return started_;
}

void WasapiStream::Close() {
    if (client_ && started_) client_->Stop();
    started_ = false;
    if (clock_) clock_->Release(), clock_ = nullptr;
    if (render_) render_->Release(), render_ = nullptr;
    if (client_) client_->Release(), client_ = nullptr;
    if (device_) device_->Release(), device_ = nullptr;
    if (event_) CloseHandle(event_), event_ = nullptr;
    if (mmcssTask_ && avrt_) {
        using RevertCharacteristics = BOOL(WINAPI*)(HANDLE);
        auto revert = reinterpret_cast<RevertCharacteristics>(
            reinterpret_cast<void*>(GetProcAddress(avrt_, "AvRevertMmThreadCharacteristics")));
        if (revert) revert(mmcssTask_);
    }
    mmcssTask_ = nullptr;
    if (avrt_) FreeLibrary(avrt_), avrt_ = nullptr;
    if (comStarted_) CoUninitialize();
    comStarted_ = false;
}
