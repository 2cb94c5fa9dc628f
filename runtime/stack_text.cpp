#include "runtime/stack_text.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>

#include "platform/stack.h"

namespace qz::stacktext {
namespace {

constexpr const char kNoFile[] = "no file";
constexpr const char kNoSymbol[] = "unknwon";

// Frames inside these (mangled or plain) names belong to the allocator and the tracking.
constexpr const char* kOwnFrames[] = {"memman",    "memMan", "memtrack",    "qzAlloc",
                                      "qzRealloc", "qzFree", "captureStack"};

bool isOwnFrame(const char* symbol) {
  for (const char* own : kOwnFrames) {
    if (std::strstr(symbol, own)) return true;
  }
  return false;
}

const char* baseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
#ifdef _WIN32
  const char* backslash = std::strrchr(path, '\\');
  if (backslash > slash) slash = backslash;
#endif
  return slash ? slash + 1 : path;
}

}  // namespace

FixedText& FixedText::add(const char* text) {
  while (*text && len_ + 1 < cap_) buf_[len_++] = *text++;
  buf_[len_] = '\0';
  return *this;
}

FixedText& FixedText::addHex(uint64_t value, int minDigits) {
  char digits[17];
  int n = 0;
  do {
    digits[n++] = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value && n < 16);
  while (n < minDigits && n < 16) digits[n++] = '0';
  char text[17];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = '\0';
  return add(text);
}

FixedText& FixedText::addDec(int64_t value) {
  char text[24];
  int n = 0;
  uint64_t v = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[21];
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  int k = 0;
  if (value < 0) text[k++] = '-';
  while (n) text[k++] = digits[--n];
  text[k] = '\0';
  return add(text);
}

void codeBytes(uint64_t addr, FixedText& out) {
  unsigned char bytes[8];
  if (!platform::readMemory(addr, bytes, sizeof bytes)) {
    out.add("????????????????");
    return;
  }
  for (unsigned char b : bytes) out.addHex(b, 2);
}

bool formatFrame(uint64_t addr, bool exact, bool demangle, FixedText& out) {
  if (addr == 0) return false;
  platform::AddressInfo info;
  platform::describeAddress(exact ? addr : addr - 1, &info);
  if (info.symbol[0] && isOwnFrame(info.symbol)) return false;
  out.add(kNoFile).add("(0) : ");
  char* plain = nullptr;
  if (demangle && info.symbol[0]) {
    int status = 0;
    plain = abi::__cxa_demangle(info.symbol, nullptr, nullptr, &status);
  }
  out.add(plain ? plain : info.symbol[0] ? info.symbol : kNoSymbol);
  std::free(plain);
  out.add(" (").addHex(addr).add(" Modul: ").add(info.module[0] ? baseName(info.module) : "");
  out.add(") SEQ: ");
  codeBytes(addr, out);
  out.add("\n");
  return true;
}

}  // namespace qz::stacktext
