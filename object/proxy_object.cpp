#include "object/proxy_object.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

#include "object/call_exception.h"
#include "object/type_info.h"
#include "platform/thread.h"
#include "variant/default_depth.h"

namespace {

std::atomic<int32_t> g_liveProxies{0};

// Answered by the external connection query; its meaning is the host's.
int32_t g_externalConnectionValue = 1;

template <class T>
int32_t handOut(T* part, void** out) {
  part->AddRef();
  *out = part;
  return kQzOk;
}

}  // namespace

int32_t qzLiveProxyObjects() {
  return g_liveProxies.load();
}

const char* qzReadableTypeName(const std::type_info& type) {
  // Demangled once per type and kept: callers hold the pointer.
  static std::mutex lock;
  static std::map<const std::type_info*, std::string>* names =
      new std::map<const std::type_info*, std::string>();
  std::lock_guard<std::mutex> guard(lock);
  auto it = names->find(&type);
  if (it == names->end()) {
    int status = 0;
    char* readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    it = names->emplace(&type, status == 0 && readable ? readable : type.name()).first;
    std::free(readable);
  }
  return it->second.c_str();
}

// --- proxyMethodTableC ------------------------------------------------------------------

proxyMethodTableC::proxyMethodTableC(const proxyMethodRowS* rows)
    : rows_(const_cast<proxyMethodRowS*>(rows)) {}

proxyMethodTableC::~proxyMethodTableC() {
  if (owned_) qzFree(rows_);
}

void proxyMethodTableC::add(const proxyMethodRowS* rows, size_t count) {
  size_t old = 0;
  while (rows_ && rows_[old].handler) ++old;
  auto* grown = static_cast<proxyMethodRowS*>(qzAlloc(sizeof(proxyMethodRowS) * (count + old + 1)));
  if (!grown) throw std::bad_alloc();
  if (count) std::memcpy(grown, rows, sizeof(proxyMethodRowS) * count);
  if (old) std::memcpy(grown + count, rows_, sizeof(proxyMethodRowS) * old);
  grown[count + old] = proxyMethodRowS{nullptr, 0, 0, nullptr};
  if (owned_) qzFree(rows_);
  rows_ = grown;
  owned_ = true;
}

namespace {

// qzEqualsIgnoringAsciiCase on two terminated names, in one pass without measuring them: two
// bytes that differ can only be the two cases of one letter, which differ in bit 0x20 alone.
inline bool sameMemberName(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char x = static_cast<unsigned char>(*a);
    const unsigned char y = static_cast<unsigned char>(*b);
    if (x == y) {
      if (x == 0) return true;
      continue;
    }
    const unsigned char lower = x | 0x20;
    if (lower != (y | 0x20) || lower < 'a' || lower > 'z') return false;
  }
}

}  // namespace

const proxyMethodRowS* proxyMethodTableC::lookup(const char* name, int32_t kind,
                                                 const proxyMethodRowS* start) const {
  if (!rows_) return nullptr;
  if (!name) name = "";
  for (const proxyMethodRowS* row = start ? start : rows_; row->handler; ++row) {
    if ((kind == kQzAnyKind || kind == row->kind) &&
        sameMemberName(row->name ? row->name : "", name))
      return row;
  }
  return nullptr;
}

// --- proxyAutoTypeCastC -----------------------------------------------------------------

const qzVariantS& proxyAutoTypeCastC::scalar() {
  if (value.type != kVtObject) return value;
  if (value.defaultValue(&scratch) != kQzOk) throw proxyAutoTypeCastExceptionC();
  return scratch;
}

int32_t proxyAutoTypeCastC::toInt() {
  const qzVariantS& v = scalar();
  if (v.type == kVtInt) return v.value.i;
  if (v.type != kVtFloat) throw proxyAutoTypeCastExceptionC();
  qzVariantS temp(v);
  int32_t r = 0;
  if (temp.getInt(&r) != kQzOk) throw proxyAutoTypeCastExceptionC();
  return r;
}

uint8_t proxyAutoTypeCastC::toByte() {
  const qzVariantS& v = scalar();
  if (v.type != kVtInt) throw proxyAutoTypeCastExceptionC();
  return static_cast<uint8_t>(v.value.i);
}

