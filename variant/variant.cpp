#include "variant/variant.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/locale.h"
#include "variant/default_depth.h"

namespace {

// A float converts to int through a 64-bit truncation; values outside that range (and NaN)
// have no such truncation, so they fail instead of giving an arbitrary number.
bool truncateToInt32(double d, int32_t* out) {
  if (std::isnan(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0) return false;
  int64_t wide = static_cast<int64_t>(d);
  *out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
  return true;
}

// The whole text must be a number; the empty text is 0.
bool parseNumber(const char* text, double* out) {
  if (*text == '\0') {
    *out = 0.0;
    return true;
  }
  char* end = nullptr;
  double d = std::strtod(text, &end);
  if (end == text || *end != '\0') return false;
  *out = d;
  return true;
}

}  // namespace

// --- qzVariantS -------------------------------------------------------------------------

qzVariantS::qzVariantS(const qzVariantS& other) : value{}, type(kVtUndef), reserved(0) {
  *this = other;
}

qzVariantS& qzVariantS::assign(const qzVariantS& other) {
  if (this == &other) return *this;
  // Build the copy before clearing: the source may live inside what this variant owns.
  qzVariantS fresh;
  switch (other.type) {
    case kVtInt:
    case kVtFloat:
    case kVtByte:
      fresh.value.raw = other.value.raw;
      fresh.type = other.type;
      break;
    case kVtString:
      fresh.setString(other.text());
      break;
    case kVtObject:
      fresh.setObject(other.value.o);
      break;
    case kVtArray:
      fresh.setArray(other.value.a->clone());
      break;
    default:
      break;
  }
  clear();
  value.raw = fresh.value.raw;
  type = fresh.type;
  fresh.type = kVtUndef;
  return *this;
}

void qzVariantS::releaseOwned() {
  int32_t old = type;
  type = kVtUndef;
  switch (old) {
    case kVtString:
      delete value.s;
      break;
    case kVtObject:
      value.o->Release();
      break;
    case kVtArray:
      delete value.a;
      break;
    default:
      break;
  }
  value.raw = 0;
}

void qzVariantS::setString(const char* text) {
  adoptString(new str(text));  // made before clear: text may belong to this variant
}

void qzVariantS::setString(const char* text, size_t length) {
  adoptString(new str(text, length));
}

void qzVariantS::setObject(qzIUnknown* object) {
  if (object) object->AddRef();
  clear();
  if (object) {
    value.o = object;
    type = kVtObject;
  }
}

void qzVariantS::setArray(qzVariantArrayC* array) {
  clear();
  if (array) {
    value.a = array;
    type = kVtArray;
  }
}

const char* qzVariantS::text() const {
  if (type != kVtString) return nullptr;
  return value.s ? value.s->c_str() : "";
}

int32_t qzVariantS::getInt(int32_t* out) {
  if (changeType(kVtInt) != 0) return kQzFailed;
  *out = value.i;
  return kQzOk;
}

int32_t qzVariantS::getFloat(double* out) {
  if (changeType(kVtFloat) != 0) return kQzFailed;
  *out = value.f;
  return kQzOk;
}

int32_t qzVariantS::getText(const char** out) {
  if (changeType(kVtString) != 0) return kQzFailed;
  *out = text();
  return kQzOk;
}

int32_t qzVariantS::getTextNoConvert(const char** out) const {
  if (type != kVtString) return kQzFailed;
  *out = text();
  return kQzOk;
}

int32_t qzVariantS::getIntNoConvert(int32_t* out) const {
  if (type != kVtInt) return kQzFailed;
  *out = value.i;
  return kQzOk;
}

int32_t qzVariantS::getObject(qzIUnknown** out) const {
  if (type != kVtObject) return kQzFailed;
  value.o->AddRef();
  *out = value.o;
  return kQzOk;
}

qzIDispatch* qzVariantS::dispatch() const {
  if (type != kVtObject) return nullptr;
  void* p = nullptr;
  if (value.o->QueryInterface(&qziid::kDispatch, &p) != 0) return nullptr;
  return static_cast<qzIDispatch*>(p);
}

namespace {

// Calls the object's default member as a method without arguments into *out.
int32_t callDefaultMember(qzIDispatch* d, qzVariantS* out) {
  qzIUnknown* exception = nullptr;
  int32_t rc = d->invoke(nullptr, kQzMethod, 0, nullptr, out, &exception);
  if (exception) exception->Release();
  return rc;
}

}  // namespace

int32_t qzVariantS::changeType(int32_t target) {
  if (type == target) return kQzOk;

  if (type == kVtObject) {
    qzDefaultDepthGuard depth;
    if (!depth.ok()) return kQzFailed;
    qzIDispatch* d = dispatch();
    if (!d) return kQzFailed;
    qzVariantS temp;
    int32_t rc = callDefaultMember(d, &temp);
    d->Release();
    if (rc != 0 || temp.changeType(target) != 0) return kQzFailed;
    *this = temp;
    return kQzOk;
  }

  qz::platform::CLocaleScope cLocale;
  switch (target) {
    case kVtInt: {
      int32_t r = 0;
      double d = 0;
      switch (type) {
        case kVtFloat:
          if (!truncateToInt32(value.f, &r)) return kQzFailed;
          break;
        case kVtString:
          if (!parseNumber(text(), &d) || !truncateToInt32(d, &r)) return kQzFailed;
          break;
        case kVtByte:
          r = static_cast<int8_t>(value.b);
          break;
        default:
          return kQzFailed;
      }
      setInt(r);
      return kQzOk;
    }
    case kVtFloat: {
      double d = 0;
      switch (type) {
        case kVtInt:
          d = value.i;
          break;
        case kVtString:
          if (!parseNumber(text(), &d)) return kQzFailed;
          break;
        default:
          return kQzFailed;
      }
      setFloat(d);
      return kQzOk;
    }
    case kVtString: {
      char buf[64];  // every "%d" and "%.14g" output fits
      switch (type) {
        case kVtInt:
          std::snprintf(buf, sizeof buf, "%d", value.i);
          break;
        case kVtFloat:
          std::snprintf(buf, sizeof buf, "%.14g", value.f);
          break;
        default:
          return kQzFailed;
      }
      setString(buf);
      return kQzOk;
    }
    case kVtByte:
      if (type != kVtInt) return kQzFailed;
      setByte(static_cast<uint8_t>(value.i));
      return kQzOk;
    default:
      return kQzFailed;
  }
}

int32_t qzVariantS::defaultValue(qzVariantS* out) const {
  if (type != kVtObject) {
    *out = *this;
    return kQzOk;
  }
  qzDefaultDepthGuard depth;
  if (!depth.ok()) return kQzFailed;
  qzIDispatch* d = dispatch();
  if (!d) return kQzFailed;
  qzVariantS temp;
  int32_t rc = d->invoke(nullptr, kQzMethod, 0, nullptr, &temp, nullptr);
  d->Release();
  if (rc != 0) return kQzFailed;
  return temp.defaultValue(out);
}

// --- qzVariantArrayC --------------------------------------------------------------------

qzVariantArrayC::~qzVariantArrayC() = default;

int32_t qzVariantArrayC::count() const {
  return count_;
}

qzVariantS& qzVariantArrayC::element(int32_t i) {
  if (i < kPageElements) return first_[i];
  return rest_.at(static_cast<size_t>(i - kPageElements));
}

void qzVariantArrayC::resize(int32_t n) {
  if (n < 0) n = 0;
  if (n >= kPageElements) {
    // Pages are kept once made, so those up to the current count's exist already: growing one
    // element at a time must not walk them all again. Page 0 is the array's own.
    const int32_t last = n / kPageElements;
    const int32_t first = std::max(count_ / kPageElements + 1, 1);
    for (int32_t p = first; p <= last; ++p) rest_[static_cast<size_t>(p - 1) * kPageElements];
  }
  count_ = n;
}

void qzVariantArrayC::clear() {
  count_ = 0;
}

void qzVariantArrayC::assign(qzVariantArrayC& other) {
  if (&other == this) return;
  clear();
  resize(other.count());
  for (int32_t i = 0; i < other.count(); ++i) element(i) = other.element(i);
}

qzVariantArrayC* qzVariantArrayC::clone() {
  auto* copy = new qzVariantArrayC();
  copy->assign(*this);
  return copy;
}
