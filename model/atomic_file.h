#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Replaces the file at `path` with `bytes` so that the file is either the old
// one or the complete new one, never a mixture: the bytes go to a new file in
// the same folder, which is flushed to disk and then moved over the target.
// On any failure the temporary file is removed, the target is left as it was
// and false is returned.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// The same, for a file written piece by piece: Open creates the temporary
// file, Write appends to it, Commit moves it over the target. A writer that
// is destroyed or abandoned before Commit removes its temporary file and
// leaves the target as it was.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter() { Abandon(); }
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool Open(const std::string& path);
  bool Write(const uint8_t* data, size_t size);
  bool Commit();
  void Abandon();

 private:
  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
  bool failed_ = false;
};
