// Drives scriptable objects the way a script does: by member name through invoke, with
// variant arguments, so that a test reads like the script it stands for:
//
//   qztest::Obj db = host.create("DATABASE.JDBCDB");
//   db.call("connect", "demo", "SA", "");
//   qztest::Obj rs = db.call("createObject", "RECORDSET").object();
//
// call/get/put throw qztest::ScriptError when invoke fails; tryCall/tryGet/tryPut hand back an
// Outcome instead, with the texts of the call exception and of its inner exception.
//
// Thread rule: one thread per Obj, like the objects it drives. Ownership: an Obj holds one
// reference of the object's qzIDispatch; a Value owns its variant.
#pragma once

#include <initializer_list>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"
#include "variant/variant.h"

namespace qztest {

class Obj;

// The texts of one call exception object; empty when there was none.
struct ExceptionInfo {
  std::string source;
  std::string description;
  std::string innerSource;  // of the inner exception, if it has one
  std::string innerDescription;
  std::string innerSqlState;  // the inner exception's "QZISQLERROR" state
  bool hasInner = false;

  // "source: description [inner: source: description]", for failure messages.
  std::string text() const;
};
ExceptionInfo readExceptionInfo(qzIUnknown* exception);

// A result or argument: a variant with strict accessors. Accessors do not convert: asking a
// string for an int fails the test with the variant's actual type, so a member answering
// "1" where it should answer 1 is caught.
class Value {
 public:
  Value() = default;
  Value(int32_t v) { v_.setInt(v); }         // NOLINT: arguments read like literals
  Value(double v) { v_.setFloat(v); }        // NOLINT
  Value(const char* v) { v_.setString(v); }  // NOLINT
  Value(const std::string& v) { v_.setString(v.data(), v.size()); }  // NOLINT
  Value(const Obj& o);                                               // NOLINT
  Value(const qzVariantS& v) : v_(v) {}                              // NOLINT

  static Value undef() { return Value(); }
  static Value byte(uint8_t b);
  static Value object(qzIUnknown* o);  // takes a new reference

  int32_t type() const { return v_.type; }
  bool isUndef() const { return v_.type == kVtUndef; }
  bool isInt() const { return v_.type == kVtInt; }
  bool isText() const { return v_.type == kVtString; }
  bool isObject() const { return v_.type == kVtObject; }

  // Each throws std::logic_error for another type.
  int32_t asInt() const;
  double asDouble() const;  // float, or int
  std::string text() const;
  // The object as an Obj; an empty Obj for undef (the "empty object reference").
  Obj object() const;

  const qzVariantS& variant() const { return v_; }
  qzVariantS& variant() { return v_; }

 private:
  qzVariantS v_;
};
std::ostream& operator<<(std::ostream& os, const Value& v);
std::string describe(const Value& v);

// What a call did.
struct Outcome {
  int32_t status = kQzFailed;
  Value result;
  ExceptionInfo error;  // filled on failure

  bool ok() const { return status == kQzOk; }
};

class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& member, const ExceptionInfo& info);
  const ExceptionInfo& info() const { return info_; }

 private:
  ExceptionInfo info_;
};

class Obj {
 public:
  Obj() = default;
  // Asks the object for its qzIDispatch; empty when it offers none.
  Obj(const qzRef<qzIUnknown>& object);  // NOLINT: host.create(...) converts
  explicit Obj(qzIUnknown* object);      // takes a new reference

  explicit operator bool() const { return static_cast<bool>(d_); }
  qzIDispatch* dispatch() const { return d_.get(); }
  // A new reference of another interface, empty when not offered.
  template <class I>
  qzRef<I> query(const qzIIDS& iid) const {
    return qzQuery<I>(d_.get(), iid);
  }
  // The identifiers this object answers to, by QueryInterface.
  bool offers(const qzIIDS& iid) const;
  bool offers(const char* iidName) const;
  int32_t refCount() const;  // AddRef then Release: the count seen by others

  template <class... A>
  Value call(const char* name, const A&... args) const {
    return must(name, run(name, kQzMethod, {Value(args)...}));
  }
  template <class... A>
  Outcome tryCall(const char* name, const A&... args) const {
    return run(name, kQzMethod, {Value(args)...});
  }
  template <class... A>
  Value get(const char* name, const A&... args) const {
    return must(name, run(name, kQzPropertyGet, {Value(args)...}));
  }
  template <class... A>
  Outcome tryGet(const char* name, const A&... args) const {
    return run(name, kQzPropertyGet, {Value(args)...});
  }
  void put(const char* name, const Value& value) const {
    must(name, run(name, kQzPropertyPut, {value}));
  }

  // invoke with any kind and arguments.
  Outcome run(const char* name, int32_t kind, std::vector<Value> args) const;

  void reset() { d_.reset(); }

 private:
  Value must(const char* name, Outcome outcome) const;

  qzRef<qzIDispatch> d_;
};

}  // namespace qztest
