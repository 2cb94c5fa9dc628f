#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "host/companions.h"
#include "object/com_ref.h"
#include "variant/variant.h"

namespace qz::host {
namespace {

// One open iconv conversion. iconv descriptors keep shift state, so calls are serialised.
class converterC final : public defQZCOMWrapperT<qzICharsetConverter, &qziid::kCharsetConverter> {
 public:
  converterC(iconv_t cd, std::string from, std::string to)
      : cd_(cd), from_(std::move(from)), to_(std::move(to)) {}
  ~converterC() override { iconv_close(cd_); }

  int32_t getSourceCharset(qzVariantS* out) override { return text(from_, out); }
  int32_t getTargetCharset(qzVariantS* out) override { return text(to_, out); }

  // The whole text converts or nothing does: the caller then keeps its own text.
  int32_t convert(const char* text, qzVariantS* out) override {
    if (!text || !out) return kQzFailed;
    try {
      std::lock_guard<std::mutex> guard(lock_);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      size_t inLeft = std::strlen(text);
      std::string result(inLeft * 4 + 16, '\0');
      char* in = const_cast<char*>(text);
      size_t done = 0;
      for (;;) {
        char* o = result.data() + done;
        size_t outLeft = result.size() - done;
        size_t rc = iconv(cd_, &in, &inLeft, &o, &outLeft);
        done = result.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno != E2BIG) return kQzFailed;
        result.resize(result.size() * 2);
      }
      // Flush any shift sequence the target needs at the end.
      for (;;) {
        char* o = result.data() + done;
        size_t outLeft = result.size() - done;
        size_t rc = iconv(cd_, nullptr, nullptr, &o, &outLeft);
        done = result.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno != E2BIG) return kQzFailed;
        result.resize(result.size() * 2);
      }
      out->setString(result.data(), done);
      return kQzOk;
    } catch (...) {
      return kQzFailed;
    }
  }

 private:
  static int32_t text(const std::string& s, qzVariantS* out) {
    if (!out) return kQzFailed;
    out->setString(s.c_str());
    return kQzOk;
  }

  std::mutex lock_;
  iconv_t cd_;
  std::string from_;
  std::string to_;
};

class charsetFactoryC final : public defQZCOMWrapperT<qzICharsetFactory, &qziid::kCharsetFactory> {
 public:
  int32_t isKnownCharset(const char* name) override {
    char buffer[64];
    const char* mapped = iconvCharsetName(name, buffer, sizeof buffer);
    if (!mapped) return kQzFailed;
    iconv_t cd = iconv_open("UTF-8", mapped);
    if (cd == reinterpret_cast<iconv_t>(-1)) return kQzFailed;
    iconv_close(cd);
    return kQzOk;
  }

  // The character set of the user's locale (from the environment), without changing the
  // process's own locale.
  int32_t getLocaleCharset(qzVariantS* out) override {
    if (!out) return kQzFailed;
    locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (!user) user = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    if (!user) return kQzFailed;
    const char* codeset = nl_langinfo_l(CODESET, user);
    std::string name = codeset && *codeset ? codeset : "ANSI_X3.4-1968";
    freelocale(user);
    out->setString(name.c_str());
    return kQzOk;
  }

  int32_t openConverter(const char* from, const char* to, qzIUnknown** out) override {
    if (!from || !to || !out) return kQzFailed;
    char fromBuffer[64], toBuffer[64];
    const char* f = iconvCharsetName(from, fromBuffer, sizeof fromBuffer);
    const char* t = iconvCharsetName(to, toBuffer, sizeof toBuffer);
    if (!f || !t) return kQzFailed;
    iconv_t cd = iconv_open(t, f);
    if (cd == reinterpret_cast<iconv_t>(-1)) return kQzFailed;
    try {
      auto* c = new converterC(cd, from, to);
      c->AddRef();
      *out = static_cast<qzICharsetConverter*>(c);
      return kQzOk;
    } catch (...) {
      iconv_close(cd);
      return kQzFailed;
    }
  }
};

}  // namespace

const char* iconvCharsetName(const char* name, char* buffer, int size) {
  if (!name || !*name || size < 16) return nullptr;
  struct Alias {
    const char* windows;
    const char* iconv;
  };
  static const Alias aliases[] = {
      {"CP65001", "UTF-8"},      {"65001", "UTF-8"},         {"CP1200", "UTF-16LE"},
      {"CP1201", "UTF-16BE"},    {"CP20127", "ASCII"},       {"CP28591", "ISO-8859-1"},
      {"CP28592", "ISO-8859-2"}, {"CP28605", "ISO-8859-15"}, {"ANSI", "CP1252"},
  };
  for (const Alias& a : aliases) {
    if (qzEqualsIgnoringAsciiCase(name, a.windows)) return a.iconv;
  }
  // A bare code-page number ("1252") is a Windows code page.
  bool digits = true;
  for (const char* p = name; *p; ++p) digits = digits && *p >= '0' && *p <= '9';
  if (digits && std::strlen(name) < 8) {
    std::snprintf(buffer, size, "CP%s", name);
    return buffer;
  }
  return name;  // "CP1252", "windows-1252", "UTF-8", "ISO-8859-1": iconv knows them
}

qzIUnknown* createCharsetFactory() {
  return newCompanion<qzICharsetFactory, charsetFactoryC>();
}

}  // namespace qz::host
