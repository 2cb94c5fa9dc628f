// qzVariantS: the one value type of every component interface.
//
// 16 bytes, since arrays of variants cross module boundaries: an 8-byte value slot, the
// 32-bit type code and 4 unused bytes. A variant owns what it holds (its `str`, its array,
// one reference of its object). Strings and arrays are deleted through their virtual
// destructors, so a variant filled by one module may be cleared by another.
//
// Thread rule: a variant is used by one thread at a time.
//
// Statuses: 0 success, 1 failure (the component convention); counts and sizes are values.
#pragma once

#include <cstdint>

#include "interfaces/qzcom.h"
#include "runtime/memman.h"
#include "runtime/page_mem.h"
#include "runtime/str.h"

class qzVariantArrayC;

enum qzVariantType : int32_t {
  kVtUndef = 0,
  kVtInt = 1,
  kVtFloat = 2,
  kVtString = 4,
  kVtObject = 8,
  kVtByte = 16,
  kVtArray = 0x8000,
};

struct qzVariantS {
  union {
    int32_t i;
    double f;
    str* s;
    qzIUnknown* o;
    uint8_t b;
    qzVariantArrayC* a;
    uint64_t raw;
  } value;
  int32_t type;
  int32_t reserved;

  qzVariantS() : value{}, type(kVtUndef), reserved(0) {}
  qzVariantS(const qzVariantS& other);
  qzVariantS& operator=(const qzVariantS& other) {
    if (!owning(type) &&
        (other.type == kVtInt || other.type == kVtFloat || other.type == kVtByte)) {
      value.raw = other.value.raw;
      type = other.type;
      return *this;
    }
    return assign(other);
  }
  ~qzVariantS() { clear(); }

  void clear() {
    // Scalars own nothing: only the owning types leave the header.
    if (owning(type)) {
      releaseOwned();
      return;
    }
    type = kVtUndef;
    value.raw = 0;
  }
  // Takes other's value without copying it; other is left undef. Other is emptied before this
  // variant is cleared: it may live inside what this variant owns.
  void take(qzVariantS& other) {
    if (&other == this) return;
    qzVariantS taken;
    taken.value = other.value;
    taken.type = other.type;
    other.type = kVtUndef;
    other.value.raw = 0;
    clear();
    value = taken.value;
    type = taken.type;
    taken.type = kVtUndef;
  }

  // Setters clear the variant first. The scalar ones are inline: they are on the path of every
  // value read and every argument passed.
  void setInt(int32_t v) {
    clear();
    value.i = v;
    type = kVtInt;
  }
  void setFloat(double v) {
    clear();
    value.f = v;
    type = kVtFloat;
  }
  void setByte(uint8_t v) {
    clear();
    value.b = v;
    type = kVtByte;
  }
  void setString(const char* text);  // null gives the empty string
  void setString(const char* text, size_t length);
  void setObject(qzIUnknown* object);     // takes a reference; null leaves the variant undef
  void setArray(qzVariantArrayC* array);  // takes ownership
  // Take ownership of a string, or of the caller's one reference to an object (not null),
  // made to be handed over: no copy and no count of their own.
  void adoptString(str* s) {
    clear();
    value.s = s;
    type = kVtString;
  }
  void adoptObject(qzIUnknown* object) {
    clear();
    value.o = object;
    type = kVtObject;
  }

  // Getters: 0 on success, 1 on failure; out is written only on success. The converting
  // getters change this variant in place first (changeType).
  int32_t getInt(int32_t* out);
  int32_t getFloat(double* out);
  int32_t getText(const char** out);  // the pointer stays valid while the variant is unchanged
  int32_t getTextNoConvert(const char** out) const;
  int32_t getIntNoConvert(int32_t* out) const;
  int32_t getObject(qzIUnknown** out) const;  // a new reference for the caller

  // In-place conversion; 0 on success, 1 leaves the variant unchanged.
  int32_t changeType(int32_t target);

  // The default value: a copy for non-objects; objects are followed through their default
  // members until a non-object value is reached. 0 on success.
  int32_t defaultValue(qzVariantS* out) const;

  // The object's qzIDispatch with a new reference, or null.
  qzIDispatch* dispatch() const;

  // The text of a string variant ("" when it holds none); null for other types.
  const char* text() const;
  bool isUndef() const { return type == kVtUndef; }

 private:
  static bool owning(int32_t t) { return t == kVtString || t == kVtObject || t == kVtArray; }
  void releaseOwned();
  qzVariantS& assign(const qzVariantS& other);
};
static_assert(sizeof(qzVariantS) == 16, "qzVariantS crosses module boundaries");

// An ordered list of variants in pages of 8; pages are never removed before destruction.
// Its operations are virtual so that they run in the module that made the array.
//
// Layout guarantee, part of the binary contract: the elements of one page (8k to 8k + 7) lie
// next to each other, so a caller in any module may reach element 8k + j (j < 8, below
// count()) as (&element(8k))[j], one call per page instead of one per element.
class qzVariantArrayC : public memManInterfaceC {
 public:
  static constexpr int32_t kPageElements = 8;

  qzVariantArrayC() = default;
  qzVariantArrayC(const qzVariantArrayC&) = delete;
  qzVariantArrayC& operator=(const qzVariantArrayC&) = delete;
  ~qzVariantArrayC() override;

  virtual int32_t count() const;
  // No range check: callers stay below count().
  virtual qzVariantS& element(int32_t i);
  // Sets the count; adds pages until there are n / 8 + 1 of them. Throws std::bad_alloc, with
  // the count as it was, when memory is refused.
  virtual void resize(int32_t n);
  // Count 0; pages and their contents stay.
  virtual void clear();
  virtual void assign(qzVariantArrayC& other);
  // A new array holding deep copies of every element.
  virtual qzVariantArrayC* clone();

 private:
  int32_t count_ = 0;
  // Page 0 lives in the array itself: a row of up to 8 values is one allocation, not three
  // (the array, its page list, its page).
  qzVariantS first_[kPageElements];
  pageMemT<qzVariantS> rest_;  // element i >= 8 is rest_[i - 8]
};
