// What the sequencer needs from the rest of the program, as small interfaces:
// the clock with its periodic timer, the sound output, the display, and the
// window it posts to. The Windows program implements them with the multimedia
// timer, DirectSound, the panels and PostMessage; tests implement them with a
// simulated clock and recorders.
#pragma once

#include <cstdint>

#include "audio/sound_output.h"

// Receives the periodic timer's calls (on the timer's own thread).
class TickListener {
public:
    virtual ~TickListener() = default;
    virtual void OnTimerTick() = 0;
};

class SequencerClock {
public:
    virtual ~SequencerClock() = default;
    // The periodic timer calls `listener` about every `periodMs` once started.
    virtual void ConfigureTimer(uint32_t periodMs, TickListener* listener) = 0;
    // (Re)starts the periodic timer; at most one runs.
    virtual void StartTimer() = 0;
    // Stops it: no call starts after this returns (one may still be running).
    virtual void StopTimer() = 0;
    // Chooses the time-stamp counter (true) or the performance counter.
    virtual void SetUseTsc(bool useTsc) = 0;
    // The current reading in milliseconds; callable from any thread.
    virtual int64_t NowMs() = 0;
    // The same reading with its fraction of a millisecond: what the
    // sample-accurate output maps due times onto its stream with.
    virtual double NowMsExact() { return static_cast<double>(NowMs()); }
};

// The transport's part of the display; called on the interface thread only.
class TransportDisplay {
public:
    virtual ~TransportDisplay() = default;
    virtual void SetPlayButton(bool pressed) = 0;
    // The measure strip's playing mark: a measure 0..7, or -1 for none.
    virtual void SetPlayingMeasure(int measure) = 0;
    // One step column's indicator lamp.
    virtual void SetLamp(int column, bool on) = 0;
};

class TransportHost {
public:
    virtual ~TransportHost() = default;
    // Posts to the main window without waiting; safe from the timer thread.
    virtual void Post(unsigned message, intptr_t wParam, intptr_t lParam) = 0;
    virtual bool IsCtrlDown() = 0;
    // Sends a start or stop message to every running copy, this one included.
    virtual void BroadcastTransport(unsigned message) = 0;
};
