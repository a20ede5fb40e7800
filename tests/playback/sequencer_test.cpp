#include "playback/sequencer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "playback/step_timing.h"
#include "tests/playback/transport_fakes.h"

namespace {

class SequencerTest : public ::testing::Test {
protected:
    SequencerTest() {
        auto owned = std::make_unique<SimulatedClock>();
        clock = owned.get();
        recorder = std::make_unique<TransportRecorder>(*clock);
        sequencer.Prepare(setup, *recorder, *recorder, *recorder, std::move(owned));
    }

    // The due times the triggers carried, relative to the start.
    std::vector<double> DueTimes(int64_t start) const {
        std::vector<double> out;
        for (const auto& e : recorder->Only("trigger")) out.push_back(e.due - static_cast<double>(start));
        return out;
    }
    // Trigger times relative to the start, in order.
    std::vector<int64_t> TriggerTimes(int64_t start) const {
        std::vector<int64_t> out;
        for (const auto& e : recorder->Only("trigger")) out.push_back(e.time - start);
        return out;
    }
    // The interface thread handles what is queued for it.
    void Deliver() {
        for (const auto& p : recorder->TakeQueue()) sequencer.HandleTransportMessage(p.message, p.wParam, p.lParam);
    }
    std::vector<int> Marks() const {
        std::vector<int> out;
        for (const auto& e : recorder->Only("playing")) out.push_back(e.a);
        return out;
    }
    std::vector<int> MeasuresTriggered() const {
        std::vector<int> out;
        for (const auto& e : recorder->Only("trigger")) out.push_back(e.a);
        return out;
    }
    std::vector<std::pair<int, int>> Triggered() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& e : recorder->Only("trigger")) out.push_back({e.a, e.b});
        return out;
    }

    ::Setup setup;  // the fixture's own Setup() hides the type inside the class
    SimulatedClock* clock = nullptr;
    std::unique_ptr<TransportRecorder> recorder;
    Sequencer sequencer;
};

TEST(StepTiming, Intervals) {
    EXPECT_NEAR(StepIntervalMs(126), 119.047613, 5e-7);
    EXPECT_NEAR(StepIntervalMs(120), 124.999993, 5e-7);
    EXPECT_FALSE(IsUsableInterval(StepIntervalMs(0)));
    EXPECT_FALSE(IsUsableInterval(StepIntervalMs(-120)));
    EXPECT_FALSE(IsUsableInterval(StepIntervalMs(std::nan(""))));
    EXPECT_FALSE(IsUsableInterval(StepIntervalMs(1e300)));  // rounds to a length of 0
    EXPECT_TRUE(IsUsableInterval(StepIntervalMs(10000000)));
}

TEST(StepTiming, EveryClockReadingHasASourceThatCannotDivideByZero) {
    EXPECT_EQ(ChooseTimeSource(true, true, 2395000, 10000000), TimeSource::TimeStampCounter);
    EXPECT_EQ(ChooseTimeSource(true, false, 2395000, 10000000), TimeSource::PerformanceCounter);
    EXPECT_EQ(ChooseTimeSource(false, true, 2395000, 10000000), TimeSource::PerformanceCounter);
    EXPECT_EQ(ChooseTimeSource(true, true, 0, 10000000), TimeSource::PerformanceCounter) << "no calibrated rate";
    EXPECT_EQ(ChooseTimeSource(true, true, 0, 999), TimeSource::MultimediaTime) << "frequency / 1000 would be 0";
    EXPECT_EQ(ChooseTimeSource(false, false, 0, 0), TimeSource::MultimediaTime);
}

