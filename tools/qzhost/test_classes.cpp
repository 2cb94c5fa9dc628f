#include "tools/qzhost/test_classes.h"

#include <string>

#include "object/call_exception.h"
#include "object/proxy_object.h"
#include "tools/qzhost/native_registry.h"
#include "variant/variant.h"

namespace qz::luahost {
namespace {

constexpr const char* kEchoClass = "QZTEST.ECHO";
constexpr const char* kPlainClass = "QZTEST.PLAIN";
constexpr const char* kNativeIid = "QZTEST.NATIVE";

// "QZTEST.NATIVE": slots a script can reach only through qz.native.
class qzITestNative : public qzIUnknown {
 public:
  virtual int32_t add(int32_t a, int32_t b, int32_t* out) = 0;         // slot 3: 1 on overflow
  virtual int32_t storeValue(const qzVariantS* value) = 0;             // slot 4: what Value reads
  virtual int32_t fail(const char* message, qzIUnknown** errOut) = 0;  // slot 5: always 1

 protected:
  ~qzITestNative() = default;
};

class echoObjectC final : public proxyObjectC, public qzITestNative {
 public:
  explicit echoObjectC(bool typeInfo) : proxyObjectC(table(), nullptr, true), typeInfo_(typeInfo) {}

  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDMatchesName(*iid, kNativeIid)) {
      AddRef();
      *out = static_cast<qzITestNative*>(this);
      return kQzOk;
    }
    if (!typeInfo_ && qzIIDEqual(*iid, qziid::kTypeInfo)) return kQzNoInterface;
    return proxyObjectC::QueryInterface(iid, out);
  }
  int32_t AddRef() override { return proxyObjectC::AddRef(); }
  int32_t Release() override { return proxyObjectC::Release(); }
  const char* className() override { return typeInfo_ ? kEchoClass : kPlainClass; }

  int32_t add(int32_t a, int32_t b, int32_t* out) override {
    if (!out || __builtin_add_overflow(a, b, out)) return kQzFailed;
    return kQzOk;
  }
  int32_t storeValue(const qzVariantS* value) override {
    if (!value) return kQzFailed;
    value_ = *value;
    return kQzOk;
  }
  int32_t fail(const char* message, qzIUnknown** errOut) override {
    if (errOut) *errOut = qzCreateCallException("QZTEST.NATIVE::fail", message, nullptr);
    return kQzFailed;
  }

 private:
  // The native object handed to handlers is the proxyObjectC part.
  static echoObjectC* self(void* native) {
    return static_cast<echoObjectC*>(static_cast<proxyObjectC*>(native));
  }

  // No argument: nothing; one: that argument; more: an array of all.
  static void echo(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    if (args.count() == 1) {
      result.value = args.get(0).value;
    } else if (args.count() > 1) {
      auto* all = new qzVariantArrayC();
      result.setArray(all);
      all->resize(args.count());
      for (int32_t i = 0; i < args.count(); ++i) all->element(i) = args.get(i).value;
    }
  }
  static void getValue(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    result.value = self(native)->value_;
  }
  static void setValue(void* native, proxyAutoParaListC& args, proxyAutoTypeCastC&) {
    self(native)->value_ = args.get(0).value;
  }
  static void typeOf(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    result.setInt(args.get(0).value.type);
  }
  // The length in bytes of the text the object received.
  static void length(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    result.setInt(static_cast<int32_t>(std::string(args.getText(0)).size()));
  }
  static void toByte(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    result.value.setByte(args.get(0).toByte());
  }
  static void add2(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    result.setInt(args.getInt(0) + args.getInt(1));
  }
  // [1, undef, "x", [2.5, byte 200], this object]
  static void makeArray(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    auto* outer = new qzVariantArrayC();
    result.setArray(outer);
    outer->resize(5);
    outer->element(0).setInt(1);
    outer->element(2).setString("x");
    auto* inner = new qzVariantArrayC();
    outer->element(3).setArray(inner);
    inner->resize(2);
    inner->element(0).setFloat(2.5);
    inner->element(1).setByte(200);
    outer->element(4).setObject(static_cast<qzIDispatch*>(self(native)));
  }
  static void fail2(void*, proxyAutoParaListC& args, proxyAutoTypeCastC&) {
    throw proxyExecuteExceptionC(args.getText(0), args.getText(1));
  }
  // The call exception carries one with an inner one: three levels once invoke wraps it.
  static void failNested(void*, proxyAutoParaListC& args, proxyAutoTypeCastC&) {
    qzRef<qzIUnknown> root(qzCreateCallException("echo:inner", "the root cause", nullptr));
    qzRef<qzIUnknown> outer(qzCreateCallException("echo:outer", args.getText(0), root.get()));
    throw proxyExecuteComExceptionC(outer.get());
  }
  static void child(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    qzRef<qzIDispatch> made(new echoObjectC(self(native)->typeInfo_));
    result.setObject(made.get());
  }
  static void selfProperty(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    result.setObject(static_cast<qzIDispatch*>(self(native)));
  }
  static void refs(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    result.setInt(self(native)->refCount());
  }
  static void bothProperty(void*, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    result.setString("property");
  }
  static void bothMethod(void*, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    result.setString("method");
  }
  static void broken(void*, proxyAutoParaListC&, proxyAutoTypeCastC&) {
    throw proxyExecuteExceptionC("cannot read Broken", "echo:Broken");
  }

