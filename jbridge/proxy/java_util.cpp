#include "jbridge/proxy/java_util.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::util {

JInt Collection::size() const {
  return call::method<JInt, "size">(this);
}
JBoolean Collection::isEmpty() const {
  return call::method<JBoolean, "isEmpty">(this);
}
JBoolean Collection::contains(const lang::Object& o) const {
  return call::method<JBoolean, "contains">(this, o);
}
JArray<lang::Object> Collection::toArray() const {
  return call::method<JArray<lang::Object>, "toArray">(this);
}
JArray<lang::Object> Collection::toArray(const JArray<lang::Object>& a) const {
  return call::method<JArray<lang::Object>, "toArray">(this, a);
}
JBoolean Collection::add(const lang::Object& e) const {
  return call::method<JBoolean, "add">(this, e);
}
JBoolean Collection::remove(const lang::Object& o) const {
  return call::method<JBoolean, "remove">(this, o);
}
JBoolean Collection::containsAll(const Collection& c) const {
  return call::method<JBoolean, "containsAll">(this, c);
}
JBoolean Collection::addAll(const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, c);
}
JBoolean Collection::removeAll(const Collection& c) const {
  return call::method<JBoolean, "removeAll">(this, c);
}
JBoolean Collection::retainAll(const Collection& c) const {
  return call::method<JBoolean, "retainAll">(this, c);
}
void Collection::clear() const {
  call::method<void, "clear">(this);
}
JBoolean Collection::equals(const lang::Object& o) const {
  return call::method<JBoolean, "equals">(this, o);
}
JInt Collection::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}

JInt List::size() const {
  return call::method<JInt, "size">(this);
}
JBoolean List::isEmpty() const {
  return call::method<JBoolean, "isEmpty">(this);
}
JBoolean List::contains(const lang::Object& o) const {
  return call::method<JBoolean, "contains">(this, o);
}
JArray<lang::Object> List::toArray() const {
  return call::method<JArray<lang::Object>, "toArray">(this);
}
JArray<lang::Object> List::toArray(const JArray<lang::Object>& a) const {
  return call::method<JArray<lang::Object>, "toArray">(this, a);
}
JBoolean List::add(const lang::Object& e) const {
  return call::method<JBoolean, "add">(this, e);
}
JBoolean List::remove(const lang::Object& o) const {
  return call::method<JBoolean, "remove">(this, o);
}
JBoolean List::containsAll(const Collection& c) const {
  return call::method<JBoolean, "containsAll">(this, c);
}
JBoolean List::addAll(const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, c);
}
JBoolean List::addAll(JInt index, const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, index, c);
}
JBoolean List::removeAll(const Collection& c) const {
  return call::method<JBoolean, "removeAll">(this, c);
}
JBoolean List::retainAll(const Collection& c) const {
  return call::method<JBoolean, "retainAll">(this, c);
}
void List::clear() const {
  call::method<void, "clear">(this);
}
JBoolean List::equals(const lang::Object& o) const {
  return call::method<JBoolean, "equals">(this, o);
}
JInt List::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
lang::Object List::get(JInt index) const {
  return call::method<lang::Object, "get">(this, index);
}
lang::Object List::set(JInt index, const lang::Object& element) const {
  return call::method<lang::Object, "set">(this, index, element);
}
void List::add(JInt index, const lang::Object& element) const {
  call::method<void, "add">(this, index, element);
}
lang::Object List::remove(JInt index) const {
  return call::method<lang::Object, "remove">(this, index);
}
JInt List::indexOf(const lang::Object& o) const {
  return call::method<JInt, "indexOf">(this, o);
}
JInt List::lastIndexOf(const lang::Object& o) const {
  return call::method<JInt, "lastIndexOf">(this, o);
}
List List::subList(JInt fromIndex, JInt toIndex) const {
  return call::method<List, "subList">(this, fromIndex, toIndex);
}

