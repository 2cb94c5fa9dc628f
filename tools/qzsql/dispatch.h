// Calls members of scriptable objects by name, as a script does: every database operation of
// qzsql goes through invoke on the objects the host creates, never around them.
//
// A failed call throws CallFailed, carrying every level of the call exception (the calling
// member's own, then each inner exception), so that a message can show the driver's text that
// usually sits one level down.
//
// Thread rule: one thread per Object, like the objects it drives. Ownership: an Object holds
// one reference of the object's qzIDispatch; a Value owns its variant.
#pragma once

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"
#include "variant/variant.h"

namespace qzsql {

// One level of a call exception: its source ("ZIRUV:execute") and description, and the SQL
// state and vendor code of a database error ("QZISQLERROR"; empty and 0 otherwise).
struct ErrorLevel {
  ErrorLevel() = default;
  ErrorLevel(std::string s, std::string d) : source(std::move(s)), description(std::move(d)) {}

  std::string source;
  std::string description;
  std::string sqlState;
  int32_t vendorCode = 0;
};

class CallFailed : public std::runtime_error {
 public:
  CallFailed(std::string member, std::vector<ErrorLevel> levels);
  const std::string& member() const { return member_; }
  // Outermost first; may be empty when the object gave no exception object.
  const std::vector<ErrorLevel>& levels() const { return levels_; }
  // The innermost level with a description: where the driver's message is.
  const ErrorLevel* root() const;
  // The driver's SQL state: the root's, else the innermost level's that has one; or "".
  std::string sqlState() const;

 private:
  std::string member_;
  std::vector<ErrorLevel> levels_;
};

// Every level of an exception object, outermost first.
std::vector<ErrorLevel> readErrorLevels(qzIUnknown* exception);

class Object;

// An argument or a result.
class Value {
 public:
  Value() = default;
  Value(int32_t v) { v_.setInt(v); }         // NOLINT: arguments read like literals
  Value(const char* v) { v_.setString(v); }  // NOLINT
  Value(const std::string& v) { v_.setString(v.data(), v.size()); }  // NOLINT

  bool isUndef() const { return v_.type == kVtUndef; }
  // The value as a number when it is one (int or float), else nullopt.
  std::optional<int32_t> toInt() const;
  // Text for a string; integers and floats printed; nullopt for undef and objects.
  std::optional<std::string> toText() const;
  // The object held, or an empty Object.
  Object toObject() const;

  const qzVariantS& variant() const { return v_; }
  qzVariantS& variant() { return v_; }

 private:
  qzVariantS v_;
};

class Object {
 public:
  Object() = default;
  explicit Object(qzIUnknown* object);  // asks for qzIDispatch; takes a new reference

  explicit operator bool() const { return static_cast<bool>(d_); }

  // Kind 1, 2 and 4 calls; each throws CallFailed when invoke fails.
  Value call(const char* name, std::initializer_list<Value> args = {}) const;
  Value get(const char* name, std::initializer_list<Value> args = {}) const;
  void put(const char* name, const Value& value) const;

  void reset() { d_.reset(); }

 private:
  Value invoke(const char* name, int32_t kind, std::initializer_list<Value> args) const;

  qzRef<qzIDispatch> d_;
};

}  // namespace qzsql
