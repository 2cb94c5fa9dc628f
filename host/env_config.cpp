#include <string>

#include "config/expand.h"
#include "host/companions.h"
#include "object/call_exception.h"
#include "object/com_ref.h"
#include "object/proxy_object.h"

namespace qz::host {
namespace {

// Expands installation variables the way the engine's own fallback does (registry roots,
// environment, built-in constants), so a path means the same with or without this
// component. Answers a string, or raises when the expansion would be too long.
class envConfigC final : public proxyObjectC {
 public:
  envConfigC() : proxyObjectC(table(), nullptr, false) {}
  const char* className() override { return qzReadableTypeName(typeid(envConfigC)); }

 private:
  static void resolveVar(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    const char* text = args.getText(0);
    int status = 0;
    std::string expanded = config::expandVariables(text, &status, true);
    if (status == config::kExpansionTooLong) {
      // An unexpanded text would read as a path nobody meant.
      qzRef<qzIUnknown> error(qzCreateCallException(
          "zeltools.zelenvcfg.resolveVar", config::expansionTooLongMessage(text).c_str(), nullptr));
      throw proxyExecuteComExceptionC(error.get());
    }
    result.setString(status == 1 ? expanded : std::string(text));
  }

  static proxyMethodTableC* table() {
    static const proxyMethodRowS rows[] = {{"resolveVar", kQzMethod, 1, &resolveVar},
                                           {nullptr, 0, 0, nullptr}};
    static proxyMethodTableC t(rows);
    return &t;
  }
};

}  // namespace

qzIUnknown* createEnvConfig() {
  return newCompanion<qzIDispatch, envConfigC>();
}

}  // namespace qz::host
