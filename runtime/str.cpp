#include "runtime/str.h"

#include <cstdio>
#include <cstring>

str::str(const char* text) { assign(text, text ? std::strlen(text) : 0); }
str::str(const char* text, size_t count) { assign(text, text ? count : 0); }

str::str(int value) {
  char buf[32];
  assign(buf, std::snprintf(buf, sizeof buf, "%d", value));
}
str::str(unsigned value) {
  char buf[32];
  assign(buf, std::snprintf(buf, sizeof buf, "%u", value));
}
str::str(long value) {
  char buf[32];
  assign(buf, std::snprintf(buf, sizeof buf, "%ld", value));
}
str::str(double value, int precision) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%.*g", precision, value);
  if (n < static_cast<int>(sizeof buf)) {
    assign(buf, n);
  } else {  // a huge precision: format again into a buffer of the right size
    char* big = static_cast<char*>(qzAlloc(n + 1));
    std::snprintf(big, n + 1, "%.*g", precision, value);
    assign(big, n);
    qzFree(big);
  }
}
str::str(const str& other) { assign(other.text_, other.length()); }
str::str(str&& other) noexcept : text_(other.text_), alloc_(other.alloc_) {
  other.text_ = nullptr;
  other.alloc_ = 0;
}
str::~str() { qzFree(text_); }

str& str::operator=(const str& other) {
  if (this != &other) assign(other.text_, other.length());
  return *this;
}
str& str::operator=(str&& other) noexcept {
  if (this != &other) {
    qzFree(text_);
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
str& str::operator+=(const str& other) { return *this += other.c_str(); }
str& str::operator+=(const char* text) {
  size_t add = text ? std::strlen(text) : 0;
  if (add == 0) return *this;
  size_t old = length();
  char* grown = static_cast<char*>(qzAlloc(old + add + 1));
  if (old) std::memcpy(grown, text_, old);
  std::memcpy(grown + old, text, add);
  grown[old + add] = '\0';
  qzFree(text_);
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

int str::compare(const char* text) const { return std::strcmp(c_str(), text ? text : ""); }

void str::assign(const char* text, size_t count) {
  char* fresh = nullptr;
  if (count) {
    fresh = static_cast<char*>(qzAlloc(count + 1));
    std::memcpy(fresh, text, count);
    fresh[count] = '\0';
  }
  qzFree(text_);
  text_ = fresh;
  alloc_ = count ? count + 1 : 0;
}
