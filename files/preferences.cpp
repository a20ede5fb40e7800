#include "files/preferences.h"

#include <windows.h>

namespace {
const char kPerUserClasses[] = "Software\\Classes\\";

void WriteUnder(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& text) {
    HKEY key;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    // Stored without a terminating zero, as readers of these values expect.
    RegSetValueExA(key, valueName.empty() ? nullptr : valueName.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    RegCloseKey(key);
}

bool ReadUnder(HKEY root, const std::string& keyPath, const std::string& valueName, std::string* text) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    char buffer[256];
    DWORD size = sizeof buffer;
    const bool ok = RegQueryValueExA(key, valueName.empty() ? nullptr : valueName.c_str(), nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!ok) return false;
    // Exactly the bytes returned; a terminating zero, if there is one, ends the text.
    text->assign(buffer, size);
    const size_t zero = text->find('\0');
    if (zero != std::string::npos) text->erase(zero);
    return true;
}

std::string ModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}
}  // namespace

void RegWriteString(const std::string& keyPath, const std::string& valueName, const std::string& text) {
    WriteUnder(HKEY_CLASSES_ROOT, keyPath, valueName, text);
    WriteUnder(HKEY_CURRENT_USER, kPerUserClasses + keyPath, valueName, text);
}

std::string RegReadString(const std::string& keyPath, const std::string& valueName) {
    std::string text;
    if (ReadUnder(HKEY_CLASSES_ROOT, keyPath, valueName, &text)) return text;
    if (ReadUnder(HKEY_CURRENT_USER, kPerUserClasses + keyPath, valueName, &text)) return text;
    return std::string();
}

void RegisterFileAssociation() {
    const std::string module = ModulePath();
    RegWriteString("Stepforge\\shell\\open\\command", "", module + " %1");
    RegWriteString("Stepforge", "", "Stepforge Settings File");
    RegWriteString("Stepforge\\DefaultIcon", "", module + ",1");
    RegWriteString(".^&^", "", "Stepforge");
}

bool LoadHighResTimerPreference() { return RegReadString(kPreferencesKey, kHighResTimerValue) != "off"; }

void SaveHighResTimerPreference(bool on) { RegWriteString(kPreferencesKey, kHighResTimerValue, on ? "on" : "off"); }

bool LoadSampleAccuratePreference() { return RegReadString(kPreferencesKey, kSampleAccurateValue) != "off"; }

void SaveSampleAccuratePreference(bool on) {
    RegWriteString(kPreferencesKey, kSampleAccurateValue, on ? "on" : "off");
}

int LoadZoomPreference() {
    const std::string text = RegReadString(kPreferencesKey, kZoomValue);
    return text == "1" || text == "2" || text == "3" ? text[0] - '0' : 0;
}

void SaveZoomPreference(int choice) {
    RegWriteString(kPreferencesKey, kZoomValue, choice >= 1 && choice <= 3 ? std::to_string(choice) : "auto");
}
