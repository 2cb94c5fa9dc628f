// The java.util proxies: the collection types that Vector brings with it, Enumeration and Date.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::util {

// java.util.Collection.
class Collection : public virtual lang::Object {
  JBRIDGE_PROXY(Collection, "java/util/Collection")

  JInt size() const;
  JBoolean isEmpty() const;
  JBoolean contains(const lang::Object& o) const;
  JArray<lang::Object> toArray() const;
  JArray<lang::Object> toArray(const JArray<lang::Object>& a) const;
  JBoolean add(const lang::Object& e) const;
  JBoolean remove(const lang::Object& o) const;
  JBoolean containsAll(const Collection& c) const;
  JBoolean addAll(const Collection& c) const;
  JBoolean removeAll(const Collection& c) const;
  JBoolean retainAll(const Collection& c) const;
  void clear() const;
  JBoolean equals(const lang::Object& o) const;
  JInt hashCode() const;
};

// java.util.List.
class List : public virtual Collection {
  JBRIDGE_PROXY(List, "java/util/List")

  JInt size() const;
  JBoolean isEmpty() const;
  JBoolean contains(const lang::Object& o) const;
  JArray<lang::Object> toArray() const;
  JArray<lang::Object> toArray(const JArray<lang::Object>& a) const;
  JBoolean add(const lang::Object& e) const;
  JBoolean remove(const lang::Object& o) const;
  JBoolean containsAll(const Collection& c) const;
  JBoolean addAll(const Collection& c) const;
  JBoolean addAll(JInt index, const Collection& c) const;
  JBoolean removeAll(const Collection& c) const;
  JBoolean retainAll(const Collection& c) const;
  void clear() const;
  JBoolean equals(const lang::Object& o) const;
  JInt hashCode() const;
  lang::Object get(JInt index) const;
  lang::Object set(JInt index, const lang::Object& element) const;
  void add(JInt index, const lang::Object& element) const;
  lang::Object remove(JInt index) const;
  JInt indexOf(const lang::Object& o) const;
  JInt lastIndexOf(const lang::Object& o) const;
  List subList(JInt fromIndex, JInt toIndex) const;
};

// java.util.AbstractCollection.
class AbstractCollection : public virtual Collection {
  JBRIDGE_PROXY(AbstractCollection, "java/util/AbstractCollection")

  JInt size() const;
  JBoolean isEmpty() const;
  JBoolean contains(const lang::Object& o) const;
  JArray<lang::Object> toArray() const;
  JArray<lang::Object> toArray(const JArray<lang::Object>& a) const;
  JBoolean add(const lang::Object& e) const;
  JBoolean remove(const lang::Object& o) const;
  JBoolean containsAll(const Collection& c) const;
  JBoolean addAll(const Collection& c) const;
  JBoolean removeAll(const Collection& c) const;
  JBoolean retainAll(const Collection& c) const;
  void clear() const;
  lang::String toString() const;
};

// java.util.AbstractList.
class AbstractList : public virtual AbstractCollection, public virtual List {
  JBRIDGE_PROXY(AbstractList, "java/util/AbstractList")

  JBoolean add(const lang::Object& e) const;
  lang::Object get(JInt index) const;
  lang::Object set(JInt index, const lang::Object& element) const;
  void add(JInt index, const lang::Object& element) const;
  lang::Object remove(JInt index) const;
  JInt indexOf(const lang::Object& o) const;
  JInt lastIndexOf(const lang::Object& o) const;
  void clear() const;
  JBoolean addAll(JInt index, const Collection& c) const;
  List subList(JInt fromIndex, JInt toIndex) const;
  JBoolean equals(const lang::Object& o) const;
  JInt hashCode() const;
  JBoolean addAll(const Collection& c) const;
  JBoolean contains(const lang::Object& o) const;
  JBoolean containsAll(const Collection& c) const;
  JBoolean isEmpty() const;
  JBoolean remove(const lang::Object& o) const;
  JBoolean removeAll(const Collection& c) const;
  JBoolean retainAll(const Collection& c) const;
  JInt size() const;
  JArray<lang::Object> toArray() const;
  JArray<lang::Object> toArray(const JArray<lang::Object>& a) const;
};

// java.util.RandomAccess.
class RandomAccess : public virtual lang::Object {
  JBRIDGE_PROXY(RandomAccess, "java/util/RandomAccess")
};

