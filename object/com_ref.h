// Reference counting for the library's component objects, and a scoped holder of one
// interface reference.
//
// Thread rule: counts change by atomic addition, so references may be taken and dropped on
// any thread; everything else about an object is used by one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "interfaces/qzcom.h"
#include "runtime/memman.h"

// Carries the count and deletes the object (through its pool) when the count reaches 0.
class qzComRefObjectC : public memManInterfaceC {
 public:
  explicit qzComRefObjectC(int32_t initial = 0) : refCount_(initial) {}
  qzComRefObjectC(const qzComRefObjectC&) = delete;
  qzComRefObjectC& operator=(const qzComRefObjectC&) = delete;

  int32_t addRefCount() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t releaseCount() {
    // The last reference: nobody else can take one any more, so no locked subtraction. The
    // acquire orders this thread after the other holders' releases.
    if (refCount_.load(std::memory_order_acquire) == 1) {
      delete this;
      return 0;
    }
    int32_t n = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }
  int32_t refCount() const { return refCount_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int32_t> refCount_;
};

// Binds an implementation to one interface and its identifier: answers "QZIIDUNK" and that
// identifier with itself, 2 otherwise, and deletes itself when its count reaches 0.
template <class Interface, const qzIIDS* Iid>
class defQZCOMWrapperT : public Interface, public qzComRefObjectC {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, *Iid)) {
      AddRef();
      *out = static_cast<Interface*>(this);
      return kQzOk;
    }
    return kQzNoInterface;
  }
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
};

// Owns one reference of an interface pointer and releases it on scope exit.
template <class T>
class qzRef {
 public:
  qzRef() = default;
  // Adopts a reference the caller already owns.
  explicit qzRef(T* p) : p_(p) {}
  qzRef(const qzRef& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  qzRef(qzRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  qzRef& operator=(qzRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~qzRef() { reset(); }

  // Takes a new reference of p.
  static qzRef share(T* p) {
    if (p) p->AddRef();
    return qzRef(p);
  }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** out() {
    reset();
    return &p_;
  }
  void** outVoid() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }
  T* detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

// Asks an object for an interface; an empty holder when it does not offer it.
template <class T>
qzRef<T> qzQuery(qzIUnknown* object, const qzIIDS& iid) {
  qzRef<T> r;
  if (object && object->QueryInterface(&iid, r.outVoid()) != kQzOk) r.reset();
  return r;
}
