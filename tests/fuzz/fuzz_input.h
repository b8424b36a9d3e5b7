// Reads typed values off a fuzzer's input, front to back; past the end everything reads 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  template <class T>
  T Take() {
    T value{};
    const size_t n = pos_ < size_ ? std::min(sizeof(T), size_ - pos_) : 0;
    if (n > 0) std::memcpy(&value, data_ + pos_, n);
    pos_ += sizeof(T);
    return value;
  }
  // A whole number in [0, bound).
  uint32_t Below(uint32_t bound) { return bound == 0 ? 0 : Take<uint32_t>() % bound; }
  // What is left, as bytes.
  std::string Rest() {
    return pos_ < size_ ? std::string(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_)
                        : std::string();
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A broken invariant is a crash the fuzzer reports with the input that caused it.
#define FUZZ_CHECK(cond) \
  if (!(cond)) __builtin_trap()