// java.util.Enumeration.
class Enumeration : public virtual lang::Object {
  JBRIDGE_PROXY(Enumeration, "java/util/Enumeration")

  JBoolean hasMoreElements() const;
  lang::Object nextElement() const;
};

// java.util.Date.
class Date : public virtual io::Serializable,
             public virtual lang::Cloneable,
             public virtual lang::Comparable {
  JBRIDGE_PROXY(Date, "java/util/Date")

  explicit Date(NewObject);
  explicit Date(JLong date);
  Date(JInt year, JInt month, JInt date);
  Date(JInt year, JInt month, JInt date, JInt hrs, JInt min);
  Date(JInt year, JInt month, JInt date, JInt hrs, JInt min, JInt sec);
  explicit Date(const lang::String& s);

  lang::Object clone() const;
  static JLong UTC(JInt year, JInt month, JInt date, JInt hrs, JInt min, JInt sec);
  static JLong parse(const lang::String& s);
  JInt getYear() const;
  void setYear(JInt year) const;
  JInt getMonth() const;
  void setMonth(JInt month) const;
  JInt getDate() const;
  void setDate(JInt date) const;
  JInt getDay() const;
  JInt getHours() const;
  void setHours(JInt hours) const;
  JInt getMinutes() const;
  void setMinutes(JInt minutes) const;
  JInt getSeconds() const;
  void setSeconds(JInt seconds) const;
  JLong getTime() const;
  void setTime(JLong time) const;
  JBoolean before(const Date& when) const;
  JBoolean after(const Date& when) const;
  JBoolean equals(const lang::Object& obj) const;
  JInt compareTo(const Date& anotherDate) const;
  JInt hashCode() const;
  lang::String toString() const;
  lang::String toLocaleString() const;
  lang::String toGMTString() const;
  JInt getTimezoneOffset() const;

  using lang::Comparable::compareTo;
};

// java.util.Vector.
class Vector : public virtual AbstractList,
               public virtual RandomAccess,
               public virtual lang::Cloneable,
               public virtual io::Serializable {
  JBRIDGE_PROXY(Vector, "java/util/Vector")

  explicit Vector(NewObject);
  Vector(JInt initialCapacity, JInt capacityIncrement);
  explicit Vector(JInt initialCapacity);

  void copyInto(const JArray<lang::Object>& anArray) const;
  void trimToSize() const;
  void ensureCapacity(JInt minCapacity) const;
  void setSize(JInt newSize) const;
  JInt capacity() const;
  JInt size() const;
  JBoolean isEmpty() const;
  Enumeration elements() const;
  JBoolean contains(const lang::Object& o) const;
  JInt indexOf(const lang::Object& o) const;
  JInt indexOf(const lang::Object& o, JInt index) const;
  JInt lastIndexOf(const lang::Object& o) const;
  JInt lastIndexOf(const lang::Object& o, JInt index) const;
  lang::Object elementAt(JInt index) const;
  lang::Object firstElement() const;
  lang::Object lastElement() const;
  void setElementAt(const lang::Object& obj, JInt index) const;
  void removeElementAt(JInt index) const;
  void insertElementAt(const lang::Object& obj, JInt index) const;
  void addElement(const lang::Object& obj) const;
  JBoolean removeElement(const lang::Object& obj) const;
  void removeAllElements() const;
  lang::Object clone() const;
  JArray<lang::Object> toArray() const;
  JArray<lang::Object> toArray(const JArray<lang::Object>& a) const;
  lang::Object get(JInt index) const;
  lang::Object set(JInt index, const lang::Object& element) const;
  JBoolean add(const lang::Object& e) const;
  JBoolean remove(const lang::Object& o) const;
  void add(JInt index, const lang::Object& element) const;
  lang::Object remove(JInt index) const;
  void clear() const;
  JBoolean containsAll(const Collection& c) const;
  JBoolean addAll(const Collection& c) const;
  JBoolean removeAll(const Collection& c) const;
  JBoolean retainAll(const Collection& c) const;
  JBoolean addAll(JInt index, const Collection& c) const;
  JBoolean equals(const lang::Object& o) const;
  JInt hashCode() const;
  lang::String toString() const;
  List subList(JInt fromIndex, JInt toIndex) const;
};

}  // namespace jbridge::proxy::java::util
