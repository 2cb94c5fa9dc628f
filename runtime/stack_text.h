// Call stack lines in the format shared by memory reports and the crash log:
//   "<file>(<line>) : <symbol> (<address> Modul: <module>) SEQ: <8 code bytes>\n"
// Source lines are not looked up: every frame reads "no file(0)".
//
// Thread rule: any thread. formatFrame with demangle off allocates nothing and is safe in a
// crash handler.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qz::stacktext {

// Writes text into a fixed buffer, always terminated, cutting what does not fit.
class FixedText {
 public:
  FixedText(char* buffer, size_t capacity) : buf_(buffer), cap_(capacity) { buf_[0] = '\0'; }
  FixedText& add(const char* text);
  FixedText& addHex(uint64_t value, int minDigits = 1);
  FixedText& addDec(int64_t value);
  const char* text() const { return buf_; }
  size_t length() const { return len_; }

 private:
  char* buf_;
  size_t cap_;
  size_t len_ = 0;
};

// The line of one frame. `exact` is set for a faulting instruction; other entries are return
// addresses and are looked up one byte earlier, inside the call. Frames of the allocator and of
// the memory tracking itself give no line (false), nor does a zero address.
bool formatFrame(uint64_t addr, bool exact, bool demangle, FixedText& out);

// The 8 bytes at addr as 16 lower-case hex digits, or "????????????????" when unreadable.
void codeBytes(uint64_t addr, FixedText& out);

}  // namespace qz::stacktext