JInt AbstractCollection::size() const {
  return call::method<JInt, "size">(this);
}
JBoolean AbstractCollection::isEmpty() const {
  return call::method<JBoolean, "isEmpty">(this);
}
JBoolean AbstractCollection::contains(const lang::Object& o) const {
  return call::method<JBoolean, "contains">(this, o);
}
JArray<lang::Object> AbstractCollection::toArray() const {
  return call::method<JArray<lang::Object>, "toArray">(this);
}
JArray<lang::Object> AbstractCollection::toArray(const JArray<lang::Object>& a) const {
  return call::method<JArray<lang::Object>, "toArray">(this, a);
}
JBoolean AbstractCollection::add(const lang::Object& e) const {
  return call::method<JBoolean, "add">(this, e);
}
JBoolean AbstractCollection::remove(const lang::Object& o) const {
  return call::method<JBoolean, "remove">(this, o);
}
JBoolean AbstractCollection::containsAll(const Collection& c) const {
  return call::method<JBoolean, "containsAll">(this, c);
}
JBoolean AbstractCollection::addAll(const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, c);
}
JBoolean AbstractCollection::removeAll(const Collection& c) const {
  return call::method<JBoolean, "removeAll">(this, c);
}
JBoolean AbstractCollection::retainAll(const Collection& c) const {
  return call::method<JBoolean, "retainAll">(this, c);
}
void AbstractCollection::clear() const {
  call::method<void, "clear">(this);
}
lang::String AbstractCollection::toString() const {
  return call::method<lang::String, "toString">(this);
}

JBoolean AbstractList::add(const lang::Object& e) const {
  return call::method<JBoolean, "add">(this, e);
}
lang::Object AbstractList::get(JInt index) const {
  return call::method<lang::Object, "get">(this, index);
}
lang::Object AbstractList::set(JInt index, const lang::Object& element) const {
  return call::method<lang::Object, "set">(this, index, element);
}
void AbstractList::add(JInt index, const lang::Object& element) const {
  call::method<void, "add">(this, index, element);
}
lang::Object AbstractList::remove(JInt index) const {
  return call::method<lang::Object, "remove">(this, index);
}
JInt AbstractList::indexOf(const lang::Object& o) const {
  return call::method<JInt, "indexOf">(this, o);
}
JInt AbstractList::lastIndexOf(const lang::Object& o) const {
  return call::method<JInt, "lastIndexOf">(this, o);
}
void AbstractList::clear() const {
  call::method<void, "clear">(this);
}
JBoolean AbstractList::addAll(JInt index, const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, index, c);
}
List AbstractList::subList(JInt fromIndex, JInt toIndex) const {
  return call::method<List, "subList">(this, fromIndex, toIndex);
}
JBoolean AbstractList::equals(const lang::Object& o) const {
  return call::method<JBoolean, "equals">(this, o);
}
JInt AbstractList::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
JBoolean AbstractList::addAll(const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, c);
}
JBoolean AbstractList::contains(const lang::Object& o) const {
  return call::method<JBoolean, "contains">(this, o);
}
JBoolean AbstractList::containsAll(const Collection& c) const {
  return call::method<JBoolean, "containsAll">(this, c);
}
JBoolean AbstractList::isEmpty() const {
  return call::method<JBoolean, "isEmpty">(this);
}
JBoolean AbstractList::remove(const lang::Object& o) const {
  return call::method<JBoolean, "remove">(this, o);
}
JBoolean AbstractList::removeAll(const Collection& c) const {
  return call::method<JBoolean, "removeAll">(this, c);
}
JBoolean AbstractList::retainAll(const Collection& c) const {
  return call::method<JBoolean, "retainAll">(this, c);
}
JInt AbstractList::size() const {
  return call::method<JInt, "size">(this);
}
JArray<lang::Object> AbstractList::toArray() const {
  return call::method<JArray<lang::Object>, "toArray">(this);
}
JArray<lang::Object> AbstractList::toArray(const JArray<lang::Object>& a) const {
  return call::method<JArray<lang::Object>, "toArray">(this, a);
}

JBoolean Enumeration::hasMoreElements() const {
  return call::method<JBoolean, "hasMoreElements">(this);
}
lang::Object Enumeration::nextElement() const {
  return call::method<lang::Object, "nextElement">(this);
}

Date::Date(NewObject) : Object(call::construct<Date>().get()) {}
Date::Date(JLong date) : Object(call::construct<Date>(date).get()) {}
Date::Date(JInt year, JInt month, JInt date)
    : Object(call::construct<Date>(year, month, date).get()) {}
