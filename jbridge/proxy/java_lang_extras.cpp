// The hand-written members of the java.lang proxies: native text in and out of String, the
// what() text of Throwable and Class.forName. Every local reference made here is deleted
// before returning.
#include <atomic>
#include <climits>
#include <cstring>

#include "jbridge/proxy/java_lang.h"
#include "jbridge/utf.h"

namespace jbridge::proxy::java::lang {

namespace {

constexpr const char* kCreateFailed =
    "String::createString - Unable to allocate a new java String.";
constexpr const char* kContentsFailed =
    "String::getCString - Unable to get the contents of the java String.";

jsize checkedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) {
    throw JNIException("String::createString - The text is too long for a java String.");
  }
  return static_cast<jsize>(length);
}

// A Java exception pending is thrown as its proxy; otherwise the allocation simply failed.
[[noreturn]] void failCreate(JNIEnv* env) {
  helper::catchAndThrow(env);
  env->ExceptionDescribe();
  env->ExceptionClear();
  throw JNIException(kCreateFailed);
}

// new String(bytes, 0, length): Java decodes the bytes with the VM's default charset.
LocalRef<> decodedString(JNIEnv* env, const char* bytes, std::size_t length) {
  jsize size = checkedLength(length);
  LocalRef<jbyteArray> array(env, env->NewByteArray(size));
  if (!array) failCreate(env);
  if (size > 0) {
    env->SetByteArrayRegion(array.get(), 0, size, reinterpret_cast<const jbyte*>(bytes));
    helper::catchAndThrow(env);
  }
  static std::atomic<jmethodID> constructor{nullptr};
  jmethodID id = constructor.load(std::memory_order_acquire);
  if (!id) {
    id = detail::lookupConstructor(env, String::staticJniClass(), "([BII)V");
    constructor.store(id, std::memory_order_release);
  }
  jvalue args[3];
  args[0].l = array.get();
  args[1].i = 0;
  args[2].i = size;
  LocalRef<> created(env, env->NewObjectA(String::staticJniClass().getClass(), id, args));
  if (!created) failCreate(env);
  return created;
}

// Texts up to this long of ASCII bytes but NUL are made without a Java call when they can be.
constexpr std::size_t kShortAscii = 256;

bool shortAscii(const char* bytes, std::size_t length) {
  if (length >= kShortAscii) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0 || b >= 0x80) return false;
  }
  return true;
}

// Whether the default charset decodes each ASCII byte but NUL as that char (UTF-8 and most
// others do): NewStringUTF then makes the very String the decoding would, in the VM alone.
// Asked once: the default charset is fixed when the VM starts, and a process has one VM.
bool asciiDecodesAsItself(JNIEnv* env) {
  static std::atomic<int> known{0};  // 0: not asked yet, 1: yes, 2: no
  if (const int k = known.load(std::memory_order_acquire)) return k == 1;
  char ascii[127];
  for (int i = 0; i < 127; ++i) ascii[i] = static_cast<char>(i + 1);
  LocalRef<> probe = decodedString(env, ascii, sizeof ascii);
  auto text = static_cast<jstring>(probe.get());
  bool same = env->GetStringLength(text) == static_cast<jsize>(sizeof ascii);
  if (same) {
    jchar chars[sizeof ascii];
    env->GetStringRegion(text, 0, sizeof ascii, chars);
    helper::catchAndThrow(env);
    for (std::size_t i = 0; i < sizeof ascii && same; ++i) same = chars[i] == i + 1;
  }
  known.store(same ? 1 : 2, std::memory_order_release);
  return same;
}

LocalRef<> defaultCharsetString(const char* bytes, std::size_t length) {
  JNIEnv* env = JNIHelper::attach();
  if (shortAscii(bytes, length) && asciiDecodesAsItself(env)) {
    char terminated[kShortAscii];
    if (length > 0) std::memcpy(terminated, bytes, length);
    terminated[length] = '\0';
    LocalRef<> created(env, env->NewStringUTF(terminated));
    if (!created) failCreate(env);
    return created;
  }
  return decodedString(env, bytes, length);
}

