// The samplers' working memory: one block per render.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace samplers {

inline size_t Rounded(size_t bytes) { return (bytes + 63) & ~size_t{63}; }

// One block of working memory per render, cut into 64-byte aligned arrays: on the stack for small
// outputs, otherwise one heap allocation. Nothing is allocated per row.
class Arena {
 public:
  explicit Arena(size_t bytes) {
    if (bytes <= sizeof(local_)) {
      next_ = local_;
    } else {
      heap_.reset(new std::byte[bytes + 63]);
      next_ = heap_.get() + ((64 - reinterpret_cast<uintptr_t>(heap_.get()) % 64) % 64);
    }
  }
  template <class T>
  T* Take(size_t count) {
    T* p = reinterpret_cast<T*>(next_);
    next_ += Rounded(count * sizeof(T));
    return p;
  }

 private:
  alignas(64) std::byte local_[8192];
  std::unique_ptr<std::byte[]> heap_;
  std::byte* next_;
};

}  // namespace samplers
