#include "model/byte_io.h"

#include <sys/stat.h>

#include <cstring>

#ifdef _WIN32
#include <io.h>
#endif

void ByteWriter::PutU8(uint8_t value) { bytes_.push_back(value); }

void ByteWriter::PutU16(uint16_t value) {
  bytes_.push_back(static_cast<uint8_t>(value));
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::PutI16(int16_t value) { PutU16(static_cast<uint16_t>(value)); }

void ByteWriter::PutU32(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
}

void ByteWriter::PutI32(int32_t value) { PutU32(static_cast<uint32_t>(value)); }

void ByteWriter::PutF32(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PutU32(bits);
}

void ByteWriter::PutF64(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int shift = 0; shift < 64; shift += 8) bytes_.push_back(static_cast<uint8_t>(bits >> shift));
}

void ByteWriter::PutBytes(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

bool MemoryByteSource::Read(void* dest, size_t size) {
  if (size > size_ - pos_) return false;
  if (size != 0) std::memcpy(dest, data_ + pos_, size);
  pos_ += size;
  return true;
}

FileByteSource::~FileByteSource() {
  if (file_) std::fclose(file_);
}

bool FileByteSource::Open(const std::string& path) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  size_ = consumed_ = 0;
  bufferPos_ = bufferLen_ = 0;

  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
#ifdef _WIN32
  struct _stat64 info;
  bool ok = _fstat64(_fileno(file), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat info;
  bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
#endif
  if (!ok || info.st_size < 0) {
    std::fclose(file);
    return false;
  }
  file_ = file;
  size_ = static_cast<uint64_t>(info.st_size);
  return true;
}

bool FileByteSource::Read(void* dest, size_t size) {
  if (!file_ || size > Remaining()) return false;
  uint8_t* out = static_cast<uint8_t*>(dest);
  size_t left = size;
  while (left > 0) {
    if (bufferPos_ == bufferLen_) {
      bufferPos_ = 0;
      bufferLen_ = std::fread(buffer_, 1, kBufferSize, file_);
      if (bufferLen_ == 0) return false;  // shorter than its size said, or a read error
    }
    size_t chunk = bufferLen_ - bufferPos_;
    if (chunk > left) chunk = left;
    std::memcpy(out, buffer_ + bufferPos_, chunk);
    bufferPos_ += chunk;
    out += chunk;
    left -= chunk;
  }
  consumed_ += size;
  return true;
}

bool ByteReader::GetU8(uint8_t& value) { return source_.Read(&value, 1); }

bool ByteReader::GetU16(uint16_t& value) {
  uint8_t b[2];
  if (!source_.Read(b, sizeof b)) return false;
  value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ByteReader::GetI16(int16_t& value) {
  uint16_t raw;
  if (!GetU16(raw)) return false;
  value = static_cast<int16_t>(raw);
  return true;
}

bool ByteReader::GetU32(uint32_t& value) {
  uint8_t b[4];
  if (!source_.Read(b, sizeof b)) return false;
  value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
          (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool ByteReader::GetI32(int32_t& value) {
  uint32_t raw;
  if (!GetU32(raw)) return false;
  value = static_cast<int32_t>(raw);
  return true;
}

bool ByteReader::GetF32(float& value) {
  uint32_t bits;
  if (!GetU32(bits)) return false;
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

bool ByteReader::GetF64(double& value) {
  uint32_t low, high;
  if (!GetU32(low) || !GetU32(high)) return false;
  uint64_t bits = (static_cast<uint64_t>(high) << 32) | low;
  std::memcpy(&value, &bits, sizeof value);
  return true;
}
