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
#define QZ_JAVA_lang_Object(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, ())                                               \
  METHOD(_, Class, getClass, ())                           \
  METHOD(_, JInt, hashCode, ())                            \
  METHOD(_, JBoolean, equals, (Object))                    \
  METHOD(_, String, toString, ())                          \
  METHOD(_, void, notify, ())                              \
  METHOD(_, void, notifyAll, ())                           \
  METHOD(_, void, wait, ())                                \
  METHOD(_, void, wait, (JLong))                           \
  METHOD(_, void, wait, (JLong, JInt))
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
  static std::span<const JMember> jniMembers();

 private:
  using JniRoot = JObject;

 public:
  QZ_J_TABLE(lang, Object, DECLARE)
};

}  // namespace jbridge::proxy::java::lang

namespace jbridge::proxy::java::io {

// java.io.Serializable.
#define QZ_JAVA_io_Serializable(_, CONST, METHOD, STATIC, NEW)
class Serializable : public virtual lang::Object {
  JBRIDGE_PROXY(io, Serializable)
};

}  // namespace jbridge::proxy::java::io

namespace jbridge::proxy::java::lang {

// java.lang.CharSequence.
#define QZ_JAVA_lang_CharSequence(_, CONST, METHOD, STATIC, NEW) \
  METHOD(_, JInt, length, ())                                    \
  METHOD(_, JChar, charAt, (JInt))                               \
  METHOD(_, CharSequence, subSequence, (JInt, JInt))             \
  METHOD(_, String, toString, ())
class CharSequence : public virtual Object {
  JBRIDGE_PROXY(lang, CharSequence)
};

// java.lang.Comparable.
#define QZ_JAVA_lang_Comparable(_, CONST, METHOD, STATIC, NEW) METHOD(_, JInt, compareTo, (Object))
class Comparable : public virtual Object {
  JBRIDGE_PROXY(lang, Comparable)
};

// java.lang.Cloneable.
#define QZ_JAVA_lang_Cloneable(_, CONST, METHOD, STATIC, NEW)
class Cloneable : public virtual Object {
  JBRIDGE_PROXY(lang, Cloneable)
};

// java.lang.String, with conversions to and from native text.
#define QZ_JAVA_lang_String(_, CONST, METHOD, STATIC, NEW)                 \
  NEW(_, ())                                                               \
  NEW(_, (JArray<JChar>))                                                  \
  NEW(_, (JArray<JChar>, JInt, JInt))                                      \
  NEW(_, (JArray<JInt>, JInt, JInt))                                       \
  NEW(_, (JArray<JByte>, JInt, JInt, JInt))                                \
  NEW(_, (JArray<JByte>, JInt))                                            \
  NEW(_, (JArray<JByte>, JInt, JInt, String))                              \
  NEW(_, (JArray<JByte>, String))                                          \
  NEW(_, (JArray<JByte>, JInt, JInt))                                      \
  NEW(_, (JArray<JByte>))                                                  \
  METHOD(_, JInt, length, ())                                              \
  METHOD(_, JChar, charAt, (JInt))                                         \
  METHOD(_, void, getChars, (JInt, JInt, JArray<JChar>, JInt))             \
  METHOD(_, void, getBytes, (JInt, JInt, JArray<JByte>, JInt))             \
  METHOD(_, JArray<JByte>, getBytes, (String))                             \
  METHOD(_, JArray<JByte>, getBytes, ())                                   \
  METHOD(_, JBoolean, equals, (Object))                                    \
  METHOD(_, JBoolean, equalsIgnoreCase, (String))                          \
  METHOD(_, JInt, compareTo, (String))                                     \
  METHOD(_, JInt, compareToIgnoreCase, (String))                           \
  METHOD(_, JBoolean, regionMatches, (JInt, String, JInt, JInt))           \
  METHOD(_, JBoolean, regionMatches, (JBoolean, JInt, String, JInt, JInt)) \
  METHOD(_, JBoolean, startsWith, (String, JInt))                          \
  METHOD(_, JBoolean, startsWith, (String))                                \
  METHOD(_, JBoolean, endsWith, (String))                                  \
  METHOD(_, JInt, hashCode, ())                                            \
  METHOD(_, JInt, indexOf, (JInt))                                         \
  METHOD(_, JInt, indexOf, (JInt, JInt))                                   \
  METHOD(_, JInt, lastIndexOf, (JInt))                                     \
  METHOD(_, JInt, lastIndexOf, (JInt, JInt))                               \
  METHOD(_, JInt, indexOf, (String))                                       \
  METHOD(_, JInt, indexOf, (String, JInt))                                 \
  METHOD(_, JInt, lastIndexOf, (String))                                   \
  METHOD(_, JInt, lastIndexOf, (String, JInt))                             \
  METHOD(_, String, substring, (JInt))                                     \
  METHOD(_, String, substring, (JInt, JInt))                               \
  METHOD(_, CharSequence, subSequence, (JInt, JInt))                       \
  METHOD(_, String, concat, (String))                                      \
  METHOD(_, String, replace, (JChar, JChar))                               \
  METHOD(_, JBoolean, matches, (String))                                   \
  METHOD(_, String, replaceFirst, (String, String))                        \
  METHOD(_, String, replaceAll, (String, String))                          \
  METHOD(_, String, replace, (CharSequence, CharSequence))                 \
  METHOD(_, JArray<String>, split, (String, JInt))                         \
  METHOD(_, JArray<String>, split, (String))                               \
  METHOD(_, String, toLowerCase, ())                                       \
  METHOD(_, String, toUpperCase, ())                                       \
  METHOD(_, String, trim, ())                                              \
  METHOD(_, String, toString, ())                                          \
  METHOD(_, JArray<JChar>, toCharArray, ())                                \
  STATIC(_, String, valueOf, (Object))                                     \
  STATIC(_, String, valueOf, (JArray<JChar>))                              \
  STATIC(_, String, valueOf, (JArray<JChar>, JInt, JInt))                  \
  STATIC(_, String, copyValueOf, (JArray<JChar>, JInt, JInt))              \
  STATIC(_, String, copyValueOf, (JArray<JChar>))                          \
  STATIC(_, String, valueOf, (JBoolean))                                   \
  STATIC(_, String, valueOf, (JChar))                                      \
  STATIC(_, String, valueOf, (JInt))                                       \
  STATIC(_, String, valueOf, (JLong))                                      \
  STATIC(_, String, valueOf, (JFloat))                                     \
  STATIC(_, String, valueOf, (JDouble))                                    \
  METHOD(_, String, intern, ())
class String : public virtual io::Serializable,
               public virtual Comparable,
               public virtual CharSequence {
  JBRIDGE_PROXY(lang, String)
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
  // The string String(text) (or fromUtf8(text) with `utf8`) holds, as a local reference of
  // this thread: for a value handed straight on to a Java call, without a global reference.
  static LocalRef<> local(std::string_view text, bool utf8);

  // The text as bytes in the VM's default charset.
  std::string getCString() const;
  // The text as standard UTF-8 (never modified UTF-8's C0 80 or six-byte surrogate pairs); an
  // unpaired surrogate becomes U+FFFD.
  std::string toUtf8() const;
  std::u16string toUtf16() const;

  using Comparable::compareTo;
};

// java.lang.Class.
#define QZ_JAVA_lang_Class(_, CONST, METHOD, STATIC, NEW) \
  METHOD(_, String, toString, ())                         \
  METHOD(_, Object, newInstance, ())                      \
  METHOD(_, JBoolean, isInstance, (Object))               \
  METHOD(_, JBoolean, isAssignableFrom, (Class))          \
  METHOD(_, JBoolean, isInterface, ())                    \
  METHOD(_, JBoolean, isArray, ())                        \
  METHOD(_, JBoolean, isPrimitive, ())                    \
  METHOD(_, String, getName, ())                          \
  METHOD(_, Class, getSuperclass, ())                     \
  METHOD(_, JArray<Class>, getInterfaces, ())             \
  METHOD(_, Class, getComponentType, ())                  \
  METHOD(_, JInt, getModifiers, ())                       \
  METHOD(_, JArray<Object>, getSigners, ())               \
  METHOD(_, Class, getDeclaringClass, ())                 \
  METHOD(_, JArray<Class>, getClasses, ())                \
  METHOD(_, JArray<Class>, getDeclaredClasses, ())        \
  METHOD(_, JBoolean, desiredAssertionStatus, ())
class Class : public virtual io::Serializable {
  JBRIDGE_PROXY(lang, Class)
  // Loads with the system class loader: a call from native code has no Java caller whose
  // loader Java could use, and the bootstrap loader would not see the class path.
  static Class forName(const String& className);
};

// java.lang.Throwable; also a C++ exception whose what() is the Java toString() text.
#define QZ_JAVA_lang_Throwable(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, ())                                                  \
  NEW(_, (String))                                            \
  NEW(_, (String, Throwable))                                 \
  METHOD(_, String, getMessage, ())                           \
  METHOD(_, String, getLocalizedMessage, ())                  \
  METHOD(_, Throwable, getCause, ())                          \
  METHOD(_, Throwable, initCause, (Throwable))                \
  METHOD(_, String, toString, ())                             \
  METHOD(_, void, printStackTrace, ())                        \
  METHOD(_, Throwable, fillInStackTrace, ())
class Throwable : public virtual io::Serializable, public std::exception {
  JBRIDGE_PROXY(lang, Throwable)
  // The Java toString() text in the VM's default charset, computed on each call. The pointer
  // stays valid while the text does not change. Never throws: a text that cannot be had is
  // replaced by a description of why.
  const char* what() const noexcept override;

 private:
  mutable std::string what_;
};

// java.lang.Exception.
#define QZ_JAVA_lang_Exception(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, ())                                                  \
  NEW(_, (String))                                            \
  NEW(_, (String, Throwable))
class Exception : public virtual Throwable {
  JBRIDGE_PROXY(lang, Exception)
};

// java.lang.ClassNotFoundException: declared only; a thrown one arrives as java::lang::Exception.
#define QZ_JAVA_lang_ClassNotFoundException(_, CONST, METHOD, STATIC, NEW)
class ClassNotFoundException : public virtual Exception {
  JBRIDGE_PROXY(lang, ClassNotFoundException)
};

// Native text followed by the String in the default charset.
std::string operator+(const std::string& left, const String& right);

}  // namespace jbridge::proxy::java::lang
