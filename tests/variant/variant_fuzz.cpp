// libFuzzer entry: variants of every type built from random bytes (arrays and objects whose
// default member answers another variant nested in them) converted to every type, copied,
// assigned from inside themselves and read as call arguments, without a crash, a leak or
// undefined behaviour. A failed conversion leaves the variant as it was; a successful one
// gives the type asked for; conversions that promise a round trip keep the value.
//
// Input: a variant is a kind byte (mod 7: undef, int, float, string, byte, array, object)
// and its value: 4 or 8 bytes little-endian, a length byte and that many bytes, one byte, a
// count byte and that many variants, or the variant the object's default member answers.
// The bytes after the variant steer array resizes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "object/com_ref.h"
#include "object/proxy_object.h"
#include "tests/support/test_objects.h"
#include "variant/variant.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint64_t little(int count) {
    uint64_t v = 0;
    for (int k = 0; k < count; ++k) v |= static_cast<uint64_t>(byte()) << (8 * k);
    return v;
  }
  std::string text(size_t n) {
    n = std::min(n, size_ - std::min(at_, size_));
    std::string s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

qzVariantS read(Bytes& in, int depth) {
  qzVariantS v;
  switch (in.byte() % 7) {
    case 1:
      v.setInt(static_cast<int32_t>(static_cast<uint32_t>(in.little(4))));
      break;
    case 2: {
      uint64_t bits = in.little(8);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      v.setFloat(d);
      break;
    }
    case 3: {
      std::string s = in.text(in.byte());
      v.setString(s.data(), s.size());
      break;
    }
    case 4:
      v.setByte(in.byte());
      break;
    case 5: {
      auto* a = new qzVariantArrayC();
      int32_t n = depth < 3 ? in.byte() % 12 : 0;
      a->resize(n);
      for (int32_t i = 0; i < n; ++i) a->element(i) = read(in, depth + 1);
      v.setArray(a);
      break;
    }
    case 6: {
      qzVariantS answer = depth < 3 ? read(in, depth + 1) : qzVariantS();
      auto* o = new qztest::ScriptedObject(
          {{"", kQzMethod, 0, [answer](auto&, proxyAutoTypeCastC& r) { r.value = answer; }}});
      o->AddRef();
      v.setObject(static_cast<qzIDispatch*>(o));
      o->Release();
      break;
    }
    default:
      break;
  }
  return v;
}

bool same(const qzVariantS& a, const qzVariantS& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case kVtInt:
      return a.value.i == b.value.i;
    case kVtFloat:  // bit for bit: NaN is itself
      return std::memcmp(&a.value.f, &b.value.f, sizeof(double)) == 0;
    case kVtByte:
      return a.value.b == b.value.b;
    case kVtString:
      return a.value.s->length() == b.value.s->length() &&
             std::memcmp(a.text(), b.text(), a.value.s->length()) == 0;
    case kVtObject:
      return a.value.o == b.value.o;
    case kVtArray: {
      if (a.value.a->count() != b.value.a->count()) return false;
      for (int32_t i = 0; i < a.value.a->count(); ++i) {
        if (!same(a.value.a->element(i), b.value.a->element(i))) return false;
      }
      return true;
    }
    default:
      return true;
  }
}

void checkConversions(const qzVariantS& v) {
  for (int32_t target :
       std::initializer_list<int32_t>{kVtUndef, kVtInt, kVtFloat, kVtString, kVtObject, kVtByte,
                                      kVtArray, kVtString | kVtArray}) {
    qzVariantS w(v);
    if (!same(w, v)) fail("a copy differs");
    if (w.changeType(target) == 0) {
      if (w.type != target) fail("a conversion gave another type");
    } else if (!same(w, v)) {
      fail("a failed conversion changed the variant");
    }
  }
  qzVariantS w(v);
  int32_t i = 0;
  double d = 0;
  const char* text = nullptr;
  if (w.getInt(&i) == 0 && w.type != kVtInt) fail("getInt left another type");
  w = v;
  if (w.getFloat(&d) == 0 && w.type != kVtFloat) fail("getFloat left another type");
  w = v;
  if (w.getText(&text) == 0 && (w.type != kVtString || !text)) fail("getText gave no text");
  qzVariantS def;
  if (v.defaultValue(&def) == 0 && def.type == kVtObject) fail("a default value is an object");
}

