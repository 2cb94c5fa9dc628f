// Scriptable objects: members found by name and kind in a static method table.
//
// A class declares its members once as rows {name, kind, parameter count, handler}. invoke
// finds the row, hands the arguments to the handler in a typed argument list, and returns
// the handler's result or a call exception object that says in words what failed. Handlers
// report failures by throwing proxyExecuteExceptionC (message and source),
// proxyExecuteComExceptionC (an error object from elsewhere) or proxyAutoTypeCastExceptionC
// (an argument that does not convert: the next overload is tried). Nothing escapes invoke.
//
// Thread rule: reference counts are atomic; calls on one object come from one thread at a
// time. Method tables are built once per class (a function-local static) and live until
// unload.
//
// Statuses: 0 success, 1 failure (the component convention), except nativePointerC::queryNative,
// whose slot always answers 1. Script results (what handlers set) are values, not statuses.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"
#include "variant/variant.h"

class proxyAutoParaListC;
class proxyAutoTypeCastC;

// Handlers get the object's native object, the arguments and the result holder.
using proxyMethodHandlerT = void (*)(void* native, proxyAutoParaListC& args,
                                     proxyAutoTypeCastC& result);

struct proxyMethodRowS {
  const char* name;             // compared ignoring ASCII case; "" is the default member
  int32_t kind;                 // kQzMethod, kQzPropertyGet or kQzPropertyPut
  int32_t parameterCount;       // exact count, or -1 for any
  proxyMethodHandlerT handler;  // null ends the table
};

// Adapts a member function `void T::m(proxyAutoParaListC&, proxyAutoTypeCastC&)` to a row
// handler; the native object must be the T.
template <class T, void (T::*M)(proxyAutoParaListC&, proxyAutoTypeCastC&)>
void proxyMember(void* native, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  (static_cast<T*>(native)->*M)(args, result);
}

class proxyMethodTableC {
 public:
  // rows (ended by a zero row) are not owned; null starts an empty table.
  explicit proxyMethodTableC(const proxyMethodRowS* rows = nullptr);
  ~proxyMethodTableC();
  proxyMethodTableC(const proxyMethodTableC&) = delete;
  proxyMethodTableC& operator=(const proxyMethodTableC&) = delete;

  bool empty() const { return rows_ == nullptr || rows_[0].handler == nullptr; }
  // The added rows come first, so they win over older rows of the same name and kind.
  void add(const proxyMethodRowS* rows, size_t count);
  // First row from `start` (null: the first row) matching name (null is "") and kind
  // (kQzAnyKind matches all); null when none.
  const proxyMethodRowS* lookup(const char* name, int32_t kind,
                                const proxyMethodRowS* start = nullptr) const;
  const proxyMethodRowS* rows() const { return rows_; }

 private:
  proxyMethodRowS* rows_;
  bool owned_ = false;
};

// --- Exceptions thrown inside the object model ------------------------------------------

class proxyExceptionBaseC : public std::exception {
 public:
  const char* what() const noexcept override { return "proxy exception"; }
};

class proxyAutoTypeCastExceptionC : public proxyExceptionBaseC {
 public:
  const char* what() const noexcept override { return "argument conversion failed"; }
};

class proxyExecuteExceptionC : public proxyExceptionBaseC {
 public:
  proxyExecuteExceptionC(std::string message, std::string source)
      : message_(std::move(message)), source_(std::move(source)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  const std::string& source() const { return source_; }

 private:
  std::string message_;
  std::string source_;
};

// Carries a reference to a call exception object received from elsewhere.
class proxyExecuteComExceptionC : public proxyExceptionBaseC {
 public:
  explicit proxyExecuteComExceptionC(qzIUnknown* error) : error_(qzRef<qzIUnknown>::share(error)) {}
  const char* what() const noexcept override { return "call exception object"; }
  qzIUnknown* error() const { return error_.get(); }

 private:
  qzRef<qzIUnknown> error_;
};

// --- Arguments and results --------------------------------------------------------------

// One argument or the result. Conversions accept only the listed sources; a string is never
// taken as a number and a number never as text here. Failures throw
// proxyAutoTypeCastExceptionC.
class proxyAutoTypeCastC final : public memManInterfaceC {
 public:
  int32_t toInt();            // integer, float, object
  uint8_t toByte();           // integer, object
  double toDouble();          // integer, float, object
  const char* toText();       // string, object; valid while the holder lives
  qzIDispatch* toDispatch();  // object: a new reference; anything else: null, no throw

  void setInt(int32_t v) { value.setInt(v); }
  void setFloat(double v) { value.setFloat(v); }
  void setString(const char* text) { value.setString(text); }
  void setString(const std::string& text) { value.setString(text.data(), text.size()); }
  void setObject(qzIUnknown* object) { value.setObject(object); }
  void setArray(qzVariantArrayC* array) { value.setArray(array); }

  qzVariantS value;
  qzVariantS scratch;  // the default value of an object argument

