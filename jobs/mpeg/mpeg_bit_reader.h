#pragma once
// Most-significant-bit-first reader over a byte range of untrusted data. It
// never touches a byte outside the range: reads past the end yield zero bits,
// and callers compare Position() with their own limits to notice.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

class MpegBitReader {
 public:
  MpegBitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next `count` bits (0..24) without consuming them.
  uint32_t Peek(int count) const {
    if (count == 0) return 0;
    const size_t byte = position_ >> 3;
    uint32_t window = 0;
    if (byte + 4 <= size_) {
      window = LoadBigEndian32(data_ + byte);
    } else {
      for (size_t i = 0; i < 4; ++i) {
        window <<= 8;
        if (byte + i < size_) window |= data_[byte + i];
      }
    }
    window <<= (position_ & 7);
    return window >> (32 - count);
  }

  // When eight bytes lie ahead: the next 57 or more bits, most significant
  // first, for a caller that decodes several fields before it skips them.
  bool PeekWide(uint64_t& window) const {
    const size_t byte = position_ >> 3;
    if (byte + 8 > size_) return false;
    window = LoadBigEndian64(data_ + byte) << (position_ & 7);
    return true;
  }

  void Skip(int count) { position_ += static_cast<size_t>(count); }

  // The next `count` bits (0..32), consumed.
  uint32_t Read(int count) {
    if (count > 24) {
      const uint32_t high = Read(count - 16);
      return (high << 16) | Read(16);
    }
    const uint32_t value = Peek(count);
    Skip(count);
    return value;
  }

  // One bit, the commonest read (signs, flags), without the word load.
  bool ReadFlag() {
    const size_t byte = position_ >> 3;
    const int shift = 7 - static_cast<int>(position_ & 7);
    ++position_;
    return byte < size_ && ((data_[byte] >> shift) & 1) != 0;
  }

  size_t Position() const { return position_; }
  void Seek(size_t bitPosition) { position_ = bitPosition; }
  size_t BitSize() const { return size_ * 8; }
  bool Overrun() const { return position_ > BitSize(); }

 private:
  // One load instead of four on the hot path of every code word.
  static uint32_t LoadBigEndian32(const uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
      uint32_t word = 0;
      std::memcpy(&word, bytes, sizeof(word));
      return __builtin_bswap32(word);
    } else {
      return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]};
    }
  }

  static uint64_t LoadBigEndian64(const uint8_t* bytes) {
    return (uint64_t{LoadBigEndian32(bytes)} << 32) | LoadBigEndian32(bytes + 4);
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};
