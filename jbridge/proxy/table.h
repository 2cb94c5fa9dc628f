// Proxy members from tables.
//
// Each proxy class `java::<pkg>::<Class>` has one table, the macro
// `QZ_JAVA_<pkg>_<Class>(_, CONST, METHOD, STATIC, NEW)`, one line per member as Java declares it:
//
//   CONST(_, JInt, TYPE_FORWARD_ONLY)            static final int TYPE_FORWARD_ONLY
//   METHOD(_, lang::String, getString, (JInt))   String getString(int)
//   STATIC(_, Connection, getConnection, (lang::String, lang::String, lang::String))
//   NEW(_, (JInt))                               a constructor; NEW(_, ()) takes kNewObject
//
// A table may begin with the table of an interface whose members the Java type declares again
// (java.util.List those of Collection), expanded in place with the same arguments.
//
// `_` stands for the class; the expanders below receive it as `(pkg, Class)`. The C++ name is
// the Java name. Types are written as in the class's own scope; object parameters are passed by
// const reference, primitives by value. The JNI signature of each line follows from its types
// at compile time (signature.h). A wrong line still compiles; the member list (JFactory::members)
// lets a test find it by looking every member up in the VM.
//
// The table is expanded three times: into declarations in the class (JBRIDGE_PROXY), and into
// the definitions and the member list of the class (QZ_JAVA_DEFINE, in members.cpp). The one
// list of classes, QZ_JAVA_CLASSES in proxy_fwd.h, drives both the definitions and the factory
// registry (registry.cpp): a class is either complete and registered or has no members at all.
#pragma once

#include <iterator>
#include <span>

#include "jbridge/jfactory.h"
#include "jbridge/jmethod.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy {

// How a table's parameter type is passed.
template <class T>
struct JArgOf {
  using type = const T&;
};
#define QZ_J_BY_VALUE(T)    \
  template <>               \
  struct JArgOf<types::T> { \
    using type = types::T;  \
  };
QZ_J_BY_VALUE(JBoolean)
QZ_J_BY_VALUE(JByte)
QZ_J_BY_VALUE(JChar)
QZ_J_BY_VALUE(JShort)
QZ_J_BY_VALUE(JInt)
QZ_J_BY_VALUE(JLong)
QZ_J_BY_VALUE(JFloat)
QZ_J_BY_VALUE(JDouble)
#undef QZ_J_BY_VALUE
template <class T>
using JArg = typename JArgOf<T>::type;

}  // namespace jbridge::proxy

#define QZ_J_CAT(a, b) QZ_J_CAT_(a, b)
#define QZ_J_CAT_(a, b) a##b
#define QZ_J_FIRST(a, ...) a
#define QZ_J_CLASS(pkg, Class) ::jbridge::proxy::java::pkg::Class
#define QZ_J_NAME(pkg, Class) Class

// Parameters a1, a2, ... of the types of a table line, and the names alone.
#define QZ_J_COUNT(...) QZ_J_COUNT_(__VA_OPT__(__VA_ARGS__, ) 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define QZ_J_COUNT_(t1, t2, t3, t4, t5, t6, t7, t8, n, ...) n
#define QZ_J_PARAMS(...) QZ_J_CAT(QZ_J_PARAMS_, QZ_J_COUNT(__VA_ARGS__))(__VA_ARGS__)
#define QZ_J_P(T, n) ::jbridge::proxy::JArg<T> a##n
#define QZ_J_PARAMS_0()
#define QZ_J_PARAMS_1(A) QZ_J_P(A, 1)
#define QZ_J_PARAMS_2(A, B) QZ_J_PARAMS_1(A), QZ_J_P(B, 2)
#define QZ_J_PARAMS_3(A, B, C) QZ_J_PARAMS_2(A, B), QZ_J_P(C, 3)
#define QZ_J_PARAMS_4(A, B, C, D) QZ_J_PARAMS_3(A, B, C), QZ_J_P(D, 4)
#define QZ_J_PARAMS_5(A, B, C, D, E) QZ_J_PARAMS_4(A, B, C, D), QZ_J_P(E, 5)
#define QZ_J_PARAMS_6(A, B, C, D, E, F) QZ_J_PARAMS_5(A, B, C, D, E), QZ_J_P(F, 6)
#define QZ_J_PARAMS_7(A, B, C, D, E, F, G) QZ_J_PARAMS_6(A, B, C, D, E, F), QZ_J_P(G, 7)
#define QZ_J_PARAMS_8(A, B, C, D, E, F, G, H) QZ_J_PARAMS_7(A, B, C, D, E, F, G), QZ_J_P(H, 8)
#define QZ_J_ARGS(...) QZ_J_CAT(QZ_J_ARGS_, QZ_J_COUNT(__VA_ARGS__))
#define QZ_J_ARGS_0
#define QZ_J_ARGS_1 a1
#define QZ_J_ARGS_2 a1, a2
#define QZ_J_ARGS_3 a1, a2, a3
#define QZ_J_ARGS_4 a1, a2, a3, a4
#define QZ_J_ARGS_5 a1, a2, a3, a4, a5
#define QZ_J_ARGS_6 a1, a2, a3, a4, a5, a6
#define QZ_J_ARGS_7 a1, a2, a3, a4, a5, a6, a7
#define QZ_J_ARGS_8 a1, a2, a3, a4, a5, a6, a7, a8
#define QZ_J_THIS_ARGS(...) this __VA_OPT__(, QZ_J_ARGS(__VA_ARGS__))
// A Java constructor without arguments is the C++ constructor taking kNewObject, since the
// default constructor makes the null proxy.
#define QZ_J_NEW_PARAMS(...) QZ_J_FIRST(__VA_OPT__(QZ_J_PARAMS, ) QZ_J_NEW_TAG)(__VA_ARGS__)
#define QZ_J_NEW_TAG() ::jbridge::proxy::NewObject