// Round trips the conversions promise for a scalar's own type.
void checkRoundTrips(const qzVariantS& v) {
  qzVariantS w(v);
  switch (v.type) {
    case kVtInt: {
      int32_t back = 0;
      if (w.changeType(kVtString) != 0 || w.getInt(&back) != 0 || back != v.value.i)
        fail("int -> string -> int");
      w = v;
      if (w.changeType(kVtFloat) != 0 || w.getInt(&back) != 0 || back != v.value.i)
        fail("int -> float -> int");
      break;
    }
    case kVtByte:
      if (w.changeType(kVtInt) != 0 || w.changeType(kVtByte) != 0 || w.value.b != v.value.b)
        fail("byte -> int -> byte");
      break;
    case kVtFloat: {
      double f = v.value.f;
      double back = 0;
      if (w.changeType(kVtString) != 0 || w.getFloat(&back) != 0) fail("float -> string fails");
      // Fourteen significant digits: close for normal numbers, the same infinity, NaN stays.
      bool ok = std::isnan(f)      ? std::isnan(back)
                : std::isinf(f)    ? back == f
                : std::isnormal(f) ? std::fabs(back - f) <= 1e-13 * std::fabs(f)
                                   : std::fabs(back - f) <= 1e-300;
      if (!ok) fail("float -> string -> float strays");
      break;
    }
    default:
      break;
  }
}

// The same value read as a call argument: each getter answers or throws the cast exception.
void checkArgument(const qzVariantS& v) {
  proxyAutoTypeCastC holder;
  holder.value = v;
  auto attempt = [](auto read) {
    try {
      read();
    } catch (const proxyAutoTypeCastExceptionC&) {
    }
  };
  attempt([&] { (void)holder.toInt(); });
  attempt([&] { (void)holder.toByte(); });
  attempt([&] { (void)holder.toDouble(); });
  attempt([&] {
    if (!holder.toText()) fail("toText gave null");
  });
  if (qzIDispatch* d = holder.toDispatch()) d->Release();
}

void checkArray(const qzVariantS& v, Bytes& steer) {
  if (v.type != kVtArray) return;
  qzVariantArrayC& a = *v.value.a;
  qzVariantS copy(v);
  if (copy.value.a == v.value.a || !same(copy, v)) fail("an array copy is not deep");
  copy.value.a->assign(*copy.value.a);
  if (!same(copy, v)) fail("self-assignment of an array changed it");
  qzVariantS grown(v);
  int32_t n = steer.byte() % 40;
  grown.value.a->resize(n);
  for (int32_t i = 0; i < std::min(n, a.count()); ++i) {
    if (!same(grown.value.a->element(i), a.element(i))) fail("resize lost an element");
  }
  for (int32_t i = 0; i < n; ++i) checkConversions(grown.value.a->element(i));
  // The source lives inside what the variant owns.
  if (a.count() > 0) {
    qzVariantS expected(a.element(0));
    qzVariantS self(v);
    self = self.value.a->element(0);
    if (!same(self, expected)) fail("assigning an element of its own array");
    qzVariantS taken(v);
    taken.take(taken.value.a->element(a.count() - 1));
    if (!same(taken, a.element(a.count() - 1))) fail("taking an element of its own array");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const qzVariantS v = read(in, 0);
  checkConversions(v);
  checkRoundTrips(v);
  checkArgument(v);
  checkArray(v, in);
  return 0;
}
