// Paged containers over the module allocator.
//
// memManDataPoolC is a growing array of page pointers; pageMemT<T> keeps its elements in pages
// of 8 (element i lives in page i / 8, slot i % 8). Pages are made on first touch and kept
// until the container is destroyed, so an element's address never changes while the
// container lives, however far it grows.
//
// Thread rule: one thread at a time per container. Ownership: the container owns its pages and
// elements; references it hands out stay valid until it is destroyed.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

#include "runtime/memman.h"

// A growing array of page pointers; it owns the array, not the pages.
class memManDataPoolC {
 public:
  memManDataPoolC() = default;
  ~memManDataPoolC();
  memManDataPoolC(const memManDataPoolC&) = delete;
  memManDataPoolC& operator=(const memManDataPoolC&) = delete;
  memManDataPoolC(memManDataPoolC&& other) noexcept;
  memManDataPoolC& operator=(memManDataPoolC&& other) noexcept;

  size_t size() const { return size_; }
  void* get(size_t i) const { return i < size_ ? pages_[i] : nullptr; }
  // REQUIRES: i < size().
  void* getUnchecked(size_t i) const { return pages_[i]; }
  // Grows the array to at least n entries (new ones null). False when memory is refused.
  bool reserve(size_t n);
  // REQUIRES: i < size().
  void set(size_t i, void* page) { pages_[i] = page; }

 private:
  void** pages_ = nullptr;
  size_t size_ = 0;  // entries allocated; grows by doubling
};

template <typename T>
class pageMemT {
 public:
  static constexpr size_t kPageExponent = 3;
  static constexpr size_t kPageElements = size_t{1} << kPageExponent;
  static_assert(alignof(T) <= 8, "the module allocator hands out 8-byte aligned blocks");

  pageMemT() = default;
  ~pageMemT() {
    for (size_t i = 0; i < pool_.size(); ++i) {
      if (T* page = static_cast<T*>(pool_.get(i))) {
        std::destroy_n(page, kPageElements);
        qzFree(page);
      }
    }
  }
  pageMemT(const pageMemT&) = delete;
  pageMemT& operator=(const pageMemT&) = delete;
  pageMemT(pageMemT&& other) noexcept = default;
  pageMemT& operator=(pageMemT&& other) noexcept {
    if (this != &other) {
      pageMemT gone(std::move(*this));
      pool_ = std::move(other.pool_);
    }
    return *this;
  }

  // Element i, value-initialised with its page on first touch. Throws std::bad_alloc when
  // memory is refused.
  T& operator[](size_t i) {
    const size_t p = i >> kPageExponent;
    T* page = static_cast<T*>(pool_.get(p));
    if (!page) page = makePage(p);
    return page[i & (kPageElements - 1)];
  }
  // Element i, or null when its page has not been made.
  T* find(size_t i) const {
    T* page = static_cast<T*>(pool_.get(i >> kPageExponent));
    return page ? page + (i & (kPageElements - 1)) : nullptr;
  }
  // Element i of a page known to exist (i below a count the owner has made pages for).
  T& at(size_t i) const {
    return static_cast<T*>(pool_.getUnchecked(i >> kPageExponent))[i & (kPageElements - 1)];
  }
  size_t pageCount() const {
    size_t n = 0;
    for (size_t i = 0; i < pool_.size(); ++i) n += pool_.get(i) != nullptr;
    return n;
  }

 private:
  T* makePage(size_t p) {
    if (!pool_.reserve(p + 1)) throw std::bad_alloc();
    T* page = static_cast<T*>(qzAlloc(sizeof(T) * kPageElements));
    if (!page) throw std::bad_alloc();
    size_t made = 0;
    try {
      for (; made < kPageElements; ++made) ::new (static_cast<void*>(page + made)) T();
    } catch (...) {
      std::destroy_n(page, made);
      qzFree(page);
      throw;
    }
    pool_.set(p, page);
    return page;
  }

  memManDataPoolC pool_;
};