TEST_F(SequencerTest, StartSoundsTheFirstStepAtOnceAndPostsInOrder) {
    EXPECT_EQ(clock->period, 1u);
    sequencer.StartPlayback();
    ASSERT_EQ(Triggered(), (std::vector<std::pair<int, int>>{{0, 0}}));
    ASSERT_EQ(recorder->posted.size(), 3u);
    EXPECT_EQ(recorder->posted[0].message, UM_STEP_SOUNDED);
    EXPECT_EQ(recorder->posted[1].message, UM_MEASURE_STATE);  // the pass of measure 0 begins
    EXPECT_EQ(recorder->posted[1].wParam, 0);
    EXPECT_NE(recorder->posted[1].lParam, -1);
    EXPECT_EQ(recorder->posted[2].message, UM_MEASURE_STATE);  // playback started in measure 0
    EXPECT_EQ(recorder->posted[2].wParam, 0);
    EXPECT_EQ(setup.repeatCounter, 1);
    EXPECT_EQ(setup.stepIndex, 1);
    EXPECT_TRUE(clock->active);
    EXPECT_EQ(recorder->events.back().what, "button");
}

TEST_F(SequencerTest, StepsFallDueOnTheGridFromTheStartWithoutDrift) {
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    // Ticks arrive late now and then; the grid must not move.
    for (int64_t t = start; t < start + 20000;) {
        t += (t % 97 == 0) ? 7 : 1;
        clock->now = t;
        clock->Tick();
    }
    const std::vector<int64_t> times = TriggerTimes(start);
    ASSERT_GE(times.size(), 160u);
    const double interval = StepIntervalMs(126);
    const std::vector<double> dues = DueTimes(start);
    for (size_t k = 1; k < times.size(); ++k) {
        const double due = k * interval;
        EXPECT_GE(times[k], due) << k;
        EXPECT_LT(times[k], due + 8) << k << ": late by at most the longest gap between ticks";
        EXPECT_NEAR(dues[k], due, 1e-9) << k << ": each step carries its exact place, however late its tick";
    }
    EXPECT_EQ(recorder->Only("sounded").size(), times.size());
}

TEST_F(SequencerTest, OneTickSoundsAtMostOneStep) {
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    clock->now = start + 1000;  // a long stall: about eight steps are overdue
    clock->Tick();
    EXPECT_EQ(TriggerTimes(start).size(), 2u);
    for (int i = 0; i < 7; ++i) clock->Tick();
    EXPECT_EQ(TriggerTimes(start).size(), 9u) << "one each tick until caught up";
    clock->Tick();
    EXPECT_EQ(TriggerTimes(start).size(), 9u);

    // Above 15,000 BPM a step comes each tick, and each is due one tick after
    // the one before, as the export places them.
    sequencer.StopPlayback();
    recorder->Clear();
    setup.tempo = 30000.0;
    const int64_t fast = clock->now;
    sequencer.StartPlayback();
    clock->RunUntil(fast + 63);
    const std::vector<double> dues = DueTimes(fast);
    ASSERT_EQ(dues.size(), 64u);
    for (size_t k = 0; k < dues.size(); ++k) EXPECT_EQ(dues[k], static_cast<double>(k)) << k;
}

TEST_F(SequencerTest, RepeatCountThenNextMeasure) {
    setup.measures[0].repeatCount = 3;
    setup.measures[0].nextMeasure = 2;
    setup.stepsPerMeasure = 4;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 13 * 120);
    std::vector<int> measures;
    for (const auto& t : Triggered()) measures.push_back(t.first);
    ASSERT_GE(measures.size(), 13u);
    EXPECT_EQ(std::vector<int>(measures.begin(), measures.begin() + 13),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(setup.playMeasure, 2);
    EXPECT_EQ(setup.repeatCounter, 1) << "measure 2 has begun its first pass";
    int passStarts = 0;
    for (const auto& p : recorder->posted)
        if (p.message == UM_MEASURE_STATE && p.lParam != -1) ++passStarts;
    EXPECT_EQ(passStarts, 5) << "four passes, and the start's own message for measure 0";
}

