#include "interfaces/qzcom.h"

#include <cstring>

namespace {

// The name's length, looking no further than its 32-byte storage.
size_t boundedLength(const qzIIDS& id) {
  return strnlen(id.name, sizeof id.name);
}

}  // namespace

bool qzEqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // On every member call: equal bytes are the common case, and two bytes that differ can only
  // be the two cases of one letter, which differ in bit 0x20 alone.
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    const unsigned char lower = x | 0x20;
    if (lower != (y | 0x20) || lower < 'a' || lower > 'z') return false;
  }
  return true;
}

bool qzStartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         qzEqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

qzIIDS qzMakeIID(const char* name, int32_t length) {
  qzIIDS id{};
  id.length = length;
  if (name) std::strncpy(id.name, name, sizeof id.name - 1);
  return id;
}

qzIIDS qzExactIID(const char* name) {
  qzIIDS id = qzMakeIID(name, 0);
  id.length = static_cast<int32_t>(boundedLength(id));
  return id;
}

bool qzIIDEqual(const qzIIDS& a, const qzIIDS& b) {
  // Lengths beyond the name storage are treated as the storage size, never read past it.
  const int32_t cap = static_cast<int32_t>(sizeof a.name);
  if (a.length < 0 || b.length < 0) return false;
  // Every QueryInterface asks with the one constant its implementation compares against.
  if (&a == &b) return a.length <= cap;
  if (a.length != 0 && b.length != 0) {
    if (a.length != b.length || a.length > cap) return false;
    return std::memcmp(a.name, b.name, a.length) == 0;
  }
  if (a.length == 0 && b.length == 0) {
    // Ignoring case up to the terminator, or over all 32 bytes of a name without one.
    for (size_t i = 0; i < sizeof a.name; ++i) {
      const unsigned char x = static_cast<unsigned char>(a.name[i]);
      const unsigned char y = static_cast<unsigned char>(b.name[i]);
      if (x == 0 && y == 0) return true;
      if (x == y) continue;
      const unsigned char lower = x | 0x20;
      if (lower != (y | 0x20) || lower < 'a' || lower > 'z') return false;
    }
    return true;
  }
  const qzIIDS& counted = a.length ? a : b;
  const qzIIDS& plain = a.length ? b : a;
  if (counted.length > cap) return false;
  return boundedLength(plain) == static_cast<size_t>(counted.length) &&
         std::memcmp(counted.name, plain.name, counted.length) == 0;
}

bool qzIIDMatchesName(const qzIIDS& id, const char* name) {
  if (!name) return false;
  size_t n = std::strlen(name);
  if (id.length == 0) {
    if (n >= sizeof id.name) return false;
    char x[33] = {};
    std::memcpy(x, id.name, sizeof id.name);
    return qzEqualsIgnoringAsciiCase(x, name);
  }
  if (id.length < 0 || id.length > static_cast<int32_t>(sizeof id.name)) return false;
  return n == static_cast<size_t>(id.length) && std::memcmp(id.name, name, n) == 0;
}

namespace qziid {
const qzIIDS kUnknown = qzExactIID("QZIIDUNK");
const qzIIDS kDispatch = qzExactIID("QZIIDDSP");
const qzIIDS kClassFactory = qzExactIID("QZIIDCLSFAC");
const qzIIDS kEngineFactory = qzMakeIID("QZCOMENGFACT", 0);
const qzIIDS kException = qzExactIID("QZIEXCEPTION");
const qzIIDS kSqlError = qzExactIID("QZISQLERROR");
const qzIIDS kTypeInfo = qzExactIID("QZIIDTYPEINFO");
const qzIIDS kMethodTypeInfo = qzExactIID("QZIIDMETHTYPEINFO");
const qzIIDS kPropertyTypeInfo = qzExactIID("QZIIDPROPTYPEINFO");
const qzIIDS kObjectCollection = qzExactIID("QZCOMOBJCOLL");
const qzIIDS kNativePointer = qzExactIID("QZCOMNATPTR");
const qzIIDS kExternalConnection = qzExactIID("QZCOMEXTCONN");
const qzIIDS kJvmProvider = qzExactIID("QZCOM.IJVMPROVIDER");
const qzIIDS kCharsetFactory = qzExactIID("QZCOM.ICHARSETFACT");
const qzIIDS kCharsetConverter = qzExactIID("QZCOM.ICHARSETCONV");
}  // namespace qziid
