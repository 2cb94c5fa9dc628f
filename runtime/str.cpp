#include "runtime/str.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace {

char* allocText(size_t count) {
  void* p = qzAlloc(count + 1);
  if (!p) throw std::bad_alloc();
  return static_cast<char*>(p);
}

}  // namespace

str::str(const char* text) {
  assign(text, text ? std::strlen(text) : 0);
}
str::str(const char* text, size_t count) {
  assign(text, text ? strnlen(text, count) : 0);
}

str::str(int value) {
  assignFormatted("%d", value);
}
str::str(unsigned value) {
  assignFormatted("%u", value);
}
str::str(long value) {
  assignFormatted("%ld", value);
}
str::str(double value, int precision) {
  assignFormatted("%.*g", precision, value);
}

str::str(const str& other) {
  assign(other.text_, other.length());
}
str::str(str&& other) noexcept {
  *this = std::move(other);
}
str::~str() {
  freeText();
}

str* str::newPacked(const char* text, size_t count) {
  count = text ? strnlen(text, count) : 0;
  if (count == 0) return new str();
  str* s = new (operator new(sizeof(str) + count + 1)) str();
  char* own = reinterpret_cast<char*>(s + 1);
  std::memcpy(own, text, count);
  own[count] = '\0';
  s->text_ = own;
  s->alloc_ = count + 1;
  return s;
}

void str::freeText() {
  if (!packed()) qzFree(text_);
}

str& str::operator=(const str& other) {
  if (this != &other) assign(other.text_, other.length());
  return *this;
}
str& str::operator=(str&& other) noexcept {
  if (this != &other) {
    if (other.packed()) {
      // Its text cannot leave its block. Made only on the heap and never moved from: a copy
      // that fails here ends the process, as a throwing move would.
      assign(other.text_, other.length());
      return *this;
    }
    freeText();
    text_ = other.text_;
    alloc_ = other.alloc_;
    other.text_ = nullptr;
    other.alloc_ = 0;
  }
  return *this;
}
str& str::operator=(const char* text) {
  if (text != text_) assign(text, text ? std::strlen(text) : 0);
  return *this;
}
str& str::operator+=(const str& other) {
  return *this += other.c_str();
}
str& str::operator+=(const char* text) {
  size_t add = text ? std::strlen(text) : 0;
  if (add == 0) return *this;
  size_t old = length();
  // text may point into this string: copy it before the old text goes.
  char* grown = allocText(old + add);
  if (old) std::memcpy(grown, text_, old);
  std::memcpy(grown + old, text, add);
  grown[old + add] = '\0';
  freeText();
  text_ = grown;
  alloc_ = old + add + 1;
  return *this;
}
str operator+(const str& a, const str& b) {
  str r(a);
  r += b;
  return r;
}
str operator+(const str& a, const char* b) {
  str r(a);
  r += b;
  return r;
}
str operator+(const char* a, const str& b) {
  str r(a);
  r += b;
  return r;
}

int str::compare(const char* text) const {
  return std::strcmp(c_str(), text ? text : "");
}

void str::assign(const char* text, size_t count) {
  char* fresh = nullptr;
  if (count) {
    fresh = allocText(count);
    std::memcpy(fresh, text, count);
    fresh[count] = '\0';
  }
  freeText();
  text_ = fresh;
  alloc_ = count ? count + 1 : 0;
}

// Formats into a stack buffer when the text fits, else measures and formats into the string's
// own storage: a precision of a thousand digits must not overrun anything.
void str::assignFormatted(const char* pattern, ...) {
  char small[64];
  va_list args;
  va_start(args, pattern);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, pattern, args);
  va_end(args);
  if (n < 0) n = 0;  // an encoding error leaves the text empty
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(again);
    assign(small, static_cast<size_t>(n));
    return;
  }
  char* big;
  try {
    big = allocText(static_cast<size_t>(n));
  } catch (...) {
    va_end(again);
    throw;
  }
  std::vsnprintf(big, static_cast<size_t>(n) + 1, pattern, again);
  va_end(again);
  freeText();
  text_ = big;
  alloc_ = static_cast<size_t>(n) + 1;
}