TEST_F(SequencerTest, ActiveStepsAndNarrowingDuringAPass) {
    setup.stepsPerMeasure = 4;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 5 * 120);
    EXPECT_EQ(Triggered(), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 0}, {0, 1}}));
    // Step 2 is next; the window narrows to two steps: the pass ends after it.
    setup.stepsPerMeasure = 2;
    recorder->Clear();
    clock->RunUntil(clock->now + 3 * 120);
    EXPECT_EQ(Triggered(), (std::vector<std::pair<int, int>>{{0, 2}, {0, 0}, {0, 1}}));
}

TEST_F(SequencerTest, SilentStepsKeepTheirTime) {
    setup.measures[0].steps[1].on = 0;
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    clock->RunUntil(start + 3 * 120);
    EXPECT_EQ(Triggered(), (std::vector<std::pair<int, int>>{{0, 0}, {0, 2}, {0, 3}}));
    EXPECT_EQ(TriggerTimes(start)[1], std::ceil(2 * StepIntervalMs(126)));
    EXPECT_EQ(recorder->Only("sounded").size(), 4u);
}

TEST_F(SequencerTest, MonophonicCutsThePreviousStepPolyphonicLetsItRing) {
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 2 * 120);
    std::vector<std::string> order;
    for (const auto& e : recorder->events)
        if (e.what == "trigger" || e.what == "stop") order.push_back(e.what + std::to_string(e.b));
    EXPECT_EQ(order, (std::vector<std::string>{"stop0", "trigger0", "stop0", "trigger1", "stop1", "trigger2"}));
    sequencer.StopPlayback();
    EXPECT_EQ(recorder->Only("killall").size(), 1u);

    setup.polyphonic = 1;
    recorder->Clear();
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 2 * 120);
    EXPECT_TRUE(recorder->Only("stop").empty());
    sequencer.StopPlayback();
    EXPECT_TRUE(recorder->Only("killall").empty()) << "polyphonic voices ring out";
}

TEST_F(SequencerTest, TempoChangeAppliesFromTheLastStepAndStartsANewGrid) {
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    clock->RunUntil(start + 130);  // step 1 sounded at 120
    setup.tempo = 60.0;            // 250 ms steps
    sequencer.OnTempoChanged();
    clock->RunUntil(start + 1000);
    const std::vector<int64_t> times = TriggerTimes(start);
    ASSERT_GE(times.size(), 5u);
    EXPECT_EQ(times[1], 120);
    EXPECT_EQ(times[2], 370) << "one new interval after step 1's place on the old grid (119.05 + 250)";
    EXPECT_EQ(times[3], 370 + 250) << "then on a new grid from the step that took the change over";
    EXPECT_EQ(times[4], 370 + 500);
}

TEST_F(SequencerTest, SwingDelaysTheOddStepsOfEachMeasureAndATempoChangeKeepsTheGrid) {
    setup.stepsPerMeasure = 5;  // the run's count and the measure's steps part ways
    for (int swing : {750, 667, 540}) {
        recorder->Clear();
        setup.swing = static_cast<int16_t>(swing);
        const int64_t start = clock->now;
        sequencer.StartPlayback();
        clock->RunUntil(start + 1300);
        const double late = (swing - 500) / 500.0 * StepIntervalMs(126);
        std::vector<int64_t> expected;
        std::vector<double> dues;
        for (int k = 0; k < 11; ++k) {
            dues.push_back(k * StepIntervalMs(126) + (k % 5 % 2 ? late : 0));
            expected.push_back(std::ceil(dues.back()));
        }
        EXPECT_EQ(TriggerTimes(start), expected) << swing;
        const std::vector<double> carried = DueTimes(start);
        ASSERT_EQ(carried.size(), dues.size());
        for (size_t k = 0; k < dues.size(); ++k) EXPECT_NEAR(carried[k], dues[k], 1e-9) << swing << " step " << k;
        sequencer.StopPlayback();
    }
    // A late step that takes a tempo change over starts the new grid from its place.
    setup.stepsPerMeasure = 16;
    setup.swing = 750;
    recorder->Clear();
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    clock->RunUntil(start + 130);
    setup.tempo = 60.0;
    sequencer.OnTempoChanged();
    clock->RunUntil(start + 990);
    EXPECT_EQ(TriggerTimes(start), (std::vector<int64_t>{0, 250 + 125, 500, 750 + 125}));
}

