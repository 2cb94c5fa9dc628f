// Bindings that let scripts call native component interfaces: members that exist only as
// virtual slots of an interface, not in an object's method table. A script reaches them with
// qz.native(obj, identifier).
//
// One binding is registered per interface identifier; it names C++ functions by method name,
// and each casts the QueryInterface result to its interface class and calls the slot.
// Bindings never touch the Lua state: they read their arguments from NativeArgs, put results
// into NativeResults and report failures by throwing NativeCallError, so a Lua error can never
// skip their destructors.
//
// Thread rule: register before scripts run, on the main thread; lookups only read.
// Ownership: the registry lives until exit and hands out pointers into itself; the interface
// pointer given to a binding is borrowed for the call.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"
#include "variant/variant.h"

namespace qz::luahost {

// A failed native call, as a call exception object or as texts of our own.
class NativeCallError : public std::exception {
 public:
  NativeCallError(std::string source, std::string description)
      : source_(std::move(source)), description_(std::move(description)) {}
  // Takes a new reference of exception (a "QZIEXCEPTION" object); null leaves only the texts.
  NativeCallError(qzIUnknown* exception, std::string source, std::string description)
      : source_(std::move(source)),
        description_(std::move(description)),
        exception_(qzRef<qzIUnknown>::share(exception)) {}
  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }
  qzIUnknown* exception() const { return exception_.get(); }

 private:
  std::string source_;
  std::string description_;
  qzRef<qzIUnknown> exception_;
};

// The script's arguments of one native call, already converted to variants. The typed getters
// throw NativeCallError naming the method and the argument when a value does not fit.
class NativeArgs {
 public:
  NativeArgs(std::string method, std::vector<qzVariantS> values)
      : method_(std::move(method)), values_(std::move(values)) {}

  int32_t count() const { return static_cast<int32_t>(values_.size()); }
  const qzVariantS& at(int32_t i) const;  // any type; a missing argument is an error
  int32_t toInt(int32_t i) const;         // an int, or a float without fraction in range
  double toDouble(int32_t i) const;       // an int or a float
  std::string toText(int32_t i) const;    // a string only
  qzIUnknown* toObject(int32_t i) const;  // an object only; borrowed

 private:
  const qzVariantS* find(int32_t i) const;  // null when missing
  [[noreturn]] void wrongType(int32_t i, const char* wanted) const;
  std::string method_;
  std::vector<qzVariantS> values_;
};

// What a native call hands back to the script, in order.
class NativeResults {
 public:
  void pushInt(int32_t v) { values_.emplace_back().setInt(v); }
  void pushFloat(double v) { values_.emplace_back().setFloat(v); }
  void pushText(const std::string& v) { values_.emplace_back().setString(v.data(), v.size()); }
  void pushVariant(const qzVariantS& v) { values_.push_back(v); }
  std::vector<qzVariantS>& values() { return values_; }

 private:
  std::vector<qzVariantS> values_;
};

// iface is what QueryInterface answered for the binding's identifier: cast it to the
// interface class the identifier stands for.
using NativeMethodFn = void (*)(qzIUnknown* iface, NativeArgs& args, NativeResults& results);

struct NativeMethod {
  std::string name;
  NativeMethodFn fn;
};

struct NativeInterface {
  std::string iid;
  std::vector<NativeMethod> methods;
  // Method names compare ignoring ASCII case; null when there is none of that name.
  const NativeMethod* find(const char* name) const;
};

// Adds the methods for an identifier (at most 31 characters). Registering an identifier again
// adds to its methods; a method of a name already bound replaces the older one.
void registerNativeInterface(const char* iid,
                             std::initializer_list<std::pair<const char*, NativeMethodFn>> methods);
// The binding of an identifier (compared ignoring ASCII case), or null.
const NativeInterface* findNativeInterface(const char* iid);

// The bindings of the database objects' native interfaces (native_bindings.cpp).
void registerDatabaseBindings();

}  // namespace qz::luahost
