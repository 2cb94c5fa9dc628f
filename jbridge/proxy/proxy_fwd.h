// The Java classes that have proxies, declared; for headers that only name them.
#pragma once

#include <type_traits>

// Every proxy class with a member table, as (package, class). Each has its factory registered
// under its Java class name, which is how helper::catchAndThrow finds the proxy to throw for a
// Java exception (registry.cpp).
#define QZ_JAVA_CLASSES(X)    \
  X(lang, Object)             \
  X(io, Serializable)         \
  X(lang, CharSequence)       \
  X(lang, Comparable)         \
  X(lang, Cloneable)          \
  X(lang, String)             \
  X(lang, Class)              \
  X(lang, Throwable)          \
  X(lang, Exception)          \
  X(util, Collection)         \
  X(util, List)               \
  X(util, AbstractCollection) \
  X(util, AbstractList)       \
  X(util, RandomAccess)       \
  X(util, Enumeration)        \
  X(util, Date)               \
  X(util, Vector)             \
  X(sql, DriverManager)       \
  X(sql, Connection)          \
  X(sql, Statement)           \
  X(sql, PreparedStatement)   \
  X(sql, ResultSet)           \
  X(sql, ResultSetMetaData)   \
  X(sql, DatabaseMetaData)    \
  X(sql, SQLException)        \
  X(sql, Date)                \
  X(sql, Time)                \
  X(sql, Timestamp)

#define QZ_J_DECLARE_CLASS(pkg, Class)  \
  namespace jbridge::proxy::java::pkg { \
  class Class;                          \
  }
QZ_JAVA_CLASSES(QZ_J_DECLARE_CLASS)
#undef QZ_J_DECLARE_CLASS

namespace jbridge::proxy::java::lang {
// Declared only: a thrown one arrives as its nearest registered ancestor, Exception.
class ClassNotFoundException;
}  // namespace jbridge::proxy::java::lang

namespace jbridge::proxy {

#define QZ_J_IS(pkg, Class) || std::is_same_v<T, java::pkg::Class>
template <class T>
inline constexpr bool kRegistered = false QZ_JAVA_CLASSES(QZ_J_IS);
#undef QZ_J_IS

}  // namespace jbridge::proxy