TEST_F(SequencerTest, UnusableTemposHoldPlaybackWithoutFaultsAndAUsableOneResumes) {
    for (double tempo : {0.0, -126.0, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()}) {
        recorder->Clear();
        setup.tempo = tempo;
        sequencer.StartPlayback();
        clock->RunUntil(clock->now + 500);
        EXPECT_EQ(Triggered().size(), 1u) << tempo << ": only the step sounded at start";
        setup.tempo = 120.0;
        sequencer.OnTempoChanged();
        const int64_t changed = clock->now;
        clock->RunUntil(changed + 300);
        const std::vector<int64_t> times = TriggerTimes(changed);
        ASSERT_EQ(times.size(), 3u) << tempo;
        EXPECT_EQ(times[1], 126) << "due one new interval after the change was taken";
        sequencer.StopPlayback();
    }
}

TEST_F(SequencerTest, ChainLinksOutsideThePlayableMeasuresStayInPlace) {
    setup.stepsPerMeasure = 1;
    setup.measures[0].nextMeasure = 99;
    setup.editMeasure = 0;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 3 * 120);
    for (const auto& t : Triggered()) EXPECT_EQ(t.first, 0);
    setup.measures[0].nextMeasure = -3;
    clock->RunUntil(clock->now + 3 * 120);
    EXPECT_EQ(setup.playMeasure, 0);
    setup.playMeasure = 12;  // whatever else wrote it
    clock->RunUntil(clock->now + 120);
    EXPECT_EQ(Triggered().back().first, 7);
}

TEST_F(SequencerTest, MeasureButtonsMovePlaybackUnlessCtrlIsDown) {
    setup.editMeasure = 0;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 595);  // steps 0..4 sounded, step 5 is next
    setup.editMeasure = 5;
    recorder->ctrlDown = true;
    sequencer.OnMeasureSelected(5);
    EXPECT_EQ(setup.playMeasure, 0);
    recorder->ctrlDown = false;
    sequencer.OnMeasureSelected(5);
    EXPECT_EQ(recorder->Only("playing").back().a, 5) << "marked at once";
    clock->Tick();  // the timer thread takes the jump over
    EXPECT_EQ(setup.playMeasure, 5);
    EXPECT_EQ(setup.repeatCounter, 0);
    clock->RunUntil(clock->now + 4);  // step 5 falls due at 596
    EXPECT_EQ(Triggered().back(), std::make_pair(5, 5)) << "same position, new measure";
    EXPECT_EQ(recorder->Only("playing").back().a, 5);
}

TEST_F(SequencerTest, MeasureJumpsAtTheEndOfAPassAreTakenOverNotLost) {
    setup.stepsPerMeasure = 4;
    setup.measures[0].nextMeasure = 1;
    setup.measures[5].repeatCount = 2;
    setup.measures[5].nextMeasure = 2;
    for (const bool key : {true, false}) {
        recorder->Clear();
        setup.editMeasure = 0;
        sequencer.StartPlayback();
        // The jump comes while the timer thread is inside the last step of a
        // pass: it has read the measure and is about to follow the chain.
        recorder->duringTrigger = [&](int m, int s) {
            if (m != 0 || s != 3) return;
            recorder->duringTrigger = nullptr;
            const int16_t measure = setup.playMeasure, count = setup.repeatCounter;
            if (key) {
                sequencer.OnMeasureKey(5);
            } else {
                setup.editMeasure = 5;
                sequencer.OnMeasureSelected(5);
            }
            EXPECT_EQ(setup.playMeasure, measure) << "while playing, only the timer thread writes the position";
            EXPECT_EQ(setup.repeatCounter, count);
        };
        clock->RunUntil(clock->now + 12 * 120);
        EXPECT_EQ(MeasuresTriggered(), (std::vector<int>{0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 5, 5, 2}))
            << (key ? "measure key" : "measure button") << ": two whole passes of measure 5, then its chain";
        EXPECT_EQ(setup.editMeasure, key ? 0 : 5);
        sequencer.StopPlayback();
    }
}

