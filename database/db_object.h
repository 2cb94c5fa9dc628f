// Small pieces every database object uses: the object base with its one native interface,
// member adapters for method tables, handing out interfaces, the QZCOM_JDBC_DEBUG trace,
// symbol-reference resolution and searching text ignoring case.
//
// Thread rule: none of these keep state; the trace switch is read on every use.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <typeinfo>

#include "interfaces/qzcom.h"
#include "object/proxy_object.h"
#include "variant/variant.h"

// The type of a scriptable member: a class declares its members of the method table as
// `dbScriptFn scriptA, scriptB;` and defines each as
// `void T::scriptA(proxyAutoParaListC& args, proxyAutoTypeCastC& result)`.
using dbScriptFn = void(proxyAutoParaListC& args, proxyAutoTypeCastC& result);

template <class>
struct dbMemberClass;
template <class T>
struct dbMemberClass<void (T::*)(proxyAutoParaListC&, proxyAutoTypeCastC&)> {
  using type = T;
};

// Adapts `void T::m(proxyAutoParaListC&, proxyAutoTypeCastC&)` to a row handler. The object
// model hands handlers the proxyObjectC part of the object, which for a class with several
// bases need not sit at the address of the T, so the cast goes through proxyObjectC.
template <auto M>
void dbMember(void* native, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  using T = typename dbMemberClass<decltype(M)>::type;
  (static_cast<T*>(static_cast<proxyObjectC*>(native))->*M)(args, result);
}

// Method-table rows for a scriptable member M: a method taking parameterCount arguments, a
// property read (no argument) or a property write (the value).
template <auto M>
constexpr proxyMethodRowS dbMethod(const char* name, int32_t parameterCount) {
  return {name, kQzMethod, parameterCount, &dbMember<M>};
}
template <auto M>
constexpr proxyMethodRowS dbGet(const char* name) {
  return {name, kQzPropertyGet, 0, &dbMember<M>};
}
template <auto M>
constexpr proxyMethodRowS dbPut(const char* name) {
  return {name, kQzPropertyPut, 1, &dbMember<M>};
}

// The method table of Owner, built (the rows copied) on first use: rows, found before
// baseRows, those of the layer Owner builds on.
template <class Owner>
proxyMethodTableC* dbTable(std::initializer_list<proxyMethodRowS> rows,
                           std::initializer_list<proxyMethodRowS> baseRows = {}) {
  struct Built : proxyMethodTableC {
    Built(std::initializer_list<proxyMethodRowS> own, std::initializer_list<proxyMethodRowS> base) {
      add(base.begin(), base.size());
      add(own.begin(), own.size());  // added last, found first
    }
  };
  static Built table(rows, baseRows);
  return &table;
}

// Stores p in *out with a new reference; 0.
inline int32_t dbHandOut(qzIUnknown* p, void** out) {
  p->AddRef();
  *out = p;
  return kQzOk;
}

// A database object: a scriptable object (Base is proxyObjectC or a layer above it) that also
// offers the native interface I under the id kIid. QueryInterface hands out I for kIid and asks
// Base for the rest; references count on the proxyObjectC part; className is Derived's
// readable name.
template <class Derived, class Base, class I, const qzIIDS& kIid>
class dbObjectT : public Base, public I {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, kIid)) return dbHandOut(static_cast<I*>(this), out);
    return Base::QueryInterface(iid, out);
  }
  int32_t AddRef() override { return proxyObjectC::AddRef(); }
  int32_t Release() override { return proxyObjectC::Release(); }
  const char* className() override { return qzReadableTypeName(typeid(Derived)); }

 protected:
  using Base::Base;
};

// True when QZCOM_JDBC_DEBUG is set, to any value (the empty one included).
bool dbDebugEnabled();
// printf to standard output when the trace is on; flushed so that lines keep their order with
// whatever else the process writes.
void dbTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces a symbol reference ("QZSCR.SYMBOLREF") by the value it stands for, as often as the
// value is again a reference. A chain longer than kMaxSymbolRefDepth (a reference to itself,
// say) ends there with an empty variant rather than looping for ever.
void dbResolveSymbolRefs(qzVariantS& value);
inline constexpr int kMaxSymbolRefDepth = 64;

// Position of the first occurrence of needle in text, ignoring ASCII case; -1 when none.
long dbFindIgnoringCase(const std::string& text, const char* needle);