Date::Date(JInt year, JInt month, JInt date, JInt hrs, JInt min)
    : Object(call::construct<Date>(year, month, date, hrs, min).get()) {}
Date::Date(JInt year, JInt month, JInt date, JInt hrs, JInt min, JInt sec)
    : Object(call::construct<Date>(year, month, date, hrs, min, sec).get()) {}
Date::Date(const lang::String& s) : Object(call::construct<Date>(s).get()) {}
lang::Object Date::clone() const {
  return call::method<lang::Object, "clone">(this);
}
JLong Date::UTC(JInt year, JInt month, JInt date, JInt hrs, JInt min, JInt sec) {
  return call::staticMethod<Date, JLong, "UTC">(year, month, date, hrs, min, sec);
}
JLong Date::parse(const lang::String& s) {
  return call::staticMethod<Date, JLong, "parse">(s);
}
JInt Date::getYear() const {
  return call::method<JInt, "getYear">(this);
}
void Date::setYear(JInt year) const {
  call::method<void, "setYear">(this, year);
}
JInt Date::getMonth() const {
  return call::method<JInt, "getMonth">(this);
}
void Date::setMonth(JInt month) const {
  call::method<void, "setMonth">(this, month);
}
JInt Date::getDate() const {
  return call::method<JInt, "getDate">(this);
}
void Date::setDate(JInt date) const {
  call::method<void, "setDate">(this, date);
}
JInt Date::getDay() const {
  return call::method<JInt, "getDay">(this);
}
JInt Date::getHours() const {
  return call::method<JInt, "getHours">(this);
}
void Date::setHours(JInt hours) const {
  call::method<void, "setHours">(this, hours);
}
JInt Date::getMinutes() const {
  return call::method<JInt, "getMinutes">(this);
}
void Date::setMinutes(JInt minutes) const {
  call::method<void, "setMinutes">(this, minutes);
}
JInt Date::getSeconds() const {
  return call::method<JInt, "getSeconds">(this);
}
void Date::setSeconds(JInt seconds) const {
  call::method<void, "setSeconds">(this, seconds);
}
JLong Date::getTime() const {
  return call::method<JLong, "getTime">(this);
}
void Date::setTime(JLong time) const {
  call::method<void, "setTime">(this, time);
}
JBoolean Date::before(const Date& when) const {
  return call::method<JBoolean, "before">(this, when);
}
JBoolean Date::after(const Date& when) const {
  return call::method<JBoolean, "after">(this, when);
}
JBoolean Date::equals(const lang::Object& obj) const {
  return call::method<JBoolean, "equals">(this, obj);
}
JInt Date::compareTo(const Date& anotherDate) const {
  return call::method<JInt, "compareTo">(this, anotherDate);
}
JInt Date::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
lang::String Date::toString() const {
  return call::method<lang::String, "toString">(this);
}
lang::String Date::toLocaleString() const {
  return call::method<lang::String, "toLocaleString">(this);
}
lang::String Date::toGMTString() const {
  return call::method<lang::String, "toGMTString">(this);
}
JInt Date::getTimezoneOffset() const {
  return call::method<JInt, "getTimezoneOffset">(this);
}

Vector::Vector(NewObject) : Object(call::construct<Vector>().get()) {}
Vector::Vector(JInt initialCapacity, JInt capacityIncrement)
    : Object(call::construct<Vector>(initialCapacity, capacityIncrement).get()) {}
