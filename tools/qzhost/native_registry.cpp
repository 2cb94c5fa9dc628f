#include "tools/qzhost/native_registry.h"

#include <cmath>
#include <stdexcept>

namespace qz::luahost {
namespace {

// unique_ptr: findNativeInterface hands out pointers that must survive later registrations.
std::vector<std::unique_ptr<NativeInterface>>& registry() {
  static std::vector<std::unique_ptr<NativeInterface>> interfaces;
  return interfaces;
}

NativeInterface* findMutable(const char* iid) {
  for (auto& i : registry()) {
    if (qzEqualsIgnoringAsciiCase(i->iid, iid)) return i.get();
  }
  return nullptr;
}

const char* typeName(int32_t type) {
  switch (type) {
    case kVtUndef:
      return "nil";
    case kVtInt:
      return "an integer";
    case kVtFloat:
      return "a float";
    case kVtString:
      return "a string";
    case kVtObject:
      return "an object";
    case kVtByte:
      return "a byte";
    case kVtArray:
      return "an array";
    default:
      return "an unknown type";
  }
}

}  // namespace

void NativeArgs::wrongType(int32_t i, const char* wanted) const {
  const qzVariantS* v = find(i);
  std::string got = v ? typeName(v->type) : "nothing";
  throw NativeCallError(
      method_, "argument " + std::to_string(i + 1) + ": " + wanted + " expected, got " + got);
}

const qzVariantS* NativeArgs::find(int32_t i) const {
  return i >= 0 && i < count() ? &values_[i] : nullptr;
}

const qzVariantS& NativeArgs::at(int32_t i) const {
  const qzVariantS* v = find(i);
  if (!v) wrongType(i, "a value");
  return *v;
}

int32_t NativeArgs::toInt(int32_t i) const {
  const qzVariantS* v = find(i);
  if (v && v->type == kVtInt) return v->value.i;
  // A float that stands for an integer exactly: Lua hands integers beyond 32 bits over as
  // floats, and those must be refused rather than cut.
  if (v && v->type == kVtFloat && std::trunc(v->value.f) == v->value.f && v->value.f >= INT32_MIN &&
      v->value.f <= INT32_MAX) {
    return static_cast<int32_t>(v->value.f);
  }
  wrongType(i, "a 32-bit integer");
}

double NativeArgs::toDouble(int32_t i) const {
  const qzVariantS* v = find(i);
  if (v && v->type == kVtInt) return v->value.i;
  if (v && v->type == kVtFloat) return v->value.f;
  wrongType(i, "a number");
}

std::string NativeArgs::toText(int32_t i) const {
  const qzVariantS* v = find(i);
  if (!v || v->type != kVtString) wrongType(i, "a string");
  return v->text();
}

qzIUnknown* NativeArgs::toObject(int32_t i) const {
  const qzVariantS* v = find(i);
  if (!v || v->type != kVtObject) wrongType(i, "an object");
  return v->value.o;
}

const NativeMethod* NativeInterface::find(const char* name) const {
  for (const NativeMethod& m : methods) {
    if (qzEqualsIgnoringAsciiCase(m.name, name)) return &m;
  }
  return nullptr;
}

void registerNativeInterface(
    const char* iid, std::initializer_list<std::pair<const char*, NativeMethodFn>> methods) {
  if (!iid || !*iid || std::char_traits<char>::length(iid) > 31) {
    throw std::invalid_argument("native interface identifiers have 1 to 31 characters");
  }
  NativeInterface* binding = findMutable(iid);
  if (!binding) {
    registry().push_back(std::make_unique<NativeInterface>(NativeInterface{iid, {}}));
    binding = registry().back().get();
  }
  for (const auto& [name, fn] : methods) {
    bool replaced = false;
    for (NativeMethod& m : binding->methods) {
      if (qzEqualsIgnoringAsciiCase(m.name, name)) {
        m = NativeMethod{name, fn};
        replaced = true;
      }
    }
    if (!replaced) binding->methods.push_back(NativeMethod{name, fn});
  }
}

const NativeInterface* findNativeInterface(const char* iid) {
  return iid ? findMutable(iid) : nullptr;
}

}  // namespace qz::luahost
