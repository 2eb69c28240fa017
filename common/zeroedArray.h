#pragma once
// Arrays of numbers whose memory the system zero-fills page by page when first touched. Sizing
// one touches nothing, so a header that promises more nodes or elements than its file holds
// costs only the pages the values read really land in; untouched slots read as zero. A
// contiguous range: it converts to a std::span of its values.
#include <cstddef>
#include <span>
#include <type_traits>
#include <utility>

#include "common/platform.h"

template <class T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>,
                "zero pages are only a valid value of plain numbers");

 public:
  ZeroedArray() = default;
  explicit ZeroedArray(std::size_t size)
      : data_(static_cast<T*>(platform::mapZeroedPages(size * sizeof(T)))), size_(size) {}
  ~ZeroedArray() { platform::unmapZeroedPages(data_, size_ * sizeof(T)); }
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  ZeroedArray(const ZeroedArray&) = delete;
  ZeroedArray& operator=(const ZeroedArray&) = delete;

  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};
