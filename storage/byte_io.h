// Little-endian reading and writing of a byte buffer with bounds checks: a
// read or write that would cross the end transfers nothing, marks the
// stream as failed and every later call fails too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mq {

class ByteReader {
 public:
  ByteReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  bool Bytes(void* out, size_t count) {
    if (failed_ || count > size_ - position_) return Fail();
    if (count > 0) std::memcpy(out, data_ + position_, count);
    position_ += count;
    return true;
  }
  bool U8(uint8_t& out) { return Bytes(&out, 1); }
  bool U16(uint16_t& out) {
    unsigned char b[2];
    if (!Bytes(b, sizeof b)) return false;
    out = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool I32(int32_t& out) {
    unsigned char b[4];
    if (!Bytes(b, sizeof b)) return false;
    const uint32_t u = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                       (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    out = static_cast<int32_t>(u);
    return true;
  }
  bool Skip(size_t count) {
    if (failed_ || count > size_ - position_) return Fail();
    position_ += count;
    return true;
  }

  size_t Position() const { return position_; }
  size_t Remaining() const { return size_ - position_; }
  bool Failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
  bool failed_ = false;
};

class ByteWriter {
 public:
  ByteWriter(unsigned char* data, size_t capacity) : data_(data), capacity_(capacity) {}

  bool Bytes(const void* in, size_t count) {
    if (failed_ || count > capacity_ - position_) return Fail();
    if (count > 0) std::memcpy(data_ + position_, in, count);
    position_ += count;
    return true;
  }
  bool U8(uint8_t value) { return Bytes(&value, 1); }
  bool U16(uint16_t value) {
    const unsigned char b[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
    return Bytes(b, sizeof b);
  }
  bool I32(int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    return Bytes(b, sizeof b);
  }

  size_t Position() const { return position_; }
  bool Failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  unsigned char* data_;
  size_t capacity_;
  size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace mq
