#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Little-endian encoding into a growing byte vector. Independent of the host's
// byte order.
class ByteWriter {
 public:
  void PutU8(uint8_t value);
  void PutU16(uint16_t value);
  void PutI16(int16_t value);
  void PutU32(uint32_t value);
  void PutI32(int32_t value);
  void PutF32(float value);
  void PutF64(double value);
  void PutBytes(const void* data, size_t size);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Where a reader takes its bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly `size` bytes, or fails (false) when fewer remain or the
  // underlying read fails. After a failure the source is not used again.
  virtual bool Read(void* dest, size_t size) = 0;
  // Bytes left before the end; lets a reader reject a length prefix that the
  // data cannot possibly hold before allocating for it.
  virtual uint64_t Remaining() const = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Read(void* dest, size_t size) override;
  uint64_t Remaining() const override { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A regular file read through a fixed 4096-byte buffer.
class FileByteSource final : public ByteSource {
 public:
  static constexpr size_t kBufferSize = 4096;

  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  // Opens a regular file for reading; false for anything else (missing file,
  // folder, device), so Remaining() is always a real size.
  bool Open(const std::string& path);
  bool Read(void* dest, size_t size) override;
  uint64_t Remaining() const override { return size_ - consumed_; }

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t consumed_ = 0;
  uint8_t buffer_[kBufferSize];
  size_t bufferPos_ = 0;
  size_t bufferLen_ = 0;
};

// Little-endian values from a ByteSource; each getter returns false when the
// data ends early.
class ByteReader {
 public:
  explicit ByteReader(ByteSource& source) : source_(source) {}

  bool GetU8(uint8_t& value);
  bool GetU16(uint16_t& value);
  bool GetI16(int16_t& value);
  bool GetU32(uint32_t& value);
  bool GetI32(int32_t& value);
  bool GetF32(float& value);
  bool GetF64(double& value);
  bool GetBytes(void* dest, size_t size) { return source_.Read(dest, size); }
  uint64_t Remaining() const { return source_.Remaining(); }

 private:
  ByteSource& source_;
};

// One stream that either stores into bytes or loads from them, so that a
// single serialization routine serves both directions (the clipboard's
// measure stream).
class ByteArchive {
 public:
  ByteArchive() : storing_(true), source_(nullptr, 0), reader_(source_) {}
  ByteArchive(const uint8_t* data, size_t size)
      : storing_(false), source_(data, size), reader_(source_) {}
  ByteArchive(const ByteArchive&) = delete;
  ByteArchive& operator=(const ByteArchive&) = delete;

  bool IsStoring() const { return storing_; }
  ByteWriter& Writer() { return writer_; }
  ByteReader& Reader() { return reader_; }
  const std::vector<uint8_t>& StoredBytes() const { return writer_.Bytes(); }

 private:
  bool storing_;
  ByteWriter writer_;
  MemoryByteSource source_;
  ByteReader reader_;
};