  static proxyMethodTableC* table() {
    static const proxyMethodRowS rows[] = {{"echo", kQzMethod, -1, &echo},
                                           {"Value", kQzPropertyGet, 0, &getValue},
                                           {"Value", kQzPropertyPut, 1, &setValue},
                                           {"WriteOnly", kQzPropertyPut, 1, &setValue},
                                           {"typeOf", kQzMethod, 1, &typeOf},
                                           {"length", kQzMethod, 1, &length},
                                           {"toByte", kQzMethod, 1, &toByte},
                                           {"add", kQzMethod, 2, &add2},
                                           {"makeArray", kQzMethod, 0, &makeArray},
                                           {"fail", kQzMethod, 2, &fail2},
                                           {"failNested", kQzMethod, 1, &failNested},
                                           {"child", kQzMethod, 0, &child},
                                           {"Refs", kQzPropertyGet, 0, &refs},
                                           {"Self", kQzPropertyGet, 0, &selfProperty},
                                           {"Both", kQzPropertyGet, 0, &bothProperty},
                                           {"Both", kQzMethod, 0, &bothMethod},
                                           {"Broken", kQzPropertyGet, 0, &broken},
                                           {nullptr, 0, 0, nullptr}};
    static proxyMethodTableC t(rows);
    return &t;
  }

  bool typeInfo_;
  qzVariantS value_;
};

class echoFactoryC final : public defQZCOMWrapperT<qzIClassFactory, &qziid::kClassFactory> {
 public:
  int32_t createInstance(const qzIIDS* className, qzIUnknown** out) override {
    if (!className || !out) return kQzFailed;
    *out = nullptr;
    bool echo = qzIIDMatchesName(*className, kEchoClass);
    if (!echo && !qzIIDMatchesName(*className, kPlainClass)) return kQzFailed;
    try {
      *out = static_cast<qzIDispatch*>(new echoObjectC(echo));
    } catch (...) {
      return kQzFailed;
    }
    return kQzOk;
  }
};

// Interface pointers derive singly from qzIUnknown, so the downcast is exact.
qzITestNative* testNative(qzIUnknown* iface) {
  return static_cast<qzITestNative*>(iface);
}

void nativeAdd(qzIUnknown* iface, NativeArgs& args, NativeResults& results) {
  int32_t sum = 0;
  if (testNative(iface)->add(args.toInt(0), args.toInt(1), &sum) != kQzOk) {
    throw NativeCallError("QZTEST.NATIVE::add", "the sum does not fit 32 bits");
  }
  results.pushInt(sum);
}

void nativeStoreValue(qzIUnknown* iface, NativeArgs& args, NativeResults&) {
  if (testNative(iface)->storeValue(&args.at(0)) != kQzOk) {
    throw NativeCallError("QZTEST.NATIVE::storeValue", "failed");
  }
}

void nativeFail(qzIUnknown* iface, NativeArgs& args, NativeResults&) {
  qzIUnknown* raw = nullptr;
  int32_t rc = testNative(iface)->fail(args.toText(0).c_str(), &raw);
  qzRef<qzIUnknown> error(raw);
  if (rc != kQzOk) {
    throw NativeCallError(error.get(), "QZTEST.NATIVE::fail",
                          "failed with status " + std::to_string(rc));
  }
}

// Two results: the quotient and the remainder.
void nativeDivide(qzIUnknown*, NativeArgs& args, NativeResults& results) {
  int32_t a = args.toInt(0), b = args.toInt(1);
  if (b == 0 || (a == INT32_MIN && b == -1)) {
    throw NativeCallError("QZTEST.NATIVE::divide", "no 32-bit quotient");
  }
  results.pushInt(a / b);
  results.pushInt(a % b);
}

}  // namespace

bool registerTestClasses(qzIEngineFactory* engine, uint32_t* cookie) {
  registerNativeInterface(kNativeIid, {{"add", &nativeAdd},
                                       {"storeValue", &nativeStoreValue},
                                       {"fail", &nativeFail},
                                       {"divide", &nativeDivide}});
  auto* factory = new echoFactoryC();
  qzRef<qzIUnknown> held(static_cast<qzIClassFactory*>(factory));
  factory->AddRef();
  return engine->registerClassObject(&qziid::kClassFactory, held.get(), 1, cookie) == kQzOk;
}

void revokeTestClasses(qzIEngineFactory* engine, uint32_t cookie) {
  engine->revokeClassObject(cookie);
}

}  // namespace qz::luahost
