// The order of a sound folder's files. Windows lists a folder on NTFS sorted
// by name, compared letter by letter in upper case; on FAT volumes, and under
// Wine on Linux file systems, the order is whatever the disk holds. Sorting
// the list as NTFS does keeps a setup file's sound numbers naming the same
// files wherever its folder is copied.
#pragma once

#include <string>
#include <vector>

// Windows-1252 names, compared as NTFS compares them: by the upper-case
// Unicode character, code by code.
bool NtfsNameLess(const std::string& a, const std::string& b);
void SortLikeNtfs(std::vector<std::string>& names);