Vector::Vector(JInt initialCapacity) : Object(call::construct<Vector>(initialCapacity).get()) {}
void Vector::copyInto(const JArray<lang::Object>& anArray) const {
  call::method<void, "copyInto">(this, anArray);
}
void Vector::trimToSize() const {
  call::method<void, "trimToSize">(this);
}
void Vector::ensureCapacity(JInt minCapacity) const {
  call::method<void, "ensureCapacity">(this, minCapacity);
}
void Vector::setSize(JInt newSize) const {
  call::method<void, "setSize">(this, newSize);
}
JInt Vector::capacity() const {
  return call::method<JInt, "capacity">(this);
}
JInt Vector::size() const {
  return call::method<JInt, "size">(this);
}
JBoolean Vector::isEmpty() const {
  return call::method<JBoolean, "isEmpty">(this);
}
Enumeration Vector::elements() const {
  return call::method<Enumeration, "elements">(this);
}
JBoolean Vector::contains(const lang::Object& o) const {
  return call::method<JBoolean, "contains">(this, o);
}
JInt Vector::indexOf(const lang::Object& o) const {
  return call::method<JInt, "indexOf">(this, o);
}
JInt Vector::indexOf(const lang::Object& o, JInt index) const {
  return call::method<JInt, "indexOf">(this, o, index);
}
JInt Vector::lastIndexOf(const lang::Object& o) const {
  return call::method<JInt, "lastIndexOf">(this, o);
}
JInt Vector::lastIndexOf(const lang::Object& o, JInt index) const {
  return call::method<JInt, "lastIndexOf">(this, o, index);
}
lang::Object Vector::elementAt(JInt index) const {
  return call::method<lang::Object, "elementAt">(this, index);
}
lang::Object Vector::firstElement() const {
  return call::method<lang::Object, "firstElement">(this);
}
lang::Object Vector::lastElement() const {
  return call::method<lang::Object, "lastElement">(this);
}
void Vector::setElementAt(const lang::Object& obj, JInt index) const {
  call::method<void, "setElementAt">(this, obj, index);
}
void Vector::removeElementAt(JInt index) const {
  call::method<void, "removeElementAt">(this, index);
}
void Vector::insertElementAt(const lang::Object& obj, JInt index) const {
  call::method<void, "insertElementAt">(this, obj, index);
}
void Vector::addElement(const lang::Object& obj) const {
  call::method<void, "addElement">(this, obj);
}
JBoolean Vector::removeElement(const lang::Object& obj) const {
  return call::method<JBoolean, "removeElement">(this, obj);
}
void Vector::removeAllElements() const {
  call::method<void, "removeAllElements">(this);
}
lang::Object Vector::clone() const {
  return call::method<lang::Object, "clone">(this);
}
JArray<lang::Object> Vector::toArray() const {
  return call::method<JArray<lang::Object>, "toArray">(this);
}
JArray<lang::Object> Vector::toArray(const JArray<lang::Object>& a) const {
  return call::method<JArray<lang::Object>, "toArray">(this, a);
}
lang::Object Vector::get(JInt index) const {
  return call::method<lang::Object, "get">(this, index);
}
lang::Object Vector::set(JInt index, const lang::Object& element) const {
  return call::method<lang::Object, "set">(this, index, element);
}
JBoolean Vector::add(const lang::Object& e) const {
  return call::method<JBoolean, "add">(this, e);
}
JBoolean Vector::remove(const lang::Object& o) const {
  return call::method<JBoolean, "remove">(this, o);
}
void Vector::add(JInt index, const lang::Object& element) const {
  call::method<void, "add">(this, index, element);
}
lang::Object Vector::remove(JInt index) const {
  return call::method<lang::Object, "remove">(this, index);
}
void Vector::clear() const {
  call::method<void, "clear">(this);
}
JBoolean Vector::containsAll(const Collection& c) const {
  return call::method<JBoolean, "containsAll">(this, c);
}
JBoolean Vector::addAll(const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, c);
}
JBoolean Vector::removeAll(const Collection& c) const {
  return call::method<JBoolean, "removeAll">(this, c);
}
JBoolean Vector::retainAll(const Collection& c) const {
  return call::method<JBoolean, "retainAll">(this, c);
}
JBoolean Vector::addAll(JInt index, const Collection& c) const {
  return call::method<JBoolean, "addAll">(this, index, c);
}
JBoolean Vector::equals(const lang::Object& o) const {
  return call::method<JBoolean, "equals">(this, o);
}
JInt Vector::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
lang::String Vector::toString() const {
  return call::method<lang::String, "toString">(this);
}
List Vector::subList(JInt fromIndex, JInt toIndex) const {
  return call::method<List, "subList">(this, fromIndex, toIndex);
}

}  // namespace jbridge::proxy::java::util
