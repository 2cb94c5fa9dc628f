#include "runtime/page_mem.h"

#include <algorithm>
#include <cstdint>

memManDataPoolC::~memManDataPoolC() {
  qzFree(pages_);
}

memManDataPoolC::memManDataPoolC(memManDataPoolC&& other) noexcept
    : pages_(std::exchange(other.pages_, nullptr)), size_(std::exchange(other.size_, 0)) {}

memManDataPoolC& memManDataPoolC::operator=(memManDataPoolC&& other) noexcept {
  if (this != &other) {
    qzFree(pages_);
    pages_ = std::exchange(other.pages_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

bool memManDataPoolC::reserve(size_t n) {
  if (n <= size_) return true;
  if (n > SIZE_MAX / sizeof(void*)) return false;
  size_t grown = std::max<size_t>(n, 4);
  if (size_ <= SIZE_MAX / sizeof(void*) / 2) grown = std::max(grown, size_ * 2);
  auto** pages = static_cast<void**>(qzRealloc(pages_, grown * sizeof(void*)));
  if (!pages) return false;
  std::fill(pages + size_, pages + grown, nullptr);
  pages_ = pages;
  size_ = grown;
  return true;
}
