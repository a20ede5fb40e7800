#include "model/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

int CreateExclusive(const std::string& path) {
  return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    int written = _write(fd, data, chunk);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool FlushToDisk(int fd) { return _commit(fd) == 0; }
bool CloseFile(int fd) { return _close(fd) == 0; }
int ProcessId() { return _getpid(); }

void KeepModeOfTarget(int, const std::string&) {}

bool ReplaceFile(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

void FlushFolder(const std::string&) {}

#else

int CreateExclusive(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool FlushToDisk(int fd) {
  int result;
  do {
    result = fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool CloseFile(int fd) { return close(fd) == 0; }
int ProcessId() { return static_cast<int>(getpid()); }

// Saving over a file should not change who may read it.
void KeepModeOfTarget(int fd, const std::string& target) {
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) fchmod(fd, info.st_mode & 07777);
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool IsSeparator(char c) { return c == '/'; }

// Makes the rename itself durable; a failure here cannot undo the save, so it
// is not reported.
void FlushFolder(const std::string& folder) {
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

#endif

// The folder part of `path`, including its trailing separator ("" for a bare
// file name, meaning the current folder).
std::string FolderOf(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return path.substr(0, i);
  }
  return std::string();
}

}  // namespace

bool AtomicFileWriter::Open(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  Abandon();
  path_ = path;
  failed_ = false;
  const std::string folder = FolderOf(path);

  // A short name in the target's folder: the move stays on one volume and the
  // temporary path is no longer than the target's folder allows.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, ".sf%d-%u.tmp", ProcessId(), counter.fetch_add(1));
    tempPath_ = folder + name;
    fd_ = CreateExclusive(tempPath_);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    tempPath_.clear();
    return false;
  }
  KeepModeOfTarget(fd_, path);
  return true;
}

bool AtomicFileWriter::Write(const uint8_t* data, size_t size) {
  if (fd_ < 0 || failed_) return false;
  if (!WriteAll(fd_, data, size)) failed_ = true;
  return !failed_;
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0) return false;
  bool ok = !failed_ && FlushToDisk(fd_);
  ok = CloseFile(fd_) && ok;
  fd_ = -1;
  ok = ok && ReplaceFile(tempPath_, path_);
  if (!ok) {
    std::remove(tempPath_.c_str());
    tempPath_.clear();
    return false;
  }
  tempPath_.clear();
  FlushFolder(FolderOf(path_));
  return true;
}

void AtomicFileWriter::Abandon() {
  if (fd_ >= 0) {
    CloseFile(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    std::remove(tempPath_.c_str());
    tempPath_.clear();
  }
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  AtomicFileWriter writer;
  return writer.Open(path) && writer.Write(bytes.data(), bytes.size()) && writer.Commit();
}
