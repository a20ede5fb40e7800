// The bookkeeping of a stream kept filled ahead: which stream frame the mix
// thread writes next, how many frames it writes at each wake, and when the
// device has taken frames that were never written. Platform-free; the
// backends feed it what their device reports.
#pragma once

#include <cstddef>
#include <cstdint>

// Turns the play cursor of a looping buffer into a count that never wraps.
class LoopCursor {
public:
    explicit LoopCursor(int64_t loopFrames) : loop_(loopFrames) {}

    // `position` is the cursor within the loop; `clockFrames` is how many
    // frames the clock says have passed since the previous call, which tells
    // whole laps that went by unseen while the reader was held up.
    int64_t Advance(int64_t position, double clockFrames);
    int64_t Total() const { return total_; }

private:
    int64_t loop_;
    int64_t last_ = 0;
    int64_t total_ = 0;
};

class StreamFill {
public:
    // `leadFrames`: how far ahead of what the device has taken the written
    // frames reach after each wake. `roomFrames`: the most that may be
    // written ahead of it (the device's buffer).
    StreamFill(int64_t leadFrames, int64_t roomFrames) : lead_(leadFrames), room_(roomFrames) {}

    // At a wake: `takenFrames` is how far the device has taken the stream
    // (what it plays from now on can no longer be changed); `glitch` says the
    // device reported running dry. Returns how many frames to write now,
    // starting at NextFrame(). Frames taken but never written count as an
    // underrun, and writing resumes at the device's position, so stream frame
    // numbers keep following time.
    size_t Plan(int64_t takenFrames, bool glitch);
    // Before anything is written: the lead, or `startFrames` when the device
    // takes more than that at once as it starts.
    size_t First(int64_t startFrames) const;
    void Wrote(size_t frames) { next_ += static_cast<int64_t>(frames); }

    int64_t NextFrame() const { return next_; }
    uint64_t Underruns() const { return underruns_; }
    int64_t LeadFrames() const { return lead_; }

private:
    int64_t lead_;
    int64_t room_;
    int64_t next_ = 0;
    uint64_t underruns_ = 0;
};