// Declarations, in the class.
#define QZ_J_DECLARE_CONST(C, R, name) static R name();
#define QZ_J_DECLARE_METHOD(C, R, name, args) R name(QZ_J_PARAMS args) const;
#define QZ_J_DECLARE_STATIC(C, R, name, args) static R name(QZ_J_PARAMS args);
#define QZ_J_DECLARE_NEW(C, args) explicit QZ_J_NAME C(QZ_J_NEW_PARAMS args);

// Definitions. Result types come last, so that they are read in the class's scope as in the
// declarations.
#define QZ_J_DEFINE_CONST(C, R, name)                              \
  auto QZ_J_CLASS C::name()->R {                                   \
    return ::jbridge::call::staticField<QZ_J_CLASS C, R, #name>(); \
  }
#define QZ_J_DEFINE_METHOD(C, R, name, args)                       \
  auto QZ_J_CLASS C::name(QZ_J_PARAMS args) const->R {             \
    return ::jbridge::call::method<R, #name>(QZ_J_THIS_ARGS args); \
  }
#define QZ_J_DEFINE_STATIC(C, R, name, args)                                      \
  auto QZ_J_CLASS C::name(QZ_J_PARAMS args)->R {                                  \
    return ::jbridge::call::staticMethod<QZ_J_CLASS C, R, #name>(QZ_J_ARGS args); \
  }
#define QZ_J_DEFINE_NEW(C, args)                  \
  QZ_J_CLASS C::QZ_J_NAME C(QZ_J_NEW_PARAMS args) \
      : JniRoot(::jbridge::call::construct<QZ_J_CLASS C>(QZ_J_ARGS args).get()) {}

// The member list, for checking the table against the VM.
#define QZ_J_MEMBER_CONST(C, R, name) \
  {#name, R::kJniSignature.c_str(), &::jbridge::call::resolveStaticField<QZ_J_CLASS C, R, #name>},
#define QZ_J_MEMBER_METHOD(C, R, name, args)                   \
  {#name, ::jbridge::call::Member<R args>::kSignature.c_str(), \
   &::jbridge::call::Member<R args>::resolveMethod<QZ_J_CLASS C, #name, false>},
#define QZ_J_MEMBER_STATIC(C, R, name, args)                   \
  {#name, ::jbridge::call::Member<R args>::kSignature.c_str(), \
   &::jbridge::call::Member<R args>::resolveMethod<QZ_J_CLASS C, #name, true>},
#define QZ_J_MEMBER_NEW(C, args)                                     \
  {"<init>", ::jbridge::call::Member<void args>::kSignature.c_str(), \
   &::jbridge::call::Member<void args>::resolveConstructor<QZ_J_CLASS C>},

#define QZ_J_TABLE(pkg, Class, how)                                              \
  QZ_JAVA_##pkg##_##Class((pkg, Class), QZ_J_##how##_CONST, QZ_J_##how##_METHOD, \
                          QZ_J_##how##_STATIC, QZ_J_##how##_NEW)

// The members of proxy class java::pkg::Class, defined.
#define QZ_JAVA_DEFINE(pkg, Class)                                                   \
  static_assert(::jbridge::proxy::kRegistered<QZ_J_CLASS(pkg, Class)>,               \
                "java::" #pkg "::" #Class " is missing from QZ_JAVA_CLASSES");       \
  QZ_J_TABLE(pkg, Class, DEFINE)                                                     \
  auto QZ_J_CLASS(pkg, Class)::jniMembers()->std::span<const ::jbridge::JMember> {   \
    static const ::jbridge::JMember kMembers[] = {QZ_J_TABLE(pkg, Class, MEMBER){}}; \
    return {kMembers, std::size(kMembers) - 1};                                      \
  }
