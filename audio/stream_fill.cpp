#include "audio/stream_fill.h"

#include <cmath>

int64_t LoopCursor::Advance(int64_t position, double clockFrames) {
    int64_t moved = (position - last_) % loop_;
    if (moved < 0) moved += loop_;
    // Laps the cursor made beyond `moved` unseen: the nearest whole number that
    // fits the clock; none when the clock says less than half a lap more.
    const double unseen = std::floor((clockFrames - static_cast<double>(moved)) / static_cast<double>(loop_) + 0.5);
    if (unseen > 0) moved += static_cast<int64_t>(unseen) * loop_;
    last_ = position;
    total_ += moved;
    return total_;
}

size_t StreamFill::First(int64_t startFrames) const {
    int64_t wanted = startFrames > lead_ ? startFrames : lead_;
    if (wanted > room_) wanted = room_;
    return static_cast<size_t>(wanted);
}

size_t StreamFill::Plan(int64_t takenFrames, bool glitch) {
    if (takenFrames > next_ || glitch) ++underruns_;
    if (takenFrames > next_) next_ = takenFrames;
    int64_t wanted = takenFrames + lead_ - next_;
    const int64_t room = takenFrames + room_ - next_;
    if (wanted > room) wanted = room;
    return wanted > 0 ? static_cast<size_t>(wanted) : 0;
}
