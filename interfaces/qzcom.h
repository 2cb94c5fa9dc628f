// The qzCom component interfaces: a binary contract between separately built modules.
//
// Every interface is a class of pure virtual operations in a fixed slot order, and nothing
// else: no virtual destructor, no data. A host compiled apart from this header calls the
// slots by position, so the order of declarations below is the contract. Implementations
// may add virtual operations (a destructor among them) only after the interface's own.
//
// Every operation returns a 32-bit status: 0 success, 1 failure, 2 "interface not offered";
// other non-zero values come from the host and are passed on unchanged. No C++ exception
// ever crosses one of these operations.
//
// Whoever receives an interface pointer from QueryInterface, a getter or an out parameter
// owns one reference and releases it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct qzVariantS;

constexpr int32_t kQzOk = 0;
constexpr int32_t kQzFailed = 1;
constexpr int32_t kQzNoInterface = 2;

// Call kinds of invoke and of method table rows.
constexpr int32_t kQzMethod = 1;
constexpr int32_t kQzPropertyGet = 2;
constexpr int32_t kQzPropertyPut = 4;
constexpr int32_t kQzAnyKind = -1;

// An interface or class identifier. Length 0 compares the whole name ignoring ASCII case;
// a non-zero length compares exactly that many bytes.
struct qzIIDS {
  int32_t length;
  char name[32];  // at most 31 characters and a terminator
};
static_assert(sizeof(qzIIDS) == 36, "qzIIDS is a 32-bit length and 32 bytes of name");

// Builds an identifier; the name is cut to 31 characters.
qzIIDS qzMakeIID(const char* name, int32_t length = 0);
// Builds an identifier whose length is the name's own (exact comparison).
qzIIDS qzExactIID(const char* name);
bool qzIIDEqual(const qzIIDS& a, const qzIIDS& b);
// Compares an identifier with a plain name under the identifier rule; null never matches.
bool qzIIDMatchesName(const qzIIDS& id, const char* name);

// The one case-insensitive comparison of the system: ASCII letters compare ignoring case,
// every other byte (those of UTF-8 sequences included) exactly.
bool qzEqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool qzStartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);
// Member names, child names and option keys: null is taken as "", the default member.
inline bool qzEqualsIgnoringAsciiCase(const char* a, const char* b) {
  return qzEqualsIgnoringAsciiCase(std::string_view(a ? a : ""), std::string_view(b ? b : ""));
}

// The identifiers of this system's interfaces.
namespace qziid {
extern const qzIIDS kUnknown;             // "QZIIDUNK", length 8
extern const qzIIDS kDispatch;            // "QZIIDDSP"
extern const qzIIDS kClassFactory;        // "QZIIDCLSFAC", length 11
extern const qzIIDS kEngineFactory;       // "QZCOMENGFACT", length 0
extern const qzIIDS kException;           // "QZIEXCEPTION"
extern const qzIIDS kSqlError;            // "QZISQLERROR"
extern const qzIIDS kTypeInfo;            // "QZIIDTYPEINFO"
extern const qzIIDS kMethodTypeInfo;      // "QZIIDMETHTYPEINFO"
extern const qzIIDS kPropertyTypeInfo;    // "QZIIDPROPTYPEINFO"
extern const qzIIDS kObjectCollection;    // "QZCOMOBJCOLL"
extern const qzIIDS kNativePointer;       // "QZCOMNATPTR"
extern const qzIIDS kExternalConnection;  // "QZCOMEXTCONN"
extern const qzIIDS kJvmProvider;         // "QZCOM.IJVMPROVIDER"
extern const qzIIDS kCharsetFactory;      // "QZCOM.ICHARSETFACT"
extern const qzIIDS kCharsetConverter;    // "QZCOM.ICHARSETCONV"
}  // namespace qziid

class qzIUnknown {
 public:
  virtual int32_t QueryInterface(const qzIIDS* iid, void** out) = 0;  // slot 0
  virtual int32_t AddRef() = 0;                                       // slot 1: new count
  virtual int32_t Release() = 0;                                      // slot 2: new count

 protected:
  ~qzIUnknown() = default;
};

class qzIDispatch : public qzIUnknown {
 public:
  // name null means the default member ""; args may be null when count is 0; result and
  // exception may be null. On failure a new call exception object is stored in *exception.
  virtual int32_t invoke(const char* name, int32_t kind, int32_t count, const qzVariantS* args,
                         qzVariantS* result, qzIUnknown** exception) = 0;  // slot 3

 protected:
  ~qzIDispatch() = default;
};

// "QZIEXCEPTION": what a failed call leaves behind.
class qzIException : public qzIUnknown {
 public:
  virtual int32_t getSource(qzVariantS* out) = 0;           // slot 3
  virtual int32_t getDescription(qzVariantS* out) = 0;      // slot 4
  virtual int32_t getInnerException(qzIUnknown** out) = 0;  // slot 5: null when none

 protected:
  ~qzIException() = default;
};

