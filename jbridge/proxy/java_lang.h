// The java.lang proxies (and java.io.Serializable, which they need): Object, the root of every
// proxy, String with its native-text conversions, Class, and the exception proxies that
// helper::catchAndThrow throws.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::lang {

// java.lang.Object: the base of every proxy.
class Object : public JObject {
 public:
  static constexpr FixedString kJniName{"java/lang/Object"};
  static constexpr auto kJniSignature = objectSignature(kJniName);
  static const JClassImpl& staticJniClass() { return objectClass(); }
  const JClass& getJniClass() const override { return staticJniClass(); }
  Object() = default;
  template <JniReference Ref>
  explicit Object(Ref ref) : JObject(ref) {}
  explicit Object(const jvalue& value) : JObject(value) {}
  explicit Object(NewObject);

  Class getClass() const;
  JInt hashCode() const;
  JBoolean equals(const Object& obj) const;
  String toString() const;
  void notify() const;
  void notifyAll() const;
  void wait() const;
  void wait(JLong timeoutMillis) const;
  void wait(JLong timeoutMillis, JInt nanos) const;
};

}  // namespace jbridge::proxy::java::lang

namespace jbridge::proxy::java::io {

// java.io.Serializable.
class Serializable : public virtual lang::Object {
  JBRIDGE_PROXY(Serializable, "java/io/Serializable")
};

}  // namespace jbridge::proxy::java::io

namespace jbridge::proxy::java::lang {

// java.lang.CharSequence.
class CharSequence : public virtual Object {
  JBRIDGE_PROXY(CharSequence, "java/lang/CharSequence")

  JInt length() const;
  JChar charAt(JInt index) const;
  CharSequence subSequence(JInt start, JInt end) const;
  String toString() const;
};

// java.lang.Comparable.
class Comparable : public virtual Object {
  JBRIDGE_PROXY(Comparable, "java/lang/Comparable")

  JInt compareTo(const Object& o) const;
};

// java.lang.Cloneable.
class Cloneable : public virtual Object {
  JBRIDGE_PROXY(Cloneable, "java/lang/Cloneable")
};

// java.lang.String, with conversions to and from native text.
class String : public virtual io::Serializable,
               public virtual Comparable,
               public virtual CharSequence {
  JBRIDGE_PROXY(String, "java/lang/String")

  explicit String(NewObject);
  explicit String(const JArray<JChar>& value);
  String(const JArray<JChar>& value, JInt offset, JInt count);
  String(const JArray<JInt>& codePoints, JInt offset, JInt count);
  String(const JArray<JByte>& ascii, JInt hibyte, JInt offset, JInt count);
  String(const JArray<JByte>& ascii, JInt hibyte);
  String(const JArray<JByte>& bytes, JInt offset, JInt length, const String& charsetName);
  String(const JArray<JByte>& bytes, const String& charsetName);
  String(const JArray<JByte>& bytes, JInt offset, JInt length);
  explicit String(const JArray<JByte>& bytes);

  // Native text in the VM's default charset: the bytes up to the NUL, or `length` bytes. A null
  // `text` gives the null proxy; no bytes give the empty string.
  explicit String(const char* text);
  String(const char* bytes, std::size_t length);
  explicit String(const std::string& text);
  // Standard UTF-8, any code point including U+0000 and those beyond U+FFFF; an invalid
  // sequence becomes U+FFFD. Independent of the VM's charset.
  static String fromUtf8(std::string_view utf8);
  static String fromUtf16(std::u16string_view utf16);
  // JNI's modified UTF-8 through NewStringUTF; null gives the null proxy.
  static String fromModifiedUtf8(const char* text);

  // The text as bytes in the VM's default charset.
  std::string getCString() const;
  // The text as standard UTF-8 (never modified UTF-8's C0 80 or six-byte surrogate pairs); an
  // unpaired surrogate becomes U+FFFD.
  std::string toUtf8() const;
  std::u16string toUtf16() const;

  JInt length() const;
  JChar charAt(JInt index) const;
  void getChars(JInt srcBegin, JInt srcEnd, const JArray<JChar>& dst, JInt dstBegin) const;
  void getBytes(JInt srcBegin, JInt srcEnd, const JArray<JByte>& dst, JInt dstBegin) const;
  JArray<JByte> getBytes(const String& charsetName) const;
  JArray<JByte> getBytes() const;
  JBoolean equals(const Object& anObject) const;
  JBoolean equalsIgnoreCase(const String& anotherString) const;
  JInt compareTo(const String& anotherString) const;
  JInt compareToIgnoreCase(const String& str) const;
  JBoolean regionMatches(JInt toffset, const String& other, JInt ooffset, JInt len) const;
  JBoolean regionMatches(JBoolean ignoreCase, JInt toffset, const String& other, JInt ooffset,
                         JInt len) const;
  JBoolean startsWith(const String& prefix, JInt toffset) const;
  JBoolean startsWith(const String& prefix) const;
  JBoolean endsWith(const String& suffix) const;
  JInt hashCode() const;
  JInt indexOf(JInt ch) const;
  JInt indexOf(JInt ch, JInt fromIndex) const;
  JInt lastIndexOf(JInt ch) const;
  JInt lastIndexOf(JInt ch, JInt fromIndex) const;
  JInt indexOf(const String& str) const;
  JInt indexOf(const String& str, JInt fromIndex) const;
  JInt lastIndexOf(const String& str) const;
  JInt lastIndexOf(const String& str, JInt fromIndex) const;
  String substring(JInt beginIndex) const;
  String substring(JInt beginIndex, JInt endIndex) const;
  CharSequence subSequence(JInt beginIndex, JInt endIndex) const;
  String concat(const String& str) const;
  String replace(JChar oldChar, JChar newChar) const;
  JBoolean matches(const String& regex) const;
  String replaceFirst(const String& regex, const String& replacement) const;
  String replaceAll(const String& regex, const String& replacement) const;
  String replace(const CharSequence& target, const CharSequence& replacement) const;
  JArray<String> split(const String& regex, JInt limit) const;
  JArray<String> split(const String& regex) const;
  String toLowerCase() const;
  String toUpperCase() const;
  String trim() const;
  String toString() const;
  JArray<JChar> toCharArray() const;
  static String valueOf(const Object& obj);
  static String valueOf(const JArray<JChar>& data);
  static String valueOf(const JArray<JChar>& data, JInt offset, JInt count);
  static String copyValueOf(const JArray<JChar>& data, JInt offset, JInt count);
  static String copyValueOf(const JArray<JChar>& data);
  static String valueOf(JBoolean b);
  static String valueOf(JChar c);
  static String valueOf(JInt i);
  static String valueOf(JLong l);
  static String valueOf(JFloat f);
  static String valueOf(JDouble d);
  String intern() const;

  using Comparable::compareTo;
};

// java.lang.Class.
class Class : public virtual io::Serializable {
  JBRIDGE_PROXY(Class, "java/lang/Class")

