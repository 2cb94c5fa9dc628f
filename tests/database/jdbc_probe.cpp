#include "tests/database/jdbc_probe.h"

#include <stdexcept>

#include "object/com_ref.h"

namespace dbtest {
namespace {

// Frees every local reference made while it lives.
class LocalFrame {
 public:
  explicit LocalFrame(JNIEnv* env) : env_(env) {
    if (env_->PushLocalFrame(64) != 0) throw std::runtime_error("PushLocalFrame failed");
  }
  ~LocalFrame() { env_->PopLocalFrame(nullptr); }

 private:
  JNIEnv* env_;
};

void check(JNIEnv* env, const char* what) {
  if (!env->ExceptionCheck()) return;
  jthrowable t = env->ExceptionOccurred();
  env->ExceptionClear();
  std::string text = what;
  jclass object = env->FindClass("java/lang/Object");
  jmethodID toString = env->GetMethodID(object, "toString", "()Ljava/lang/String;");
  auto s = static_cast<jstring>(env->CallObjectMethod(t, toString));
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
  } else if (s) {
    const char* chars = env->GetStringUTFChars(s, nullptr);
    text += ": ";
    text += chars;
    env->ReleaseStringUTFChars(s, chars);
  }
  throw std::runtime_error(text);
}

jclass findClass(JNIEnv* env, const char* name) {
  jclass c = env->FindClass(name);
  check(env, name);
  return c;
}

jmethodID method(JNIEnv* env, jclass c, const char* name, const char* signature) {
  jmethodID m = env->GetMethodID(c, name, signature);
  check(env, name);
  return m;
}

void closeObject(JNIEnv* env, jobject o, const char* className) {
  if (!o) return;
  jclass c = findClass(env, className);
  env->CallVoidMethod(o, method(env, c, "close", "()V"));
  check(env, "close");
}

}  // namespace

JdbcProbe::JdbcProbe(qz::host::Host& host) {
  qzRef<qzIUnknown> o = host.create("zeltools.jvm");
  qzRef<qzIJvmProvider> provider = qzQuery<qzIJvmProvider>(o.get(), qziid::kJvmProvider);
  void* vm = nullptr;
  if (!provider || provider->getJavaVM(&vm, nullptr) != 0 || !vm) {
    throw std::runtime_error("no Java VM from zeltools.jvm");
  }
  vm_ = static_cast<JavaVM*>(vm);
}

JNIEnv* JdbcProbe::env() {
  JNIEnv* env = nullptr;
  if (vm_->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
    throw std::runtime_error("cannot attach to the VM");
  }
  return env;
}

template <class Body>
auto JdbcProbe::withConnection(const std::string& url, const std::string& user,
                               const std::string& password, Body&& body) {
  JNIEnv* e = env();
  LocalFrame frame(e);
  jclass dm = findClass(e, "java/sql/DriverManager");
  jmethodID get = e->GetStaticMethodID(
      dm, "getConnection",
      "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)Ljava/sql/Connection;");
  check(e, "getConnection");
  jobject connection =
      e->CallStaticObjectMethod(dm, get, e->NewStringUTF(url.c_str()),
                                e->NewStringUTF(user.c_str()), e->NewStringUTF(password.c_str()));
  check(e, "getConnection");
  jclass cc = findClass(e, "java/sql/Connection");
  jobject statement =
      e->CallObjectMethod(connection, method(e, cc, "createStatement", "()Ljava/sql/Statement;"));
  check(e, "createStatement");
  try {
    auto result = body(e, statement);
    closeObject(e, statement, "java/sql/Statement");
    closeObject(e, connection, "java/sql/Connection");
    return result;
  } catch (...) {
    if (!e->ExceptionCheck()) {
      e->CallVoidMethod(connection, method(e, cc, "close", "()V"));
      e->ExceptionClear();
    }
    throw;
  }
}

Rows JdbcProbe::query(const std::string& url, const std::string& sql, const std::string& user,
                      const std::string& password) {
  return withConnection(url, user, password, [&](JNIEnv* e, jobject statement) {
    jclass sc = findClass(e, "java/sql/Statement");
    jobject rs = e->CallObjectMethod(
        statement, method(e, sc, "executeQuery", "(Ljava/lang/String;)Ljava/sql/ResultSet;"),
        e->NewStringUTF(sql.c_str()));
    check(e, "executeQuery");
    jclass rc = findClass(e, "java/sql/ResultSet");
    jclass mc = findClass(e, "java/sql/ResultSetMetaData");
    jobject md =
        e->CallObjectMethod(rs, method(e, rc, "getMetaData", "()Ljava/sql/ResultSetMetaData;"));
    check(e, "getMetaData");
    jint columns = e->CallIntMethod(md, method(e, mc, "getColumnCount", "()I"));
    check(e, "getColumnCount");
    jmethodID next = method(e, rc, "next", "()Z");
    jmethodID getString = method(e, rc, "getString", "(I)Ljava/lang/String;");
    Rows rows;
    while (true) {
      jboolean more = e->CallBooleanMethod(rs, next);
      check(e, "next");
      if (!more) break;
      std::vector<std::string> row;
      for (jint c = 1; c <= columns; ++c) {
        auto s = static_cast<jstring>(e->CallObjectMethod(rs, getString, c));
        check(e, "getString");
        if (!s) {
          row.push_back("<null>");
          continue;
        }
        const char* chars = e->GetStringUTFChars(s, nullptr);
        row.push_back(chars);
        e->ReleaseStringUTFChars(s, chars);
        e->DeleteLocalRef(s);
      }
      rows.push_back(std::move(row));
    }
    closeObject(e, rs, "java/sql/ResultSet");
    return rows;
  });
}

int32_t JdbcProbe::update(const std::string& url, const std::string& sql, const std::string& user,
                          const std::string& password) {
  return withConnection(url, user, password, [&](JNIEnv* e, jobject statement) {
    jclass sc = findClass(e, "java/sql/Statement");
    jint n = e->CallIntMethod(statement, method(e, sc, "executeUpdate", "(Ljava/lang/String;)I"),
                              e->NewStringUTF(sql.c_str()));
    check(e, "executeUpdate");
    return static_cast<int32_t>(n);
  });
}

int32_t JdbcProbe::loginTimeout() {
  JNIEnv* e = env();
  LocalFrame frame(e);
  jclass dm = findClass(e, "java/sql/DriverManager");
  jmethodID get = e->GetStaticMethodID(dm, "getLoginTimeout", "()I");
  check(e, "getLoginTimeout");
  jint n = e->CallStaticIntMethod(dm, get);
  check(e, "getLoginTimeout");
  return n;
}

void JdbcProbe::setLoginTimeout(int32_t seconds) {
  JNIEnv* e = env();
  LocalFrame frame(e);
  jclass dm = findClass(e, "java/sql/DriverManager");
  jmethodID set = e->GetStaticMethodID(dm, "setLoginTimeout", "(I)V");
  check(e, "setLoginTimeout");
  e->CallStaticVoidMethod(dm, set, seconds);
  check(e, "setLoginTimeout");
}

}  // namespace dbtest