double proxyAutoTypeCastC::toDouble() {
  const qzVariantS& v = scalar();
  if (v.type == kVtFloat) return v.value.f;
  if (v.type != kVtInt) throw proxyAutoTypeCastExceptionC();
  return v.value.i;
}

const char* proxyAutoTypeCastC::toText() {
  const qzVariantS& v = scalar();
  if (v.type != kVtString) throw proxyAutoTypeCastExceptionC();
  return v.text();
}

qzIDispatch* proxyAutoTypeCastC::toDispatch() {
  return value.dispatch();
}

// --- proxyAutoParaListC -----------------------------------------------------------------

proxyAutoParaListC::proxyAutoParaListC(int32_t count, const qzVariantS* args)
    : count_(count > 0 && args ? count : 0), holders_(nullptr) {
  if (count_ > kInlineArguments) {
    holders_ = new proxyAutoTypeCastC[count_];
  } else if (count_) {
    holders_ = reinterpret_cast<proxyAutoTypeCastC*>(inline_);
    for (int32_t i = 0; i < count_; ++i)
      ::new (static_cast<void*>(&holders_[i])) proxyAutoTypeCastC();
  }
  for (int32_t i = 0; i < count_; ++i) holders_[i].value = args[i];
}

proxyAutoParaListC::~proxyAutoParaListC() {
  if (count_ > kInlineArguments) {
    delete[] holders_;
  } else {
    for (int32_t i = 0; i < count_; ++i) holders_[i].~proxyAutoTypeCastC();
  }
}

proxyAutoTypeCastC& proxyAutoParaListC::get(int32_t i) {
  if (i < 0 || i >= count_) throw proxyAutoTypeCastExceptionC();
  current_ = i;
  return holders_[i];
}

// --- proxyObjectC -----------------------------------------------------------------------

proxyObjectC::proxyObjectC(proxyMethodTableC* table, void* native, bool takeFirstRef)
    : qzComRefObjectC(takeFirstRef ? 1 : 0),
      externalConnection_(this),
      nativePointerPart_(this),
      native_(native ? native : this),
      table_(table) {
  ++g_liveProxies;
}

proxyObjectC::~proxyObjectC() {
  --g_liveProxies;
}

int32_t proxyObjectC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  try {
    if (qzIIDEqual(*iid, qziid::kDispatch) || qzIIDEqual(*iid, qziid::kUnknown)) {
      return handOut(static_cast<qzIDispatch*>(this), out);
    }
    if (qzIIDEqual(*iid, qziid::kExternalConnection)) return handOut(&externalConnection_, out);
    if (qzIIDEqual(*iid, qziid::kNativePointer)) return handOut(&nativePointerPart_, out);
    if (qzIIDEqual(*iid, qziid::kTypeInfo)) {
      *out = qzCreateTypeInfo(this);
      return kQzOk;
    }
  } catch (...) {
    return kQzFailed;
  }
  return kQzNoInterface;
}

int32_t proxyObjectC::AddRef() {
  return addRefCount();
}
int32_t proxyObjectC::Release() {
  return releaseCount();
}

const char* proxyObjectC::className() {
  return qzReadableTypeName(typeid(proxyObjectC*));
}
void* proxyObjectC::nativePointer() {
  return this;
}
int32_t proxyObjectC::externalNotifyA(int32_t) {
  return kQzOk;
}
int32_t proxyObjectC::externalNotifyB(int32_t, int32_t) {
  return kQzOk;
}
int32_t proxyObjectC::externalQuery(int32_t* out) {
  if (out) *out = g_externalConnectionValue;
  return kQzOk;
}

bool proxyObjectC::callByName(const char* name, int32_t kind, proxyAutoParaListC& args,
                              proxyAutoTypeCastC& result) {
  if (!table_) return false;
  for (const proxyMethodRowS* row = table_->lookup(name, kind); row && row->handler;
       row = table_->lookup(name, kind, row + 1)) {
    if (row->parameterCount != -1 && row->parameterCount != args.count()) continue;
    try {
      row->handler(native_, args, result);
      return true;
    } catch (const proxyAutoTypeCastExceptionC&) {
      // the next overload may take these arguments
    }
  }
  return false;
}

