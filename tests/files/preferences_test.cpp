// The registry duties against Wine's real registry.
#include "files/preferences.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

void DeleteTree(HKEY root, const char* path) { RegDeleteTreeA(root, path); }

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
            const std::string prefix = root == HKEY_CURRENT_USER ? "Software\\Classes\\" : "";
            DeleteTree(root, (prefix + "Stepforge").c_str());
            DeleteTree(root, (prefix + ".^&^").c_str());
        }
    }
    // The stored text. (Wine adds a terminating zero to every string it
    // stores, so the zero the program leaves out cannot be seen here.)
    static std::string RawDefault(HKEY root, const std::string& key, DWORD* type, DWORD* size) {
        HKEY handle;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<missing>";
        wchar_t buffer[512] = {};
        *size = sizeof buffer;
        RegQueryValueExW(handle, nullptr, nullptr, type, reinterpret_cast<BYTE*>(buffer), size);
        RegCloseKey(handle);
        std::string text;
        for (DWORD i = 0; i < *size / 2 && buffer[i]; ++i) text += static_cast<char>(buffer[i]);
        return text;
    }
};

TEST_F(PreferencesTest, AssociationNamesThisExecutableInBothClassTrees) {
    RegisterFileAssociation();
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    DWORD type = 0, size = 0;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
        const std::string prefix = root == HKEY_CURRENT_USER ? "Software\\Classes\\" : "";
        EXPECT_EQ(RawDefault(root, prefix + ".^&^", &type, &size), "Stepforge");
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(RawDefault(root, prefix + "Stepforge\\shell\\open\\command", &type, &size),
                  std::string(module) + " %1");
        EXPECT_EQ(RawDefault(root, prefix + "Stepforge\\DefaultIcon", &type, &size), std::string(module) + ",1");
        EXPECT_EQ(RawDefault(root, prefix + "Stepforge", &type, &size), "Stepforge Settings File");
    }
    EXPECT_EQ(RegReadString(kPreferencesKey, kHighResTimerValue), "") << "no preference after a first start";
}

TEST_F(PreferencesTest, OnlyExactlyOffTurnsTheClockSwitchOff) {
    EXPECT_TRUE(LoadHighResTimerPreference()) << "missing means on";
    SaveHighResTimerPreference(false);
    EXPECT_EQ(RegReadString(kPreferencesKey, kHighResTimerValue), "off");
    EXPECT_FALSE(LoadHighResTimerPreference());
    for (const char* text : {"OFF", "0", "of", "off "}) {
        RegWriteString(kPreferencesKey, kHighResTimerValue, text);
        EXPECT_TRUE(LoadHighResTimerPreference()) << text;
    }
    SaveHighResTimerPreference(true);
    EXPECT_EQ(RegReadString(kPreferencesKey, kHighResTimerValue), "on");
}

TEST_F(PreferencesTest, PerUserClassesServeWhenTheSharedOnesCannotBeRead) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\Stepforge\\data\\8", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "highResTimer", 0, REG_SZ, reinterpret_cast<const BYTE*>("off"), 3);
    RegCloseKey(key);
    EXPECT_FALSE(LoadHighResTimerPreference());
}

}  // namespace
