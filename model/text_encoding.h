#pragma once

#include <cstddef>
#include <string>

// Converts UTF-16 code units to Windows-1252 bytes, the single-byte code page
// all of the program's texts use. Characters the code page lacks become '?'
// (a surrogate pair, being one character, becomes a single '?').
std::string Utf16ToWindows1252(const char16_t* units, size_t count);

inline std::string Utf16ToWindows1252(const std::u16string& text) {
  return Utf16ToWindows1252(text.data(), text.size());
}