  String toString() const;
  // Loads with the system class loader: a call from native code has no Java caller whose
  // loader Java could use, and the bootstrap loader would not see the class path.
  static Class forName(const String& className);
  Object newInstance() const;
  JBoolean isInstance(const Object& obj) const;
  JBoolean isAssignableFrom(const Class& cls) const;
  JBoolean isInterface() const;
  JBoolean isArray() const;
  JBoolean isPrimitive() const;
  String getName() const;
  Class getSuperclass() const;
  JArray<Class> getInterfaces() const;
  Class getComponentType() const;
  JInt getModifiers() const;
  JArray<Object> getSigners() const;
  Class getDeclaringClass() const;
  JArray<Class> getClasses() const;
  JArray<Class> getDeclaredClasses() const;
  JBoolean desiredAssertionStatus() const;
};

// java.lang.Throwable; also a C++ exception whose what() is the Java toString() text.
class Throwable : public virtual io::Serializable, public std::exception {
  JBRIDGE_PROXY(Throwable, "java/lang/Throwable")

  explicit Throwable(NewObject);
  explicit Throwable(const String& message);
  Throwable(const String& message, const Throwable& cause);

  String getMessage() const;
  String getLocalizedMessage() const;
  Throwable getCause() const;
  Throwable initCause(const Throwable& cause) const;
  String toString() const;
  void printStackTrace() const;
  Throwable fillInStackTrace() const;

  // The Java toString() text in the VM's default charset, computed on each call. The pointer
  // stays valid while the text does not change. Never throws: a text that cannot be had is
  // replaced by a description of why.
  const char* what() const noexcept override;

 private:
  mutable std::string what_;
};

// java.lang.Exception.
class Exception : public virtual Throwable {
  JBRIDGE_PROXY(Exception, "java/lang/Exception")

  explicit Exception(NewObject);
  explicit Exception(const String& message);
  Exception(const String& message, const Throwable& cause);
};

// java.lang.ClassNotFoundException: declared only; a thrown one arrives as java::lang::Exception.
class ClassNotFoundException : public virtual Exception {
  JBRIDGE_PROXY(ClassNotFoundException, "java/lang/ClassNotFoundException")
};

// Native text followed by the String in the default charset.
std::string operator+(const std::string& left, const String& right);

}  // namespace jbridge::proxy::java::lang
