#include "audio/stream_fill.h"

#include <gtest/gtest.h>

// The play cursor of a 1000-frame loop, read now and then.
TEST(LoopCursor, CountsAcrossTheLoopAndTheLapsAStalledReaderMissed) {
    LoopCursor cursor(1000);
    EXPECT_EQ(cursor.Advance(300, 300), 300);
    EXPECT_EQ(cursor.Advance(100, 790), 1100);  // wrapped; the clock's rough count does not matter
    EXPECT_EQ(cursor.Advance(100, 0), 1100);    // not moved
    // Held up for 2.3 loops: the cursor shows 0.3 of them, the clock the rest.
    EXPECT_EQ(cursor.Advance(400, 2290), 3400);
    // A clock far ahead of a cursor that moved only a little adds no lap below half a loop.
    EXPECT_EQ(cursor.Advance(500, 520), 3500);
}

// Lead 100 frames, room 400 frames beyond what the device has taken.
TEST(StreamFill, KeepsTheLeadAndResumesAtTheDeviceAfterAnUnderrun) {
    StreamFill fill(100, 400);
    EXPECT_EQ(fill.First(0), 100u);
    EXPECT_EQ(fill.First(250), 250u);  // a device that takes more as it starts
    EXPECT_EQ(fill.First(900), 400u);
    fill.Wrote(250);

    EXPECT_EQ(fill.Plan(100, false), 0u);  // 150 ahead already
    EXPECT_EQ(fill.Plan(180, false), 30u);
    fill.Wrote(30);
    EXPECT_EQ(fill.NextFrame(), 280);
    EXPECT_EQ(fill.Underruns(), 0u);

    // The device ran dry and took frames never written: counted once, and the
    // next frames are those it plays next, so frame numbers keep to time.
    EXPECT_EQ(fill.Plan(330, false), 100u);
    EXPECT_EQ(fill.NextFrame(), 330);
    fill.Wrote(100);
    EXPECT_EQ(fill.Underruns(), 1u);

    // A glitch the device reports counts without moving the frame numbers.
    EXPECT_EQ(fill.Plan(430, true), 100u);
    EXPECT_EQ(fill.NextFrame(), 430);
    EXPECT_EQ(fill.Underruns(), 2u);

    // Never more than the room beyond what was taken.
    StreamFill wide(1000, 400);
    EXPECT_EQ(wide.Plan(0, false), 400u);
}
