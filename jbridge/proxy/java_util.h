// The java.util proxies: the collection types that Vector brings with it, Enumeration and Date.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::util {

// The members of java.util.Collection that AbstractCollection declares again.
#define QZ_J_COLLECTION_OPERATIONS(_, METHOD)                      \
  METHOD(_, JInt, size, ())                                        \
  METHOD(_, JBoolean, isEmpty, ())                                 \
  METHOD(_, JBoolean, contains, (lang::Object))                    \
  METHOD(_, JArray<lang::Object>, toArray, ())                     \
  METHOD(_, JArray<lang::Object>, toArray, (JArray<lang::Object>)) \
  METHOD(_, JBoolean, add, (lang::Object))                         \
  METHOD(_, JBoolean, remove, (lang::Object))                      \
  METHOD(_, JBoolean, containsAll, (Collection))                   \
  METHOD(_, JBoolean, addAll, (Collection))                        \
  METHOD(_, JBoolean, removeAll, (Collection))                     \
  METHOD(_, JBoolean, retainAll, (Collection))                     \
  METHOD(_, void, clear, ())

// java.util.Collection.
#define QZ_JAVA_util_Collection(_, CONST, METHOD, STATIC, NEW) \
  QZ_J_COLLECTION_OPERATIONS(_, METHOD)                        \
  METHOD(_, JBoolean, equals, (lang::Object))                  \
  METHOD(_, JInt, hashCode, ())
class Collection : public virtual lang::Object {
  JBRIDGE_PROXY(util, Collection)
};

// java.util.List: it declares again every member of Collection, and these.
#define QZ_JAVA_util_List(_, CONST, METHOD, STATIC, NEW)           \
  QZ_JAVA_util_Collection(_, CONST, METHOD, STATIC, NEW)           \
  METHOD(_, JBoolean, addAll, (JInt, Collection))                  \
  METHOD(_, lang::Object, get, (JInt))                             \
  METHOD(_, lang::Object, set, (JInt, lang::Object))               \
  METHOD(_, void, add, (JInt, lang::Object))                       \
  METHOD(_, lang::Object, remove, (JInt))                          \
  METHOD(_, JInt, indexOf, (lang::Object))                         \
  METHOD(_, JInt, lastIndexOf, (lang::Object))                     \
  METHOD(_, List, subList, (JInt, JInt))
class List : public virtual Collection {
  JBRIDGE_PROXY(util, List)
};

// java.util.AbstractCollection.
#define QZ_JAVA_util_AbstractCollection(_, CONST, METHOD, STATIC, NEW) \
  QZ_J_COLLECTION_OPERATIONS(_, METHOD)                                \
  METHOD(_, lang::String, toString, ())
class AbstractCollection : public virtual Collection {
  JBRIDGE_PROXY(util, AbstractCollection)
};

// java.util.AbstractList.
#define QZ_JAVA_util_AbstractList(_, CONST, METHOD, STATIC, NEW) \
  METHOD(_, JBoolean, add, (lang::Object))                       \
  METHOD(_, lang::Object, get, (JInt))                           \
  METHOD(_, lang::Object, set, (JInt, lang::Object))             \
  METHOD(_, void, add, (JInt, lang::Object))                     \
  METHOD(_, lang::Object, remove, (JInt))                        \
  METHOD(_, JInt, indexOf, (lang::Object))                       \
  METHOD(_, JInt, lastIndexOf, (lang::Object))                   \
  METHOD(_, void, clear, ())                                     \
  METHOD(_, JBoolean, addAll, (JInt, Collection))                \
  METHOD(_, List, subList, (JInt, JInt))                         \
  METHOD(_, JBoolean, equals, (lang::Object))                    \
  METHOD(_, JInt, hashCode, ())                                  \
  METHOD(_, JBoolean, addAll, (Collection))                      \
  METHOD(_, JBoolean, contains, (lang::Object))                  \
  METHOD(_, JBoolean, containsAll, (Collection))                 \
  METHOD(_, JBoolean, isEmpty, ())                               \
  METHOD(_, JBoolean, remove, (lang::Object))                    \
  METHOD(_, JBoolean, removeAll, (Collection))                   \
  METHOD(_, JBoolean, retainAll, (Collection))                   \
  METHOD(_, JInt, size, ())                                      \
  METHOD(_, JArray<lang::Object>, toArray, ())                   \
  METHOD(_, JArray<lang::Object>, toArray, (JArray<lang::Object>))
class AbstractList : public virtual AbstractCollection, public virtual List {
  JBRIDGE_PROXY(util, AbstractList)
};

// java.util.RandomAccess.
#define QZ_JAVA_util_RandomAccess(_, CONST, METHOD, STATIC, NEW)
class RandomAccess : public virtual lang::Object {
  JBRIDGE_PROXY(util, RandomAccess)
};

// java.util.Enumeration.
#define QZ_JAVA_util_Enumeration(_, CONST, METHOD, STATIC, NEW) \
  METHOD(_, JBoolean, hasMoreElements, ())                      \
  METHOD(_, lang::Object, nextElement, ())
class Enumeration : public virtual lang::Object {
  JBRIDGE_PROXY(util, Enumeration)
};

// The accessors of java.util.Date for the day, which java.sql.Time declares again.
#define QZ_J_DATE_DAY(_, METHOD)    \
  METHOD(_, JInt, getYear, ())      \
  METHOD(_, void, setYear, (JInt))  \
  METHOD(_, JInt, getMonth, ())     \
  METHOD(_, void, setMonth, (JInt)) \
  METHOD(_, JInt, getDate, ())      \
  METHOD(_, void, setDate, (JInt))  \
  METHOD(_, JInt, getDay, ())