TEST_F(SequencerTest, QueuedMessagesOfAnEndedRunOrAnEarlierMeasureChangeNothing) {
    setup.editMeasure = 2;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 16 * 120);  // the second pass of measure 2 has begun
    // The user jumps before the interface thread has handled the timer's
    // messages of measure 2: they must not move the mark back.
    sequencer.OnMeasureKey(5);
    EXPECT_EQ(Marks().back(), 5);
    const size_t marks = Marks().size();
    Deliver();
    EXPECT_EQ(Marks().size(), marks);
    EXPECT_FALSE(recorder->Only("lamp on").empty()) << "the run's steps still move the lamp";
    clock->RunUntil(clock->now + 16 * 120);  // measure 5 has begun a pass of its own
    Deliver();
    EXPECT_EQ(Marks().back(), 5);
    for (size_t i = marks; i < Marks().size(); ++i) EXPECT_EQ(Marks()[i], 5);

    // Steps sounded just before a stop and handled after it light nothing.
    clock->RunUntil(clock->now + 3 * 120);
    sequencer.StopPlayback();
    recorder->Clear();
    Deliver();
    EXPECT_TRUE(recorder->Only("lamp on").empty());
    EXPECT_EQ(Marks(), (std::vector<int>{-1}));

    // Nor do those of a run that was stopped and started again before the
    // interface thread got to them: only the new run's first step counts.
    setup.editMeasure = 6;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 2 * 120);
    sequencer.StopPlayback();
    setup.editMeasure = 3;
    sequencer.StartPlayback();
    recorder->Clear();
    Deliver();
    EXPECT_EQ(recorder->Only("lamp on").size(), 1u);
    EXPECT_EQ(Marks(), (std::vector<int>{-1, 3, 3}));
}

TEST_F(SequencerTest, WithOneStepPerMeasureEveryMeasurePlaysExactlyItsPasses) {
    setup.stepsPerMeasure = 1;
    setup.measures[0].repeatCount = 3;
    setup.measures[0].nextMeasure = 1;
    setup.measures[1].repeatCount = 2;
    setup.measures[1].nextMeasure = 0;
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 6 * 120);
    EXPECT_EQ(MeasuresTriggered(), (std::vector<int>{0, 0, 0, 1, 1, 0, 0}));
    // Stopped in measure 0's second pass, started again.
    sequencer.StopPlayback();
    recorder->Clear();
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 5 * 120);
    EXPECT_EQ(MeasuresTriggered(), (std::vector<int>{0, 0, 0, 1, 1, 0}));
    // A measure key in the middle of measure 0's passes.
    recorder->Clear();
    sequencer.OnMeasureKey(1);
    clock->RunUntil(clock->now + 3 * 120);
    EXPECT_EQ(MeasuresTriggered(), (std::vector<int>{1, 1, 0}));
}

TEST_F(SequencerTest, StopThenStartBeginsAtStepZeroOfTheEditedMeasureWithTheLampDark) {
    sequencer.StartPlayback();
    clock->RunUntil(clock->now + 4 * 120);
    Deliver();
    recorder->Clear();
    sequencer.StopPlayback();
    EXPECT_FALSE(clock->active);
    EXPECT_EQ(setup.stepIndex, 0);
    EXPECT_EQ(recorder->Only("lamp off").size(), 1u);
    EXPECT_EQ(recorder->posted.back().lParam, -1);
    clock->RunUntil(clock->now + 500);
    EXPECT_TRUE(Triggered().empty()) << "no tick after the stop";

    setup.editMeasure = 3;
    sequencer.StartPlayback();
    EXPECT_EQ(Triggered().front(), std::make_pair(3, 0));
}

