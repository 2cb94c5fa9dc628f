// The module allocator's front and the base class that routes objects through it.
//
// Every module that links this code has its own allocator. Objects derived from
// memManInterfaceC are deleted through their virtual destructor, so an object made by one
// module and deleted by another still goes back to the allocator that made it.
#pragma once

#include <cstddef>
#include <cstdint>

// The allocator front object, one per module, created on first use.
class memManSystemC {
 public:
  virtual void* allocate(size_t size);               // slot 0
  virtual void free(void* p);                         // slot 1
  virtual void* reallocate(void* p, size_t size);    // slot 2

  // This module's front object.
  static memManSystemC* instance();

 protected:
  memManSystemC() = default;
  ~memManSystemC() = default;
};

// Base of every pool-allocated object.
class memManInterfaceC {
 public:
  virtual memManSystemC* memSystem() const;  // slot 0
  // Slot 1. Under the Itanium C++ ABI a virtual destructor takes two entries (complete and
  // deleting); the deleting one is the entry other modules reach.
  virtual ~memManInterfaceC() = default;

  static void* operator new(size_t size);
  static void operator delete(void* p);
  static void* operator new[](size_t size);
  static void operator delete[](void* p);
};

// Plain allocation through this module's allocator.
void* qzAlloc(size_t size);
void qzFree(void* p);
void* qzRealloc(void* p, size_t size);