LocalRef<> utf16String(std::u16string_view text) {
  JNIEnv* env = JNIHelper::attach();
  jsize size = checkedLength(text.size());
  static const jchar kNone = 0;
  const jchar* chars = size ? reinterpret_cast<const jchar*>(text.data()) : &kNone;
  LocalRef<> created(env, env->NewString(chars, size));
  if (!created) failCreate(env);
  return created;
}

// Only Class.forName needs it; the class has no proxy of its own.
class ClassLoader : public virtual Object {
  JBRIDGE_PROXY_CLASS(ClassLoader, "java/lang/ClassLoader")
};

}  // namespace

Class Class::forName(const String& className) {
  ClassLoader loader = call::staticMethod<ClassLoader, ClassLoader, "getSystemClassLoader">();
  return call::staticMethod<Class, Class, "forName">(className, JBoolean(true), loader);
}

String::String(const char* text)
    : Object(text ? defaultCharsetString(text, std::strlen(text)).get() : jobject{}) {}

String::String(const char* bytes, std::size_t length)
    : Object(bytes || length == 0 ? defaultCharsetString(bytes, length).get() : jobject{}) {}

String::String(const std::string& text)
    : Object(defaultCharsetString(text.data(), text.size()).get()) {}

String String::fromUtf8(std::string_view utf8) {
  return fromUtf16(utf::utf8ToUtf16(utf8));
}

String String::fromUtf16(std::u16string_view utf16) {
  return String(utf16String(utf16).get());
}

LocalRef<> String::local(std::string_view text, bool utf8) {
  return utf8 ? utf16String(utf::utf8ToUtf16(text))
              : defaultCharsetString(text.data(), text.size());
}

String String::fromModifiedUtf8(const char* text) {
  if (!text) return String();
  JNIEnv* env = JNIHelper::attach();
  LocalRef<> created(env, env->NewStringUTF(text));
  if (!created) failCreate(env);
  return String(created.get());
}

std::string String::getCString() const {
  if (isNull()) detail::throwNullProxy("String::getCString", "getBytes", staticJniClass());
  JNIEnv* env = JNIHelper::attach();
  jmethodID id = call::methodId<String, "getBytes", false, JArray<JByte>>(env);
  LocalRef<jbyteArray> bytes(env,
                             static_cast<jbyteArray>(env->CallObjectMethod(getJniObject(), id)));
  helper::catchAndThrow(env);
  if (!bytes) throw JNIException(kContentsFailed);
  jsize size = env->GetArrayLength(bytes.get());
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0) {
    env->GetByteArrayRegion(bytes.get(), 0, size, reinterpret_cast<jbyte*>(text.data()));
    helper::catchAndThrow(env);
  }
  return text;
}

std::u16string String::toUtf16() const {
  if (isNull()) detail::throwNullProxy("String::toUtf16", "GetStringRegion", staticJniClass());
  JNIEnv* env = JNIHelper::attach();
  auto text = static_cast<jstring>(getJniObject());
  jsize size = env->GetStringLength(text);
  std::u16string chars(static_cast<std::size_t>(size), u'\0');
  if (size > 0) {
    env->GetStringRegion(text, 0, size, reinterpret_cast<jchar*>(chars.data()));
    helper::catchAndThrow(env);
  }
  return chars;
}

std::string String::toUtf8() const {
  return utf::utf16ToUtf8(toUtf16());
}

std::string operator+(const std::string& left, const String& right) {
  return left + right.getCString();
}

const char* Throwable::what() const noexcept {
  try {
    try {
      std::string text = toString().getCString();
      if (text != what_) what_ = std::move(text);
    } catch (const Throwable&) {
      // Asking the new exception for its text could fail the same way again.
      if (what_.empty()) what_ = "java.lang.Throwable (toString() raised a Java exception)";
    } catch (const std::exception& e) {
      if (what_.empty()) what_ = std::string("java.lang.Throwable (no text: ") + e.what() + ")";
    }
  } catch (...) {
    // Out of memory for the text itself: answer what there is.
  }
  return what_.c_str();
}

}  // namespace jbridge::proxy::java::lang