TEST_F(SequencerTest, StepLampFollowsEveryStepUpTo1500BpmThenEverySecondAt3000) {
    sequencer.StartPlayback();
    recorder->TakeQueue();
    for (int i = 0; i < 4; ++i) {
        sequencer.AdvanceStep(0.0);
        Deliver();
    }
    EXPECT_EQ(recorder->Only("lamp on").size(), 4u);
    EXPECT_EQ(recorder->Only("lamp on").back().a, setup.stepIndex - 1);

    setup.tempo = 3000.0;
    recorder->Clear();
    for (int i = 0; i < 6; ++i) {
        sequencer.AdvanceStep(0.0);
        Deliver();
    }
    EXPECT_EQ(recorder->Only("lamp on").size(), 3u);
}

TEST_F(SequencerTest, ToggleBroadcastsUnlessCtrlAndTransportMessagesAreIdempotent) {
    sequencer.TogglePlayback();
    EXPECT_TRUE(sequencer.IsRunning());
    ASSERT_EQ(recorder->Only("broadcast").size(), 1u);
    EXPECT_EQ(recorder->Only("broadcast")[0].a, static_cast<int>(UM_START_TRANSPORT));
    const int starts = clock->starts;
    sequencer.HandleTransportMessage(UM_START_TRANSPORT, 0, 0);  // its own broadcast coming back
    EXPECT_EQ(clock->starts, starts);

    recorder->ctrlDown = true;
    sequencer.TogglePlayback();
    EXPECT_FALSE(sequencer.IsRunning());
    EXPECT_EQ(recorder->Only("broadcast").size(), 1u) << "Ctrl keeps the stop local";
    sequencer.HandleTransportMessage(UM_STOP_TRANSPORT, 0, 0);
    EXPECT_EQ(recorder->Only("button").size(), 2u);
    sequencer.HandleTransportMessage(UM_START_TRANSPORT, 0, 0);
    EXPECT_TRUE(sequencer.IsRunning());
    sequencer.HandleTransportMessage(UM_MEASURE_STATE, 4, -1);
    EXPECT_EQ(recorder->Only("playing").back().a, -1);
}

TEST_F(SequencerTest, MuteSilencesOrRestoresAndMarksTheSetup) {
    sequencer.OnMuteToggled(false);
    EXPECT_EQ(setup.muted, 1);
    EXPECT_EQ(recorder->events.back().what, "silence");
    sequencer.OnMuteToggled(true);
    EXPECT_EQ(setup.muted, 0);
    EXPECT_EQ(recorder->events.back().what, "reapply");
    EXPECT_EQ(setup.modified, 1);
}

TEST_F(SequencerTest, SwitchingTheClockSourceDuringPlaybackKeepsTheGrid) {
    const int64_t start = clock->now;
    sequencer.StartPlayback();
    clock->RunUntil(start + 300);
    sequencer.SetClockSource(true);  // the other source reads millions of ms apart
    clock->RunUntil(start + 1000);
    EXPECT_TRUE(clock->useTsc);
    const std::vector<int64_t> times = TriggerTimes(start);
    ASSERT_EQ(times.size(), 9u);
    for (size_t k = 0; k < times.size(); ++k) EXPECT_EQ(times[k], std::ceil(k * StepIntervalMs(126))) << k;
    // The due times go on the same grid, on the new source's timeline.
    const std::vector<double> dues = DueTimes(start);
    for (size_t k = 0; k < dues.size(); ++k)
        EXPECT_NEAR(dues[k] - (k >= 3 ? clock->tscOffset : 0), k * StepIntervalMs(126), 1e-6) << k;
}

}  // namespace
