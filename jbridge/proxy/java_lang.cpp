#include "jbridge/proxy/java_lang.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::lang {

Object::Object(NewObject) : JObject(call::construct<Object>().get()) {}
Class Object::getClass() const {
  return call::method<Class, "getClass">(this);
}
JInt Object::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
JBoolean Object::equals(const Object& obj) const {
  return call::method<JBoolean, "equals">(this, obj);
}
String Object::toString() const {
  return call::method<String, "toString">(this);
}
void Object::notify() const {
  call::method<void, "notify">(this);
}
void Object::notifyAll() const {
  call::method<void, "notifyAll">(this);
}
void Object::wait() const {
  call::method<void, "wait">(this);
}
void Object::wait(JLong timeoutMillis) const {
  call::method<void, "wait">(this, timeoutMillis);
}
void Object::wait(JLong timeoutMillis, JInt nanos) const {
  call::method<void, "wait">(this, timeoutMillis, nanos);
}

}  // namespace jbridge::proxy::java::lang

namespace jbridge::proxy::java::io {}  // namespace jbridge::proxy::java::io

namespace jbridge::proxy::java::lang {

JInt CharSequence::length() const {
  return call::method<JInt, "length">(this);
}
JChar CharSequence::charAt(JInt index) const {
  return call::method<JChar, "charAt">(this, index);
}
CharSequence CharSequence::subSequence(JInt start, JInt end) const {
  return call::method<CharSequence, "subSequence">(this, start, end);
}
String CharSequence::toString() const {
  return call::method<String, "toString">(this);
}

JInt Comparable::compareTo(const Object& o) const {
  return call::method<JInt, "compareTo">(this, o);
}

String::String(NewObject) : Object(call::construct<String>().get()) {}
String::String(const JArray<JChar>& value) : Object(call::construct<String>(value).get()) {}
String::String(const JArray<JChar>& value, JInt offset, JInt count)
    : Object(call::construct<String>(value, offset, count).get()) {}
String::String(const JArray<JInt>& codePoints, JInt offset, JInt count)
    : Object(call::construct<String>(codePoints, offset, count).get()) {}
String::String(const JArray<JByte>& ascii, JInt hibyte, JInt offset, JInt count)
    : Object(call::construct<String>(ascii, hibyte, offset, count).get()) {}
String::String(const JArray<JByte>& ascii, JInt hibyte)
    : Object(call::construct<String>(ascii, hibyte).get()) {}
String::String(const JArray<JByte>& bytes, JInt offset, JInt length, const String& charsetName)
    : Object(call::construct<String>(bytes, offset, length, charsetName).get()) {}
String::String(const JArray<JByte>& bytes, const String& charsetName)
    : Object(call::construct<String>(bytes, charsetName).get()) {}
String::String(const JArray<JByte>& bytes, JInt offset, JInt length)
    : Object(call::construct<String>(bytes, offset, length).get()) {}
String::String(const JArray<JByte>& bytes) : Object(call::construct<String>(bytes).get()) {}
JInt String::length() const {
  return call::method<JInt, "length">(this);
}
JChar String::charAt(JInt index) const {
  return call::method<JChar, "charAt">(this, index);
}
void String::getChars(JInt srcBegin, JInt srcEnd, const JArray<JChar>& dst, JInt dstBegin) const {
  call::method<void, "getChars">(this, srcBegin, srcEnd, dst, dstBegin);
}
void String::getBytes(JInt srcBegin, JInt srcEnd, const JArray<JByte>& dst, JInt dstBegin) const {
  call::method<void, "getBytes">(this, srcBegin, srcEnd, dst, dstBegin);
}
JArray<JByte> String::getBytes(const String& charsetName) const {
  return call::method<JArray<JByte>, "getBytes">(this, charsetName);
}
JArray<JByte> String::getBytes() const {
  return call::method<JArray<JByte>, "getBytes">(this);
}
JBoolean String::equals(const Object& anObject) const {
  return call::method<JBoolean, "equals">(this, anObject);
}
JBoolean String::equalsIgnoreCase(const String& anotherString) const {
  return call::method<JBoolean, "equalsIgnoreCase">(this, anotherString);
}
JInt String::compareTo(const String& anotherString) const {
  return call::method<JInt, "compareTo">(this, anotherString);
}
JInt String::compareToIgnoreCase(const String& str) const {
  return call::method<JInt, "compareToIgnoreCase">(this, str);
}
JBoolean String::regionMatches(JInt toffset, const String& other, JInt ooffset, JInt len) const {
  return call::method<JBoolean, "regionMatches">(this, toffset, other, ooffset, len);
}
JBoolean String::regionMatches(JBoolean ignoreCase, JInt toffset, const String& other, JInt ooffset,
                               JInt len) const {
  return call::method<JBoolean, "regionMatches">(this, ignoreCase, toffset, other, ooffset, len);
}
JBoolean String::startsWith(const String& prefix, JInt toffset) const {
  return call::method<JBoolean, "startsWith">(this, prefix, toffset);
}
JBoolean String::startsWith(const String& prefix) const {
  return call::method<JBoolean, "startsWith">(this, prefix);
}
JBoolean String::endsWith(const String& suffix) const {
  return call::method<JBoolean, "endsWith">(this, suffix);
}
JInt String::hashCode() const {
  return call::method<JInt, "hashCode">(this);
}
JInt String::indexOf(JInt ch) const {
  return call::method<JInt, "indexOf">(this, ch);
}
JInt String::indexOf(JInt ch, JInt fromIndex) const {
  return call::method<JInt, "indexOf">(this, ch, fromIndex);
}
JInt String::lastIndexOf(JInt ch) const {
  return call::method<JInt, "lastIndexOf">(this, ch);
}
JInt String::lastIndexOf(JInt ch, JInt fromIndex) const {
  return call::method<JInt, "lastIndexOf">(this, ch, fromIndex);
}
JInt String::indexOf(const String& str) const {
  return call::method<JInt, "indexOf">(this, str);
}
JInt String::indexOf(const String& str, JInt fromIndex) const {
  return call::method<JInt, "indexOf">(this, str, fromIndex);
}
JInt String::lastIndexOf(const String& str) const {
  return call::method<JInt, "lastIndexOf">(this, str);
}
JInt String::lastIndexOf(const String& str, JInt fromIndex) const {
  return call::method<JInt, "lastIndexOf">(this, str, fromIndex);
}
String String::substring(JInt beginIndex) const {
  return call::method<String, "substring">(this, beginIndex);
}
String String::substring(JInt beginIndex, JInt endIndex) const {
  return call::method<String, "substring">(this, beginIndex, endIndex);
}
CharSequence String::subSequence(JInt beginIndex, JInt endIndex) const {
  return call::method<CharSequence, "subSequence">(this, beginIndex, endIndex);
}
String String::concat(const String& str) const {
  return call::method<String, "concat">(this, str);
}
String String::replace(JChar oldChar, JChar newChar) const {
  return call::method<String, "replace">(this, oldChar, newChar);
}
JBoolean String::matches(const String& regex) const {
  return call::method<JBoolean, "matches">(this, regex);
}
String String::replaceFirst(const String& regex, const String& replacement) const {
  return call::method<String, "replaceFirst">(this, regex, replacement);
}
String String::replaceAll(const String& regex, const String& replacement) const {
  return call::method<String, "replaceAll">(this, regex, replacement);
}
String String::replace(const CharSequence& target, const CharSequence& replacement) const {
  return call::method<String, "replace">(this, target, replacement);
}
JArray<String> String::split(const String& regex, JInt limit) const {
  return call::method<JArray<String>, "split">(this, regex, limit);
}
JArray<String> String::split(const String& regex) const {
  return call::method<JArray<String>, "split">(this, regex);
}
String String::toLowerCase() const {
  return call::method<String, "toLowerCase">(this);
}
String String::toUpperCase() const {
  return call::method<String, "toUpperCase">(this);
}
String String::trim() const {
  return call::method<String, "trim">(this);
}
String String::toString() const {
  return call::method<String, "toString">(this);
}
JArray<JChar> String::toCharArray() const {
  return call::method<JArray<JChar>, "toCharArray">(this);
}
String String::valueOf(const Object& obj) {
  return call::staticMethod<String, String, "valueOf">(obj);
}
String String::valueOf(const JArray<JChar>& data) {
  return call::staticMethod<String, String, "valueOf">(data);
}
String String::valueOf(const JArray<JChar>& data, JInt offset, JInt count) {
  return call::staticMethod<String, String, "valueOf">(data, offset, count);
}
String String::copyValueOf(const JArray<JChar>& data, JInt offset, JInt count) {
  return call::staticMethod<String, String, "copyValueOf">(data, offset, count);
}
String String::copyValueOf(const JArray<JChar>& data) {
  return call::staticMethod<String, String, "copyValueOf">(data);
}
String String::valueOf(JBoolean b) {
  return call::staticMethod<String, String, "valueOf">(b);
}
String String::valueOf(JChar c) {
  return call::staticMethod<String, String, "valueOf">(c);
}
String String::valueOf(JInt i) {
  return call::staticMethod<String, String, "valueOf">(i);
}
String String::valueOf(JLong l) {
  return call::staticMethod<String, String, "valueOf">(l);
}
String String::valueOf(JFloat f) {
  return call::staticMethod<String, String, "valueOf">(f);
}
String String::valueOf(JDouble d) {
  return call::staticMethod<String, String, "valueOf">(d);
}
String String::intern() const {
  return call::method<String, "intern">(this);
}

String Class::toString() const {
  return call::method<String, "toString">(this);
}
Object Class::newInstance() const {
  return call::method<Object, "newInstance">(this);
}
JBoolean Class::isInstance(const Object& obj) const {
  return call::method<JBoolean, "isInstance">(this, obj);
}
JBoolean Class::isAssignableFrom(const Class& cls) const {
  return call::method<JBoolean, "isAssignableFrom">(this, cls);
}
JBoolean Class::isInterface() const {
  return call::method<JBoolean, "isInterface">(this);
}
JBoolean Class::isArray() const {
  return call::method<JBoolean, "isArray">(this);
}
JBoolean Class::isPrimitive() const {
  return call::method<JBoolean, "isPrimitive">(this);
}
String Class::getName() const {
  return call::method<String, "getName">(this);
}
Class Class::getSuperclass() const {
  return call::method<Class, "getSuperclass">(this);
}
JArray<Class> Class::getInterfaces() const {
  return call::method<JArray<Class>, "getInterfaces">(this);
}
Class Class::getComponentType() const {
  return call::method<Class, "getComponentType">(this);
}
JInt Class::getModifiers() const {
  return call::method<JInt, "getModifiers">(this);
}
JArray<Object> Class::getSigners() const {
  return call::method<JArray<Object>, "getSigners">(this);
}
Class Class::getDeclaringClass() const {
  return call::method<Class, "getDeclaringClass">(this);
}
JArray<Class> Class::getClasses() const {
  return call::method<JArray<Class>, "getClasses">(this);
}
JArray<Class> Class::getDeclaredClasses() const {
  return call::method<JArray<Class>, "getDeclaredClasses">(this);
}
JBoolean Class::desiredAssertionStatus() const {
  return call::method<JBoolean, "desiredAssertionStatus">(this);
}

Throwable::Throwable(NewObject) : Object(call::construct<Throwable>().get()) {}
Throwable::Throwable(const String& message) : Object(call::construct<Throwable>(message).get()) {}
Throwable::Throwable(const String& message, const Throwable& cause)
    : Object(call::construct<Throwable>(message, cause).get()) {}
String Throwable::getMessage() const {
  return call::method<String, "getMessage">(this);
}
String Throwable::getLocalizedMessage() const {
  return call::method<String, "getLocalizedMessage">(this);
}
Throwable Throwable::getCause() const {
  return call::method<Throwable, "getCause">(this);
}
Throwable Throwable::initCause(const Throwable& cause) const {
  return call::method<Throwable, "initCause">(this, cause);
}
String Throwable::toString() const {
  return call::method<String, "toString">(this);
}
void Throwable::printStackTrace() const {
  call::method<void, "printStackTrace">(this);
}
Throwable Throwable::fillInStackTrace() const {
  return call::method<Throwable, "fillInStackTrace">(this);
}

Exception::Exception(NewObject) : Object(call::construct<Exception>().get()) {}
Exception::Exception(const String& message) : Object(call::construct<Exception>(message).get()) {}
Exception::Exception(const String& message, const Throwable& cause)
    : Object(call::construct<Exception>(message, cause).get()) {}

}  // namespace jbridge::proxy::java::lang