// The accessors of java.util.Date for the time of day, which java.sql.Date declares again.
#define QZ_J_DATE_TIME_OF_DAY(_, METHOD) \
  METHOD(_, JInt, getHours, ())          \
  METHOD(_, void, setHours, (JInt))      \
  METHOD(_, JInt, getMinutes, ())        \
  METHOD(_, void, setMinutes, (JInt))    \
  METHOD(_, JInt, getSeconds, ())        \
  METHOD(_, void, setSeconds, (JInt))

// java.util.Date.
#define QZ_JAVA_util_Date(_, CONST, METHOD, STATIC, NEW)      \
  NEW(_, ())                                                  \
  NEW(_, (JLong))                                             \
  NEW(_, (JInt, JInt, JInt))                                  \
  NEW(_, (JInt, JInt, JInt, JInt, JInt))                      \
  NEW(_, (JInt, JInt, JInt, JInt, JInt, JInt))                \
  NEW(_, (lang::String))                                      \
  METHOD(_, lang::Object, clone, ())                          \
  STATIC(_, JLong, UTC, (JInt, JInt, JInt, JInt, JInt, JInt)) \
  STATIC(_, JLong, parse, (lang::String))                     \
  QZ_J_DATE_DAY(_, METHOD)                                    \
  QZ_J_DATE_TIME_OF_DAY(_, METHOD)                            \
  METHOD(_, JLong, getTime, ())                               \
  METHOD(_, void, setTime, (JLong))                           \
  METHOD(_, JBoolean, before, (Date))                         \
  METHOD(_, JBoolean, after, (Date))                          \
  METHOD(_, JBoolean, equals, (lang::Object))                 \
  METHOD(_, JInt, compareTo, (Date))                          \
  METHOD(_, JInt, hashCode, ())                               \
  METHOD(_, lang::String, toString, ())                       \
  METHOD(_, lang::String, toLocaleString, ())                 \
  METHOD(_, lang::String, toGMTString, ())                    \
  METHOD(_, JInt, getTimezoneOffset, ())
class Date : public virtual io::Serializable,
             public virtual lang::Cloneable,
             public virtual lang::Comparable {
  JBRIDGE_PROXY(util, Date)
  using lang::Comparable::compareTo;
};

// java.util.Vector.
#define QZ_JAVA_util_Vector(_, CONST, METHOD, STATIC, NEW)         \
  NEW(_, ())                                                       \
  NEW(_, (JInt, JInt))                                             \
  NEW(_, (JInt))                                                   \
  METHOD(_, void, copyInto, (JArray<lang::Object>))                \
  METHOD(_, void, trimToSize, ())                                  \
  METHOD(_, void, ensureCapacity, (JInt))                          \
  METHOD(_, void, setSize, (JInt))                                 \
  METHOD(_, JInt, capacity, ())                                    \
  METHOD(_, JInt, size, ())                                        \
  METHOD(_, JBoolean, isEmpty, ())                                 \
  METHOD(_, Enumeration, elements, ())                             \
  METHOD(_, JBoolean, contains, (lang::Object))                    \
  METHOD(_, JInt, indexOf, (lang::Object))                         \
  METHOD(_, JInt, indexOf, (lang::Object, JInt))                   \
  METHOD(_, JInt, lastIndexOf, (lang::Object))                     \
  METHOD(_, JInt, lastIndexOf, (lang::Object, JInt))               \
  METHOD(_, lang::Object, elementAt, (JInt))                       \
  METHOD(_, lang::Object, firstElement, ())                        \
  METHOD(_, lang::Object, lastElement, ())                         \
  METHOD(_, void, setElementAt, (lang::Object, JInt))              \
  METHOD(_, void, removeElementAt, (JInt))                         \
  METHOD(_, void, insertElementAt, (lang::Object, JInt))           \
  METHOD(_, void, addElement, (lang::Object))                      \
  METHOD(_, JBoolean, removeElement, (lang::Object))               \
  METHOD(_, void, removeAllElements, ())                           \
  METHOD(_, lang::Object, clone, ())                               \
  METHOD(_, JArray<lang::Object>, toArray, ())                     \
  METHOD(_, JArray<lang::Object>, toArray, (JArray<lang::Object>)) \
  METHOD(_, lang::Object, get, (JInt))                             \
  METHOD(_, lang::Object, set, (JInt, lang::Object))               \
  METHOD(_, JBoolean, add, (lang::Object))                         \
  METHOD(_, JBoolean, remove, (lang::Object))                      \
  METHOD(_, void, add, (JInt, lang::Object))                       \
  METHOD(_, lang::Object, remove, (JInt))                          \
  METHOD(_, void, clear, ())                                       \
  METHOD(_, JBoolean, containsAll, (Collection))                   \
  METHOD(_, JBoolean, addAll, (Collection))                        \
  METHOD(_, JBoolean, removeAll, (Collection))                     \
  METHOD(_, JBoolean, retainAll, (Collection))                     \
  METHOD(_, JBoolean, addAll, (JInt, Collection))                  \
  METHOD(_, JBoolean, equals, (lang::Object))                      \
  METHOD(_, JInt, hashCode, ())                                    \
  METHOD(_, lang::String, toString, ())                            \
  METHOD(_, List, subList, (JInt, JInt))
class Vector : public virtual AbstractList,
               public virtual RandomAccess,
               public virtual lang::Cloneable,
               public virtual io::Serializable {
  JBRIDGE_PROXY(util, Vector)
};

}  // namespace jbridge::proxy::java::util
