#include "jdbc/row_block.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_lang.h"
#include "platform/thread.h"

namespace qz::jdbc {

extern const unsigned char kRowBlockClass[];
extern const std::size_t kRowBlockClassSize;

namespace {

using jbridge::JNIException;
using jbridge::JNIHelper;
using jbridge::LocalRef;

constexpr char kClassName[] = "qz/jdbc/RowBlock";
constexpr int32_t kUnreadCode = -1;
constexpr int32_t kTooSmallCode = -2;
// Blocks start small, so that the first row comes soon, and grow to where a crossing costs
// next to nothing per row.
constexpr int32_t kFirstBlockRows = 16;
constexpr int32_t kMaxBlockRows = 512;
constexpr std::size_t kFirstCapacity = 64 * 1024;
// A block ends once it holds this much, whatever its rows: wide values do not pile up.
constexpr int32_t kSoftLimit = 256 * 1024;

struct Ids {
  jclass cls = nullptr;  // global
  jmethodID init = nullptr;
  jmethodID fill = nullptr;
  jmethodID setCapacity = nullptr;
  jmethodID needed = nullptr;
  jfieldID block = nullptr;
  jfieldID used = nullptr;
  jmethodID update = nullptr;             // static
  jmethodID integerParameters = nullptr;  // static
  jmethodID updateAscii = nullptr;        // static
  jclass stringClass = nullptr;           // global
};

bool cleared(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  return true;
}

// The class as the system class loader has it: defined from our bytes unless a load of this
// library before has defined it already.
jclass defineClass(JNIEnv* env) {
  LocalRef<jclass> loaderClass(env, env->FindClass("java/lang/ClassLoader"));
  if (cleared(env) || !loaderClass) return nullptr;
  jmethodID systemLoader = env->GetStaticMethodID(loaderClass.get(), "getSystemClassLoader",
                                                  "()Ljava/lang/ClassLoader;");
  if (cleared(env)) return nullptr;
  LocalRef<> loader(env, env->CallStaticObjectMethod(loaderClass.get(), systemLoader));
  if (cleared(env) || !loader) return nullptr;
  jmethodID loadClass =
      env->GetMethodID(loaderClass.get(), "loadClass", "(Ljava/lang/String;)Ljava/lang/Class;");
  if (cleared(env)) return nullptr;
  LocalRef<jstring> dotted(env, env->NewStringUTF("qz.jdbc.RowBlock"));
  if (cleared(env)) return nullptr;
  jobject found = env->CallObjectMethod(loader.get(), loadClass, dotted.get());
  if (!cleared(env) && found) return static_cast<jclass>(found);
  jclass defined =
      env->DefineClass(kClassName, loader.get(), reinterpret_cast<const jbyte*>(kRowBlockClass),
                       static_cast<jsize>(kRowBlockClassSize));
  if (cleared(env)) return nullptr;
  return defined;
}

const Ids* ids() {
  static std::once_flag once;
  static Ids found;
  static std::atomic<bool> ready{false};
  std::call_once(once, [] {
    try {
      JNIEnv* env = JNIHelper::attach();
      LocalRef<jclass> cls(env, defineClass(env));
      if (!cls) return;
      Ids i;
      i.init = env->GetMethodID(cls.get(), "<init>", "(Ljava/sql/ResultSet;II)V");
      i.fill = env->GetMethodID(cls.get(), "fill", "(II)I");
      i.setCapacity = env->GetMethodID(cls.get(), "setCapacity", "(I)V");
      i.needed = env->GetMethodID(cls.get(), "needed", "()I");
      i.block = env->GetFieldID(cls.get(), "block", "[B");
      i.used = env->GetFieldID(cls.get(), "used", "I");
      i.update = env->GetStaticMethodID(cls.get(), "update",
                                        "(Ljava/sql/PreparedStatement;[Ljava/lang/String;JJ)I");
      i.integerParameters = env->GetStaticMethodID(cls.get(), "integerParameters",
                                                   "(Ljava/sql/PreparedStatement;)[J");
      i.updateAscii =
          env->GetStaticMethodID(cls.get(), "updateAscii", "(Ljava/sql/PreparedStatement;[B)I");
      if (cleared(env) || !i.init || !i.fill || !i.setCapacity || !i.needed || !i.block ||
          !i.used || !i.update || !i.integerParameters || !i.updateAscii) {
        return;
      }
      LocalRef<jclass> string(env, env->FindClass("java/lang/String"));
      if (cleared(env) || !string) return;
      i.stringClass = static_cast<jclass>(env->NewGlobalRef(string.get()));
      if (!i.stringClass) return;
      // Held for the process, like the proxies' classes: the VM outlives the library.
      i.cls = static_cast<jclass>(env->NewGlobalRef(cls.get()));
      if (!i.cls) return;
      found = i;
      ready.store(true, std::memory_order_release);
    } catch (...) {
      // No VM: the caller reads row by row.
    }
  });
  return ready.load(std::memory_order_acquire) ? &found : nullptr;
}

}  // namespace

bool RowBlockReader::available() {
  return ids() != nullptr;
}

RowBlockReader::RowBlockReader(jbridge::proxy::java::sql::ResultSet& resultSet, int32_t columns)
    : blockRows_(kFirstBlockRows), row_(static_cast<std::size_t>(columns > 0 ? columns : 0)) {
  const Ids* i = ids();
  if (!i) throw JNIException("RowBlockReader: the class qz.jdbc.RowBlock is not available");
  JNIEnv* env = JNIHelper::attach();
  buffer_.reset(new char[kFirstCapacity]);
  capacity_ = kFirstCapacity;
  LocalRef<> reader(
      env, env->NewObject(i->cls, i->init, resultSet.getJniObject(), static_cast<jint>(row_.size()),
                          static_cast<jint>(kFirstCapacity)));
  jbridge::helper::catchAndThrow(env);
  reader_ = JNIHelper::newGlobalRef(env, reader.get());
}

RowBlockReader::~RowBlockReader() {
  if (!reader_ || jbridge::vmShutdown()) return;
  try {
    JNIHelper::deleteGlobalRef(JNIHelper::attach(), reader_);
  } catch (...) {
  }
}

void RowBlockReader::setBuffer(JNIEnv* env, std::size_t capacity) {
  std::unique_ptr<char[]> bigger(new char[capacity]);
  env->CallVoidMethod(reader_, ids()->setCapacity, static_cast<jint>(capacity));
  jbridge::helper::catchAndThrow(env);
  if (!retired_) retired_ = std::move(buffer_);
  buffer_ = std::move(bigger);
  capacity_ = capacity;
}

void RowBlockReader::readBlock(JNIEnv* env) {
  const Ids* i = ids();
  for (;;) {
    lastFill_ = env->CallIntMethod(reader_, i->fill, blockRows_, kSoftLimit);
    jbridge::helper::catchAndThrow(env);
    if (lastFill_ != kTooSmallCode) break;
    const jint needed = env->CallIntMethod(reader_, i->needed);
    jbridge::helper::catchAndThrow(env);
    setBuffer(env, std::max<std::size_t>(static_cast<std::size_t>(needed), capacity_ * 2));
  }
  cursor_ = buffer_.get();
  rowsLeft_ = 0;
  if (lastFill_ > 0) {
    // The rows' bytes, at most the capacity the Java side was given.
    const jint used = env->GetIntField(reader_, i->used);
    LocalRef<jbyteArray> block(env,
                               static_cast<jbyteArray>(env->GetObjectField(reader_, i->block)));
    if (!block || used < 0 || static_cast<std::size_t>(used) > capacity_) {
      throw JNIException("RowBlockReader: the block does not fit the buffer");
    }
    env->GetByteArrayRegion(block.get(), 0, used, reinterpret_cast<jbyte*>(buffer_.get()));
    jbridge::helper::catchAndThrow(env);
    rowsLeft_ = lastFill_;
  }
  if (blockRows_ < kMaxBlockRows) blockRows_ *= 2;
}

RowBlockReader::Step RowBlockReader::next() {
  if (rowsLeft_ == 0) {
    readBlock(JNIHelper::attach());
    retired_.reset();
    if (lastFill_ == kUnreadCode) return kUnread;
    if (rowsLeft_ == 0) return kEnd;
  }
  const char* p = cursor_;
  for (Value& v : row_) {
    int32_t header[2];
    std::memcpy(header, p, sizeof header);
    p += sizeof header;
    v.chars = header[0];
    v.size = header[1];
    v.bytes = p;
    p += header[1] + 1;
  }
  cursor_ = p;
  --rowsLeft_;
  return kRow;
}

namespace {

// What updateAscii reads, all little-endian: the count of values (int), 1 with `utf8` else 0
// (int), the INTEGER and BIGINT parameter bits (two longs), then each value, an int length and
// its bytes. In the array rather than as arguments: the VM's call from native code costs per
// argument (about 35 ns for the four here). False when a value has a byte past ASCII.
constexpr std::size_t kAsciiHeader = 24;

void putLittleEndian(char* p, uint64_t value, int bytes) {
  for (int b = 0; b < bytes; ++b) p[b] = static_cast<char>(value >> (8 * b));
}

bool packAscii(const std::vector<std::string>& values, bool utf8, const IntegerParameters& types,
               std::vector<char>& out) {
  std::size_t size = kAsciiHeader;
  for (const std::string& v : values) size += 4 + v.size();
  if (size > static_cast<std::size_t>(INT32_MAX)) return false;
  out.resize(size);
  char* p = out.data();
  putLittleEndian(p, values.size(), 4);
  putLittleEndian(p + 4, utf8 ? 1 : 0, 4);
  putLittleEndian(p + 8, types.integers, 8);
  putLittleEndian(p + 16, types.bigints, 8);
  p += kAsciiHeader;
  for (const std::string& v : values) {
    unsigned char high = 0;
    for (const char c : v) high |= static_cast<unsigned char>(c);
    if (high >= 0x80) return false;
    putLittleEndian(p, v.size(), 4);
    if (!v.empty()) std::memcpy(p + 4, v.data(), v.size());
    p += 4 + v.size();
  }
  return true;
}

// The thread's array for updateAscii, kept for its next update instead of a new one per call
// (the VM keeps no hold on it past the call). A call made while it is lent out, by a driver
// that comes back into native code, gets an array of its own.
class AsciiArray {
 public:
  ~AsciiArray() {
    if (!array_ || jbridge::vmShutdown()) return;
    JNIEnv* env = nullptr;
    if (vm_->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) == JNI_OK) {
      env->DeleteGlobalRef(array_);
    } else if (vm_->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) ==
               JNI_OK) {
      // The VM detached the thread before its exit: attached again for this one delete.
      env->DeleteGlobalRef(array_);
      vm_->DetachCurrentThread();
    }
  }

