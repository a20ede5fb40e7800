#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Replaces the file at `path` with `bytes` so that the file is either the old
// one or the complete new one, never a mixture: the bytes go to a new file in
// the same folder, which is flushed to disk and then moved over the target.
// On any failure the temporary file is removed, the target is left as it was
// and false is returned.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
