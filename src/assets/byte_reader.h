// A bounded reader over untrusted bytes: every read checks the bytes left, and the first
// failed read makes the reader fail for good (sticky), so a caller can read a whole header
// and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bw::assets {

// Reads little-endian values from a byte span without ever leaving it.
class ByteReader {
 public:
  // Reads `bytes`, starting at offset 0.
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // Current offset from the start of the span.
  std::size_t position() const { return position_; }
  // Bytes between the current offset and the end.
  std::size_t remaining() const { return failed_ ? 0 : bytes_.size() - position_; }
  // True once any read or seek went past the end.
  bool failed() const { return failed_; }

  // Moves to `offset`; fails when it lies past the end.
  void seek(std::size_t offset) {
    if (failed_ || offset > bytes_.size()) {
      failed_ = true;
      return;
    }
    position_ = offset;
  }
  // Next byte, or 0 after a failure.
  std::uint8_t u8() {
    const std::uint8_t* p = take(1);
    return p ? p[0] : 0;
  }
  // Next 16-bit little-endian value, or 0 after a failure.
  std::uint16_t u16() {
    const std::uint8_t* p = take(2);
    return p ? static_cast<std::uint16_t>(p[0] | (p[1] << 8)) : 0;
  }
  // Next 32-bit little-endian value, or 0 after a failure.
  std::uint32_t u32() {
    const std::uint8_t* p = take(4);
    return p ? static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24
             : 0;
  }
  // The next `count` bytes, or nullptr (and failure) when fewer are left.
  const std::uint8_t* take(std::size_t count) {
    if (failed_ || count > bytes_.size() - position_) {
      failed_ = true;
      return nullptr;
    }
    const std::uint8_t* p = bytes_.data() + position_;
    position_ += count;
    return p;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace bw::assets
