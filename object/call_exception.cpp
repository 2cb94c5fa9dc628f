#include "object/call_exception.h"

#include <atomic>

#include "object/com_ref.h"
#include "variant/variant.h"

namespace {

class callExceptionC final : public qzIException, public qzISqlError, public qzComRefObjectC {
 public:
  callExceptionC(const char* source, const char* description, qzIUnknown* inner,
                 const char* sqlState, int32_t vendorCode)
      : inner_(qzRef<qzIUnknown>::share(inner)), vendorCode_(vendorCode) {
    source_.setString(source);
    description_.setString(description);
    sqlState_.setString(sqlState);
  }

  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qziid::kException)) {
      AddRef();
      *out = static_cast<qzIException*>(this);
      return kQzOk;
    }
    if (qzIIDEqual(*iid, qziid::kSqlError)) {
      AddRef();
      *out = static_cast<qzISqlError*>(this);
      return kQzOk;
    }
    return kQzNoInterface;
  }
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
  int32_t getSource(qzVariantS* out) override { return copyTo(source_, out); }
  int32_t getDescription(qzVariantS* out) override { return copyTo(description_, out); }
  int32_t getInnerException(qzIUnknown** out) override {
    if (!out) return kQzFailed;
    *out = inner_.get();
    if (*out) (*out)->AddRef();
    return kQzOk;
  }
  int32_t getSqlState(qzVariantS* out) override { return copyTo(sqlState_, out); }
  int32_t getVendorCode(int32_t* out) override {
    if (!out) return kQzFailed;
    *out = vendorCode_;
    return kQzOk;
  }

 private:
  static int32_t copyTo(const qzVariantS& v, qzVariantS* out) {
    if (!out) return kQzFailed;
    try {
      *out = v;
    } catch (...) {
      return kQzFailed;
    }
    return kQzOk;
  }

  qzVariantS source_;
  qzVariantS description_;
  qzRef<qzIUnknown> inner_;
  qzVariantS sqlState_;
  int32_t vendorCode_;
};

std::atomic<qzIUnknown*> g_lastException{nullptr};

void replaceLast(qzIUnknown* fresh) {
  qzIUnknown* old = g_lastException.exchange(fresh);
  if (old) old->Release();
}

}  // namespace

qzIUnknown* qzCreateCallException(const char* source, const char* description, qzIUnknown* inner) {
  return qzCreateSqlCallException(source, description, inner, "", 0);
}

qzIUnknown* qzCreateSqlCallException(const char* source, const char* description, qzIUnknown* inner,
                                     const char* sqlState, int32_t vendorCode) {
  auto* e = new callExceptionC(source ? source : "", description ? description : "", inner,
                               sqlState ? sqlState : "", vendorCode);
  e->AddRef();
  return static_cast<qzIException*>(e);
}

qzExceptionTexts qzReadException(qzIUnknown* exception) {
  qzExceptionTexts texts;
  qzRef<qzIException> e = qzQuery<qzIException>(exception, qziid::kException);
  if (!e) return texts;
  qzVariantS v;
  if (e->getSource(&v) == kQzOk && v.text()) texts.source = v.text();
  if (e->getDescription(&v) == kQzOk && v.text()) texts.description = v.text();
  qzRef<qzISqlError> sql = qzQuery<qzISqlError>(exception, qziid::kSqlError);
  if (sql) {
    if (sql->getSqlState(&v) == kQzOk && v.text()) texts.sqlState = v.text();
    sql->getVendorCode(&texts.vendorCode);
  }
  return texts;
}

int32_t qzRecordedCall(qzIDispatch* target, const char* name, int32_t kind, int32_t count,
                       const qzVariantS* args, qzVariantS* result) {
  if (!target) return kQzFailed;
  // The slot is emptied before the call: invoke writes it only on failure, and a stale
  // pointer left there would be released a second time later.
  replaceLast(nullptr);
  qzIUnknown* exception = nullptr;
  int32_t rc = target->invoke(name, kind, count, args, result, &exception);
  if (rc != kQzOk && exception) {
    replaceLast(exception);
  } else if (exception) {
    exception->Release();
  }
  return rc;
}

int32_t qzRecordedCallText(qzIDispatch* target, const char* name, int32_t kind, qzVariantS* result,
                           const char* text) {
  qzVariantS arg;
  arg.setString(text);
  return qzRecordedCall(target, name, kind, 1, &arg, result);
}

qzIUnknown* qzLastCallException() {
  // Swap out, reference, put back: the slot never holds a pointer without its reference.
  qzIUnknown* e = g_lastException.exchange(nullptr);
  if (e) e->AddRef();
  qzIUnknown* displaced = g_lastException.exchange(e);
  if (displaced) displaced->Release();
  return e;
}

void qzReleaseLastCallException() {
  replaceLast(nullptr);
}