  // An array of at least `size` bytes, or null when this one is lent out already.
  jbyteArray lend(JNIEnv* env, jsize size) {
    if (lent_) return nullptr;
    if (size > capacity_) {
      LocalRef<jbyteArray> bigger(
          env, env->NewByteArray(capacity_ > INT32_MAX / 2 ? size : std::max(size, 2 * capacity_)));
      jbridge::helper::catchAndThrow(env);
      if (!bigger) throw JNIException("updateInOneCall: no array");
      auto global = static_cast<jbyteArray>(env->NewGlobalRef(bigger.get()));
      if (!global) throw JNIException("updateInOneCall: no array");
      if (array_) env->DeleteGlobalRef(array_);
      array_ = global;
      capacity_ = env->GetArrayLength(array_);
      if (!vm_) env->GetJavaVM(&vm_);
    }
    lent_ = true;
    return array_;
  }
  void giveBack() { lent_ = false; }

 private:
  JavaVM* vm_ = nullptr;
  jbyteArray array_ = nullptr;  // global
  jsize capacity_ = 0;
  bool lent_ = false;
};

// What an update reuses from the thread's previous one: the packed values (most rows of one
// statement are alike in size) and the array they go to the VM in.
struct UpdateScratch {
  std::vector<char> packed;
  AsciiArray array;
  ~UpdateScratch();
};

