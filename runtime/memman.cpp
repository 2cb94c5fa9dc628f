#include "runtime/memman.h"

#include <cstdlib>

// Interim front: the C heap. The size-class allocator replaces these bodies.
void* memManSystemC::allocate(size_t size) { return std::malloc(size ? size : 1); }
void memManSystemC::free(void* p) { std::free(p); }
void* memManSystemC::reallocate(void* p, size_t size) { return std::realloc(p, size ? size : 1); }

memManSystemC* memManSystemC::instance() {
  static memManSystemC* front = new memManSystemC();  // lives until unload
  return front;
}

memManSystemC* memManInterfaceC::memSystem() const { return memManSystemC::instance(); }
void* memManInterfaceC::operator new(size_t size) { return memManSystemC::instance()->allocate(size); }
void memManInterfaceC::operator delete(void* p) { memManSystemC::instance()->free(p); }
void* memManInterfaceC::operator new[](size_t size) { return memManSystemC::instance()->allocate(size); }
void memManInterfaceC::operator delete[](void* p) { memManSystemC::instance()->free(p); }

void* qzAlloc(size_t size) { return memManSystemC::instance()->allocate(size); }
void qzFree(void* p) {
  if (p) memManSystemC::instance()->free(p);
}
void* qzRealloc(void* p, size_t size) { return memManSystemC::instance()->reallocate(p, size); }
