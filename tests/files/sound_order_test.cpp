#include "files/sound_order.h"

#include <gtest/gtest.h>

TEST(SoundOrder, SortsAsNtfsListsAFolder) {
    std::vector<std::string> names = {"snare.wav", "Kick.wav", "_fx.wav", "10 tom.wav", "2 tom.wav", "kick2.wav",
                                      "\xC9" "cho.wav", "Zap.wav", "a.wav"};
    SortLikeNtfs(names);
    // Upper case decides: '_' (0x5F) sorts after the letters' capitals, digits
    // before them, and accented capitals after Z.
    EXPECT_EQ(names, (std::vector<std::string>{"10 tom.wav", "2 tom.wav", "a.wav", "Kick.wav", "kick2.wav",
                                               "snare.wav", "Zap.wav", "_fx.wav", "\xC9" "cho.wav"}));
}

TEST(SoundOrder, CaseAloneDoesNotOrderAndEuroSignSortsByItsCharacter) {
    EXPECT_FALSE(NtfsNameLess("KICK.wav", "kick.wav"));
    EXPECT_FALSE(NtfsNameLess("kick.wav", "KICK.wav"));
    EXPECT_TRUE(NtfsNameLess("\xFF.wav", "\x80.wav")) << "Y with diaeresis (U+0178) before the euro sign (U+20AC)";
    EXPECT_TRUE(NtfsNameLess("ab", "abc"));
}