// "QZISQLERROR": what a database error adds to a call exception. An interface of its own
// rather than more slots of qzIException, so that a caller may ask any exception object for it
// (one made by another module answers 2) without reading past the end of its table.
class qzISqlError : public qzIUnknown {
 public:
  virtual int32_t getSqlState(qzVariantS* out) = 0;  // slot 3: the SQL state text ("" if none)
  virtual int32_t getVendorCode(int32_t* out) = 0;   // slot 4: the driver's error code

 protected:
  ~qzISqlError() = default;
};

class qzIComTypeInfo : public qzIUnknown {
 public:
  virtual int32_t getMembers(int32_t kindMask, qzIUnknown** out) = 0;                   // slot 3
  virtual int32_t getMember(const char* name, int32_t kindMask, qzIUnknown** out) = 0;  // slot 4

 protected:
  ~qzIComTypeInfo() = default;
};

class qzIComMethodeTypeInfo : public qzIUnknown {
 public:
  virtual int32_t getName(qzVariantS* out) = 0;                 // slot 3
  virtual int32_t getMinParameterCount(int32_t* out) = 0;       // slot 4
  virtual int32_t getOptionalParameterCount(int32_t* out) = 0;  // slot 5

 protected:
  ~qzIComMethodeTypeInfo() = default;
};

class qzIComPropertyTypeInfo : public qzIUnknown {
 public:
  virtual int32_t getName(qzVariantS* out) = 0;  // slot 3
  virtual int32_t getKind(int32_t* out) = 0;     // slot 4: the property's call kind (2 or 4)

 protected:
  ~qzIComPropertyTypeInfo() = default;
};

class qzIComObjectCollection : public qzIUnknown {
 public:
  virtual int32_t getCount(int32_t* out) = 0;                    // slot 3
  virtual int32_t getItem(int32_t index, qzIUnknown** out) = 0;  // slot 4

 protected:
  ~qzIComObjectCollection() = default;
};

class qzIComNativePointer : public qzIUnknown {
 public:
  virtual int32_t getThreadId(uint32_t* out) = 0;     // slot 3
  virtual int32_t getNativePointer(void** out) = 0;   // slot 4
  virtual int32_t queryNative(int32_t arg) = 0;       // slot 5: always 1
  virtual int32_t getClassName(qzVariantS* out) = 0;  // slot 6

 protected:
  ~qzIComNativePointer() = default;
};

class qzIComExternalConnection : public qzIUnknown {
 public:
  virtual int32_t addConnection(int32_t arg) = 0;                    // slot 3
  virtual int32_t releaseConnection(int32_t arg, int32_t arg2) = 0;  // slot 4
  virtual int32_t queryConnection(int32_t* out) = 0;                 // slot 5

 protected:
  ~qzIComExternalConnection() = default;
};

// "QZIIDCLSFAC": creates objects of the classes a module serves.
class qzIClassFactory : public qzIUnknown {
 public:
  virtual int32_t createInstance(const qzIIDS* className, qzIUnknown** out) = 0;  // slot 3

 protected:
  ~qzIClassFactory() = default;
};

// "QZCOMENGFACT": the host's engine factory.
class qzIEngineFactory : public qzIUnknown {
 public:
  virtual int32_t registerClassObject(const qzIIDS* iid, qzIUnknown* factory, int32_t flags,
                                      uint32_t* cookie) = 0;  // slot 3
  virtual int32_t revokeClassObject(uint32_t cookie) = 0;     // slot 4
  virtual int32_t classObjectCount(int32_t* out) = 0;         // slot 5: registrations held
  virtual int32_t createObject(const qzIIDS* classId, qzIUnknown** out) = 0;  // slot 6

 protected:
  ~qzIEngineFactory() = default;
};

// "QZCOM.IJVMPROVIDER" of the companion zeltools.jvm.
class qzIJvmProvider : public qzIUnknown {
 public:
  // The class path and options the provider starts (or started) the VM with, as text.
  virtual int32_t getConfiguration(qzVariantS* out) = 0;  // slot 3
  // *vm receives the process's JavaVM*, *env the calling thread's JNIEnv* (may be null).
  virtual int32_t getJavaVM(void** vm, void** env) = 0;  // slot 4

 protected:
  ~qzIJvmProvider() = default;
};

// "QZCOM.ICHARSETCONV": one open conversion.
class qzICharsetConverter : public qzIUnknown {
 public:
  virtual int32_t getSourceCharset(qzVariantS* out) = 0;           // slot 3
  virtual int32_t getTargetCharset(qzVariantS* out) = 0;           // slot 4
  virtual int32_t convert(const char* text, qzVariantS* out) = 0;  // slot 5

 protected:
  ~qzICharsetConverter() = default;
};

// "QZCOM.ICHARSETFACT" of the companion zeltools.charsetconvert.
class qzICharsetFactory : public qzIUnknown {
 public:
  virtual int32_t isKnownCharset(const char* name) = 0;   // slot 3: 0 when known
  virtual int32_t getLocaleCharset(qzVariantS* out) = 0;  // slot 4
  virtual int32_t openConverter(const char* from, const char* to,
                                qzIUnknown** out) = 0;  // slot 5

 protected:
  ~qzICharsetFactory() = default;
};
