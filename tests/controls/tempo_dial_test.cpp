// The tempo dial: semitone and octave steps, its limits, its two units and
// typed tempos taken when the field is left.
#include <gtest/gtest.h>

#include "controls/control_events.h"
#include "controls/tempo_dial.h"
#include "tests/controls/fixture.h"

class TempoDialTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        // As the main panel builds it: arrows and a 53 x 13 field, no bar.
        dial = Make<MTempoDial>();
        dial->Create(1005, 18, 46, "TARROW", 0, 0, "TARROW", 0, 9, host, 7, 3, 53, 13, 0, 0, 1000000, 10, 0, 0, 0, 0,
                     0, false);
        dial->SetTransparent(false);
        dial->SetLiveTyping(false);
    }
    std::string Text() { return dial->Field().GetText(); }
    void Type(const std::string& text) {
        TypeInto(dial->Field().Handle(), text);
        SetFocus(host->HostWindow());
    }
    MTempoDial* dial = nullptr;
};

TEST_F(TempoDialTest, SemitoneStepsShowThreeDecimalsUntilTheValueIsWhole) {
    EXPECT_EQ(Text(), "126");
    EXPECT_FALSE(dial->HasBar());
    dial->OnChildEvent(1006);
    EXPECT_DOUBLE_EQ(dial->GetRealValue(), 126 * 1.0594630943592953);
    EXPECT_EQ(Text(), "133.492");
    for (int i = 1; i < 12; ++i) dial->OnChildEvent(1006);
    EXPECT_NEAR(dial->GetRealValue(), 252.0, 1e-9);
    EXPECT_EQ(Text(), "252");
    dial->OnChildEvent(1007);
    EXPECT_EQ(Text(), "237.856");
}

TEST_F(TempoDialTest, CtrlStepsByOctavesWithinTheLimitsWithoutWaitingForTheButton) {
    FakeKeys::ctrl = true;
    FakeKeys::leftButtonDownPolls = 1000;  // held: the tempo dial does not wait
    dial->StepBy(1);
    EXPECT_EQ(dial->GetRealValue(), 252.0);
    EXPECT_EQ(Text(), "252");
    dial->SetRealValue(0.7);
    dial->StepBy(-1);
    EXPECT_EQ(dial->GetRealValue(), 0.5);
    EXPECT_EQ(Text(), "0.500");
    dial->SetRealValue(6e6);
    dial->StepBy(1);
    EXPECT_EQ(dial->GetRealValue(), 1e7);
    EXPECT_EQ(Text(), "10000000");
    EXPECT_EQ(FakeKeys::leftButtonPolls, 0);
}

TEST_F(TempoDialTest, DerivedUnitShowsSamplesAndTakesThemBack) {
    dial->SetShowDerived(1);
    EXPECT_EQ(Text(), "42000");
    EXPECT_EQ(dial->GetRealValue(), 126.0);
    Type("44100");
    EXPECT_EQ(dial->GetRealValue(), 120.0);
    EXPECT_EQ(Text(), "44100");  // not rewritten
    dial->SetShowDerived(0);
    EXPECT_EQ(Text(), "120");
}

TEST_F(TempoDialTest, LeavingTheFieldUnchangedChangesNothing) {
    dial->OnChildEvent(1006);  // 133.4923553...
    const double before = dial->GetRealValue();
    Type("133.4920");  // longer, but the same number once read
    EXPECT_EQ(dial->GetRealValue(), before);
    host->events.clear();
    SetFocus(dial->Field().Handle());
    SetFocus(host->HostWindow());
    EXPECT_EQ(dial->GetRealValue(), before);
    ASSERT_EQ(host->events.size(), 1u);
    EXPECT_EQ(host->events[0].event, CE_NONE);
}

TEST_F(TempoDialTest, TypedTempoWithinTheLimitsIsCommittedOnceAndAnythingElseRefused) {
    auto commits = [this] {
        int n = 0;
        for (const TestHost::Event& e : host->events) n += e.event == CE_FIELD_COMMIT && e.id == 1008;
        host->events.clear();
        return n;
    };
    Type("0.5");
    EXPECT_EQ(dial->GetRealValue(), 0.5);
    EXPECT_EQ(commits(), 1);
    // No number, nothing, zero, below or beyond the limits: the field shows
    // the tempo again and nothing is committed.
    for (const char* typed : {"abc", "\b", "0", "-5", "0.1", "1e8"}) {  // \b: emptied
        Type(typed);
        EXPECT_EQ(dial->GetRealValue(), 0.5) << typed;
        EXPECT_EQ(Text(), "0.500") << typed;
        EXPECT_EQ(commits(), 0) << typed;
    }
    // Zero samples per measure would be an infinite tempo.
    dial->SetShowDerived(1);
    Type("0");
    EXPECT_EQ(dial->GetRealValue(), 0.5);
    EXPECT_EQ(Text(), "10584000");
    EXPECT_EQ(commits(), 0);
}
