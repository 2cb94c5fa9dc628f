#include "tests/support/script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "object/call_exception.h"

namespace qztest {
namespace {

std::string variantText(const qzVariantS& v) {
  const char* t = v.text();
  return t ? t : "";
}

const char* typeName(int32_t type) {
  static const std::pair<int32_t, const char*> names[] = {
      {kVtUndef, "undef"},   {kVtInt, "int"},   {kVtFloat, "float"}, {kVtString, "string"},
      {kVtObject, "object"}, {kVtByte, "byte"}, {kVtArray, "array"}};
  for (const auto& [t, name] : names)
    if (t == type) return name;
  return "unknown type";
}

[[noreturn]] void wrongType(const char* wanted, const Value& v) {
  throw std::logic_error(std::string("expected ") + wanted + ", got " + describe(v));
}

}  // namespace

std::string ExceptionInfo::text() const {
  std::string t = source + ": " + description;
  if (hasInner) t += " [inner: " + innerSource + ": " + innerDescription + "]";
  return t;
}

ExceptionInfo readExceptionInfo(qzIUnknown* exception) {
  ExceptionInfo info;
  qzRef<qzIException> e = qzQuery<qzIException>(exception, qziid::kException);
  if (!e) return info;
  const qzExceptionTexts outer = qzReadException(exception);
  info.source = outer.source;
  info.description = outer.description;
  qzRef<qzIUnknown> inner;
  if (e->getInnerException(inner.out()) == kQzOk &&
      qzQuery<qzIException>(inner.get(), qziid::kException)) {
    const qzExceptionTexts texts = qzReadException(inner.get());
    info.hasInner = true;
    info.innerSource = texts.source;
    info.innerDescription = texts.description;
    info.innerSqlState = texts.sqlState;
  }
  return info;
}

Value::Value(const Obj& o) {
  if (o.dispatch()) v_.setObject(o.dispatch());
}

Value Value::byte(uint8_t b) {
  Value v;
  v.v_.setByte(b);
  return v;
}

Value Value::object(qzIUnknown* o) {
  Value v;
  v.v_.setObject(o);
  return v;
}

int32_t Value::asInt() const {
  if (v_.type != kVtInt) wrongType("int", *this);
  return v_.value.i;
}

double Value::asDouble() const {
  if (v_.type == kVtInt) return v_.value.i;
  if (v_.type != kVtFloat) wrongType("float", *this);
  return v_.value.f;
}

std::string Value::text() const {
  if (v_.type != kVtString) wrongType("string", *this);
  return variantText(v_);
}

Obj Value::object() const {
  if (v_.type == kVtUndef) return Obj();
  if (v_.type != kVtObject) wrongType("object", *this);
  return Obj(v_.value.o);
}

std::string describe(const Value& v) {
  std::ostringstream os;
  const qzVariantS& x = v.variant();
  os << typeName(x.type);
  if (x.type == kVtInt) os << " " << x.value.i;
  if (x.type == kVtFloat) os << " " << x.value.f;
  if (x.type == kVtString) os << " \"" << variantText(x) << "\"";
  if (x.type == kVtByte) os << " " << static_cast<int>(x.value.b);
  return os.str();
}

std::ostream& operator<<(std::ostream& os, const Value& v) {
  return os << describe(v);
}

ScriptError::ScriptError(const std::string& member, const ExceptionInfo& info)
    : std::runtime_error(member + " failed: " + info.text()), info_(info) {}

Obj::Obj(const qzRef<qzIUnknown>& object)
    : d_(qzQuery<qzIDispatch>(object.get(), qziid::kDispatch)) {}

Obj::Obj(qzIUnknown* object) : d_(qzQuery<qzIDispatch>(object, qziid::kDispatch)) {}

bool Obj::offers(const qzIIDS& iid) const {
  if (!d_) return false;
  void* p = nullptr;
  if (d_->QueryInterface(&iid, &p) != kQzOk || !p) return false;
  // Every interface starts with the qzIUnknown slots.
  static_cast<qzIUnknown*>(p)->Release();
  return true;
}

bool Obj::offers(const char* iidName) const {
  return offers(qzMakeIID(iidName, 0));
}

int32_t Obj::refCount() const {
  if (!d_) return 0;
  d_->AddRef();
  return d_->Release();
}

Outcome Obj::run(const char* name, int32_t kind, std::vector<Value> args) const {
  Outcome out;
  if (!d_) {
    out.error.source = "qztest";
    out.error.description = std::string("call of ") + (name ? name : "") + " on an empty object";
    return out;
  }
  std::vector<qzVariantS> raw;
  raw.reserve(args.size());
  for (const Value& a : args) raw.push_back(a.variant());
  qzIUnknown* exception = nullptr;
  try {
    out.status = d_->invoke(name, kind, static_cast<int32_t>(raw.size()),
                            raw.empty() ? nullptr : raw.data(), &out.result.variant(), &exception);
  } catch (...) {
    ADD_FAILURE() << "a C++ exception crossed the interface in invoke of " << (name ? name : "");
    out.error.description = "exception crossed invoke";
    return out;
  }
  if (exception) {
    out.error = readExceptionInfo(exception);
    exception->Release();
  }
  return out;
}

Value Obj::must(const char* name, Outcome outcome) const {
  if (!outcome.ok()) throw ScriptError(name ? name : "", outcome.error);
  return std::move(outcome.result);
}

}  // namespace qztest
