#include "controls/hyperlink_text.h"

#include <gtest/gtest.h>

TEST(HyperlinkText, ShellCodesInWordsAndUnknownCodesByNumber) {
    EXPECT_EQ(HyperlinkErrorMessage(31),
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(HyperlinkErrorMessage(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(HyperlinkErrorMessage(1234), "Unable to open hyperlink:\n\nUnknown Error (1234) occurred.");
    EXPECT_EQ(HyperlinkErrorMessage(-1), "Unable to open hyperlink:\n\nUnknown Error (-1) occurred.");
}

TEST(HyperlinkText, AddressTakesThePlaceOfThePlaceholder) {
    EXPECT_EQ(CommandLineForAddress("\"C:\\b\\browser.exe\" -new \"%1\" -x", "http://a.b/"),
              "\"C:\\b\\browser.exe\" -new  http://a.b/");
    EXPECT_EQ(CommandLineForAddress("browser.exe %1", "page.htm"), "browser.exe  page.htm");
    EXPECT_EQ(CommandLineForAddress("browser.exe", "page.htm"), "browser.exe page.htm");
}