// Read on every update: a thread_local object with a destructor costs __tls_get_addr calls
// and a guard per access, a plain pointer in the hot model one load.
QZ_HOT_TLS thread_local UpdateScratch* tlsScratch = nullptr;

UpdateScratch::~UpdateScratch() {
  tlsScratch = nullptr;
}

UpdateScratch& scratch() {
  if (UpdateScratch* s = tlsScratch) return *s;
  thread_local UpdateScratch owned;  // destroyed at the thread's exit
  tlsScratch = &owned;
  return owned;
}

}  // namespace

bool updateInOneCall(jobject prepared, const std::vector<std::string>& values, bool utf8,
                     const IntegerParameters& types, int32_t* count) {
  // ids() answers the same for the process: asked once here, not through its once-flag on
  // every update.
  static const Ids* const i = ids();
  if (!i) return false;
  JNIEnv* env = JNIHelper::attach();
  UpdateScratch& reused = scratch();
  jint n;
  if (packAscii(values, utf8, types, reused.packed)) {
    const auto size = static_cast<jsize>(reused.packed.size());
    jbyteArray array = reused.array.lend(env, size);
    LocalRef<jbyteArray> own(env, nullptr);
    if (!array) {
      own = LocalRef<jbyteArray>(env, env->NewByteArray(size));
      jbridge::helper::catchAndThrow(env);
      if (!own) throw JNIException("updateInOneCall: no array");
      array = own.get();
    }
    struct GiveBack {
      AsciiArray& array;
      bool lent;
      ~GiveBack() {
        if (lent) array.giveBack();
      }
    } giveBack{reused.array, !own};
    // The range lies within the array, so this can raise no exception: none is asked for.
    env->SetByteArrayRegion(array, 0, size, reinterpret_cast<const jbyte*>(reused.packed.data()));
    n = env->CallStaticIntMethod(i->cls, i->updateAscii, prepared, array);
  } else {
    LocalRef<jobjectArray> array(
        env, env->NewObjectArray(static_cast<jsize>(values.size()), i->stringClass, nullptr));
    jbridge::helper::catchAndThrow(env);
    if (!array) throw JNIException("updateInOneCall: no array");
    for (std::size_t v = 0; v < values.size(); ++v) {
      LocalRef<> text = jbridge::proxy::java::lang::String::local(values[v], utf8);
      env->SetObjectArrayElement(array.get(), static_cast<jsize>(v), text.get());
      jbridge::helper::catchAndThrow(env);
    }
    n = env->CallStaticIntMethod(i->cls, i->update, prepared, array.get(),
                                 static_cast<jlong>(types.integers),
                                 static_cast<jlong>(types.bigints));
  }
  jbridge::helper::catchAndThrow(env);
  *count = n;
  return true;
}

IntegerParameters integerParameters(jobject prepared) {
  IntegerParameters types;
  const Ids* i = ids();
  if (!i) return types;
  try {
    JNIEnv* env = JNIHelper::attach();
    LocalRef<jlongArray> found(env, static_cast<jlongArray>(env->CallStaticObjectMethod(
                                        i->cls, i->integerParameters, prepared)));
    if (cleared(env) || !found) return types;
    jlong bits[2] = {0, 0};
    env->GetLongArrayRegion(found.get(), 0, 2, bits);
    if (cleared(env)) return types;
    types.integers = static_cast<uint64_t>(bits[0]);
    types.bigints = static_cast<uint64_t>(bits[1]);
  } catch (...) {
    // Nothing known: every value goes as text.
  }
  return types;
}

}  // namespace qz::jdbc