 private:
  // The value itself, or its default value in scratch when it is an object.
  const qzVariantS& scalar();
};

class proxyAutoParaListC : public memManInterfaceC {
 public:
  proxyAutoParaListC(int32_t count, const qzVariantS* args);
  ~proxyAutoParaListC() override;
  proxyAutoParaListC(const proxyAutoParaListC&) = delete;
  proxyAutoParaListC& operator=(const proxyAutoParaListC&) = delete;

  int32_t count() const { return count_; }
  // The holder of argument i; it stays owned by the list, so text it hands out lives as long
  // as the list. Out of range throws proxyAutoTypeCastExceptionC; otherwise i becomes the
  // current index.
  proxyAutoTypeCastC& get(int32_t i);
  int32_t currentIndex() const { return current_; }

  int32_t getInt(int32_t i) { return get(i).toInt(); }
  double getDouble(int32_t i) { return get(i).toDouble(); }
  const char* getText(int32_t i) { return get(i).toText(); }

 private:
  // Calls take a few arguments: those need no heap.
  static constexpr int32_t kInlineArguments = 4;

  int32_t count_;
  proxyAutoTypeCastC* holders_;
  int32_t current_ = -1;
  alignas(proxyAutoTypeCastC) unsigned char inline_[kInlineArguments * sizeof(proxyAutoTypeCastC)];
};

// --- The scriptable object --------------------------------------------------------------

// Virtual slots: 0 QueryInterface, 1 AddRef, 2 Release, 3 invoke, 4 className,
// 5 nativePointer, 6 and 7 external connection notifications, 8 external connection query.
// Derived classes override slots 0 and 4 only.
class proxyObjectC : public qzIDispatch, public qzComRefObjectC {
 public:
  // native is handed to the handlers (null: this object). With takeFirstRef the count
  // starts at 1.
  explicit proxyObjectC(proxyMethodTableC* table, void* native = nullptr,
                        bool takeFirstRef = false);

  int32_t QueryInterface(const qzIIDS* iid, void** out) override;
  int32_t AddRef() override;
  int32_t Release() override;
  int32_t invoke(const char* name, int32_t kind, int32_t count, const qzVariantS* args,
                 qzVariantS* result, qzIUnknown** exception) override;
  virtual const char* className();                             // slot 4
  virtual void* nativePointer();                               // slot 5
  virtual int32_t externalNotifyA(int32_t arg);                // slot 6
  virtual int32_t externalNotifyB(int32_t arg, int32_t arg2);  // slot 7
  virtual int32_t externalQuery(int32_t* out);                 // slot 8
  // Declared after the slots above: under the Itanium ABI it takes entries after them.
  ~proxyObjectC() override;

  proxyMethodTableC* methodTable() const { return table_; }

  // The call exception invoke reports when a handler of the member `name` throws the exception
  // being handled: a native path that does a member's work outside invoke fails as its call by
  // name does. Only inside a catch block.
  static qzIUnknown* currentCallException(const char* name);

 protected:
  // Handled or not; exceptions other than conversion failures leave it.
  bool callByName(const char* name, int32_t kind, proxyAutoParaListC& args,
                  proxyAutoTypeCastC& result);
  bool dispatchWithFallbacks(const char* name, int32_t kind, proxyAutoParaListC& args,
                             proxyAutoTypeCastC& result);

 private:
  class externalConnectionC : public qzIComExternalConnection {
   public:
    explicit externalConnectionC(proxyObjectC* owner) : owner_(owner) {}
    int32_t QueryInterface(const qzIIDS* iid, void** out) override;
    int32_t AddRef() override { return owner_->AddRef(); }
    int32_t Release() override { return owner_->Release(); }
    int32_t addConnection(int32_t arg) override;
    int32_t releaseConnection(int32_t arg, int32_t arg2) override;
    int32_t queryConnection(int32_t* out) override;

   private:
    proxyObjectC* owner_;
  };

  class nativePointerC : public qzIComNativePointer {
   public:
    explicit nativePointerC(proxyObjectC* owner) : owner_(owner) {}
    int32_t QueryInterface(const qzIIDS* iid, void** out) override;
    int32_t AddRef() override { return owner_->AddRef(); }
    int32_t Release() override { return owner_->Release(); }
    int32_t getThreadId(uint32_t* out) override;
    int32_t getNativePointer(void** out) override;
    int32_t queryNative(int32_t arg) override;  // always 1: the slot's answer, not a failure
    int32_t getClassName(qzVariantS* out) override;

   private:
    proxyObjectC* owner_;
  };

  externalConnectionC externalConnection_;
  nativePointerC nativePointerPart_;
  void* native_;
  proxyMethodTableC* table_;
};

// The readable (demangled) name of a type, for className overrides.
const char* qzReadableTypeName(const std::type_info& type);

// Counts live proxyObjectC instances of this module (for leak checks in tests and tools).
int32_t qzLiveProxyObjects();