namespace {

// Copies every argument through the list (so the current index ends at the last one) and
// forwards the call to target.
bool forward(qzIDispatch* target, const char* name, int32_t kind, proxyAutoParaListC& args,
             qzVariantS* result) {
  const int32_t n = args.count();
  std::vector<qzVariantS> copies(n);
  for (int32_t i = 0; i < n; ++i) copies[i] = args.get(i).value;
  return target->invoke(name, kind, n, copies.data(), result, nullptr) == kQzOk;
}

}  // namespace

bool proxyObjectC::dispatchWithFallbacks(const char* name, int32_t kind, proxyAutoParaListC& args,
                                         proxyAutoTypeCastC& result) {
  if (callByName(name, kind, args, result)) return true;

  qzDefaultDepthGuard depth;
  if (!depth.ok()) return false;
  proxyAutoParaListC none(0, nullptr);

  if (kind == kQzMethod && callByName(name, kQzPropertyGet, none, result)) {
    qzRef<qzIDispatch> target(result.value.dispatch());
    if (target && forward(target.get(), nullptr, kQzMethod, args, &result.value)) return true;
  }
  if (callByName("", kQzMethod, none, result)) {
    qzRef<qzIDispatch> target(result.value.dispatch());
    if (target && forward(target.get(), name, kind, args, &result.value)) return true;
  }
  return false;
}

int32_t proxyObjectC::invoke(const char* name, int32_t kind, int32_t count, const qzVariantS* args,
                             qzVariantS* result, qzIUnknown** exception) {
  try {
    proxyAutoParaListC list(count, args);
    proxyAutoTypeCastC holder;
    bool handled = false;
    try {
      handled = dispatchWithFallbacks(name, kind, list, holder);
    } catch (...) {
      if (exception) *exception = currentCallException(name);
      return kQzFailed;
    }

    if (handled) {
      if (result) result->take(holder.value);
      return kQzOk;
    }
    std::string source = std::string("methode:") + (name ? name : "");
    if (list.currentIndex() != -1) {
      source += "(Para:" + std::to_string(list.currentIndex() + 1) + ")";
    }
    if (exception)
      *exception = qzCreateCallException(source.c_str(), "Object call failed", nullptr);
    return kQzFailed;
  } catch (...) {
    // Out of memory while reporting: the status still says the call failed.
    return kQzFailed;
  }
}

qzIUnknown* proxyObjectC::currentCallException(const char* name) {
  std::string source;
  std::string message;
  qzRef<qzIUnknown> inner;
  try {
    throw;
  } catch (const proxyExecuteExceptionC& e) {
    message = e.message();
    source = e.source();
  } catch (const proxyExecuteComExceptionC& e) {
    inner = qzRef<qzIUnknown>::share(e.error());
  } catch (...) {
    message = "unhandle exception";
  }
  if (source.empty()) source = std::string("methode:") + (name ? name : "");
  if (message.empty()) message = "Object call failed";
  return qzCreateCallException(source.c_str(), message.c_str(), inner.get());
}

// --- the nested parts -------------------------------------------------------------------

int32_t proxyObjectC::externalConnectionC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qziid::kExternalConnection)) {
    return handOut(this, out);
  }
  return kQzNoInterface;
}
int32_t proxyObjectC::externalConnectionC::addConnection(int32_t arg) {
  return owner_->externalNotifyA(arg);
}
int32_t proxyObjectC::externalConnectionC::releaseConnection(int32_t arg, int32_t arg2) {
  return owner_->externalNotifyB(arg, arg2);
}
int32_t proxyObjectC::externalConnectionC::queryConnection(int32_t* out) {
  return owner_->externalQuery(out);
}

int32_t proxyObjectC::nativePointerC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qziid::kNativePointer)) {
    return handOut(this, out);
  }
  return kQzNoInterface;
}
int32_t proxyObjectC::nativePointerC::getThreadId(uint32_t* out) {
  if (out) *out = qz::platform::currentThreadId();
  return kQzOk;
}
int32_t proxyObjectC::nativePointerC::getNativePointer(void** out) {
  if (out) *out = owner_->nativePointer();
  return kQzOk;
}
int32_t proxyObjectC::nativePointerC::queryNative(int32_t) {
  return 1;
}
int32_t proxyObjectC::nativePointerC::getClassName(qzVariantS* out) {
  if (!out) return kQzFailed;
  try {
    out->setString(owner_->className());
  } catch (...) {
    return kQzFailed;
  }
  return kQzOk;
}
