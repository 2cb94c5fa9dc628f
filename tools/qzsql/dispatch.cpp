#include "tools/qzsql/dispatch.h"

#include <cstdio>
#include <vector>

namespace qzsql {
namespace {

std::string variantText(const qzVariantS& v) {
  const char* t = v.text();
  return t ? t : "";
}

std::string joinLevels(const std::string& member, const std::vector<ErrorLevel>& levels) {
  std::string text = member + " failed";
  for (const ErrorLevel& l : levels) text += ": " + l.source + ": " + l.description;
  return text;
}

}  // namespace

CallFailed::CallFailed(std::string member, std::vector<ErrorLevel> levels)
    : std::runtime_error(joinLevels(member, levels)),
      member_(std::move(member)),
      levels_(std::move(levels)) {}

const ErrorLevel* CallFailed::root() const {
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    if (!it->description.empty()) return &*it;
  }
  return levels_.empty() ? nullptr : &levels_.back();
}

std::string CallFailed::sqlState() const {
  if (const ErrorLevel* r = root(); r && !r->sqlState.empty()) return r->sqlState;
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    if (!it->sqlState.empty()) return it->sqlState;
  }
  return "";
}

std::vector<ErrorLevel> readErrorLevels(qzIUnknown* exception) {
  std::vector<ErrorLevel> levels;
  qzRef<qzIUnknown> current = qzRef<qzIUnknown>::share(exception);
  // Exception chains are short; the bound only guards against a chain that loops.
  for (int depth = 0; current && depth < 16; ++depth) {
    qzRef<qzIException> e = qzQuery<qzIException>(current.get(), qziid::kException);
    if (!e) break;
    ErrorLevel level;
    qzVariantS v;
    if (e->getSource(&v) == kQzOk) level.source = variantText(v);
    if (e->getDescription(&v) == kQzOk) level.description = variantText(v);
    // Exception objects of other modules may not know the interface: they answer without it.
    if (qzRef<qzISqlError> sql = qzQuery<qzISqlError>(current.get(), qziid::kSqlError)) {
      qzVariantS state;
      if (sql->getSqlState(&state) == kQzOk) level.sqlState = variantText(state);
      if (sql->getVendorCode(&level.vendorCode) != kQzOk) level.vendorCode = 0;
    }
    levels.push_back(std::move(level));
    qzRef<qzIUnknown> inner;
    if (e->getInnerException(inner.out()) != kQzOk) break;
    current = std::move(inner);
  }
  return levels;
}

std::optional<int32_t> Value::toInt() const {
  if (v_.type == kVtInt) return v_.value.i;
  if (v_.type == kVtFloat) return static_cast<int32_t>(v_.value.f);
  if (v_.type == kVtByte) return v_.value.b;
  return std::nullopt;
}

std::optional<std::string> Value::toText() const {
  switch (v_.type) {
    case kVtString:
      return variantText(v_);
    case kVtInt:
      return std::to_string(v_.value.i);
    case kVtByte:
      return std::to_string(v_.value.b);
    case kVtFloat: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.17g", v_.value.f);
      return std::string(buffer);
    }
    default:
      return std::nullopt;
  }
}

Object Value::toObject() const {
  if (v_.type != kVtObject) return Object();
  return Object(v_.value.o);
}

Object::Object(qzIUnknown* object) : d_(qzQuery<qzIDispatch>(object, qziid::kDispatch)) {}

Value Object::call(const char* name, std::initializer_list<Value> args) const {
  return invoke(name, kQzMethod, args);
}

Value Object::get(const char* name, std::initializer_list<Value> args) const {
  return invoke(name, kQzPropertyGet, args);
}

void Object::put(const char* name, const Value& value) const {
  invoke(name, kQzPropertyPut, {value});
}

Value Object::invoke(const char* name, int32_t kind, std::initializer_list<Value> args) const {
  if (!d_) throw CallFailed(name, {{"qzsql", "no object to call"}});
  std::vector<qzVariantS> raw;
  raw.reserve(args.size());
  for (const Value& a : args) raw.push_back(a.variant());
  Value result;
  qzIUnknown* exception = nullptr;
  int32_t status = d_->invoke(name, kind, static_cast<int32_t>(raw.size()),
                              raw.empty() ? nullptr : raw.data(), &result.variant(), &exception);
  qzRef<qzIUnknown> held(exception);
  if (status != kQzOk) throw CallFailed(name, readErrorLevels(held.get()));
  return result;
}

}  // namespace qzsql
