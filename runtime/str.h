// str: the runtime string. A text pointer (null for the empty text) and the allocated length
// including the terminator. Its storage comes from the module allocator; a str owns it.
// Thread rule: one thread at a time per object. Operations that need memory the allocator
// refuses throw std::bad_alloc and leave the string as it was.
#pragma once

#include <cstddef>

#include "runtime/memman.h"

class str : public memManInterfaceC {
 public:
  str() = default;
  str(const char* text);                // NOLINT: implicit on purpose, texts convert freely
  str(const char* text, size_t count);  // at most count bytes, up to the terminator
  explicit str(int value);              // "%d"
  explicit str(unsigned value);         // "%u"
  explicit str(long value);             // "%ld"
  str(double value, int precision);     // "%.*g"
  str(const str& other);
  // Takes the other's storage; copies a packed one's text (see newPacked).
  str(str&& other) noexcept;
  ~str() override;

  // A new str whose text shares one allocation with the object: one allocation instead of two
  // for a text made once and then read (a variant's). At most count bytes, up to the
  // terminator. Delete it as any other; assigning to it gives it storage of its own.
  static str* newPacked(const char* text, size_t count);

  str& operator=(const str& other);
  str& operator=(str&& other) noexcept;
  str& operator=(const char* text);
  str& operator+=(const str& other);
  str& operator+=(const char* text);
  friend str operator+(const str& a, const str& b);
  friend str operator+(const str& a, const char* b);
  friend str operator+(const char* a, const str& b);

  // Never null: "" for the empty text.
  const char* c_str() const { return text_ ? text_ : ""; }
  // Null for the empty text.
  const char* data() const { return text_; }
  size_t length() const { return alloc_ ? alloc_ - 1 : 0; }
  bool empty() const { return length() == 0; }

  // Byte-wise; a null text equals the empty text.
  int compare(const char* text) const;
  int compare(const str& other) const { return compare(other.c_str()); }
  bool operator==(const char* text) const { return compare(text) == 0; }
  bool operator==(const str& other) const { return compare(other.c_str()) == 0; }

 private:
  void assign(const char* text, size_t count);
  // A text allocated apart never starts right after the object: every allocator keeps its
  // block's header in front of the block, where this object's last member is.
  bool packed() const { return text_ && text_ == reinterpret_cast<const char*>(this + 1); }
  void freeText();
  void assignFormatted(const char* pattern, ...) __attribute__((format(printf, 2, 3)));

  char* text_ = nullptr;
  size_t alloc_ = 0;
};
