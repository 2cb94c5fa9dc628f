#include <string>

#include "config/expand.h"
#include "host/companions.h"
#include "object/proxy_object.h"

namespace qz::host {
namespace {

// Expands installation variables the way the engine's own fallback does (registry roots,
// environment, built-in constants), so a path means the same with or without this
// component. Always answers a string.
class envConfigC final : public proxyObjectC {
 public:
  envConfigC() : proxyObjectC(table(), nullptr, false) {}
  const char* className() override { return qzReadableTypeName(typeid(envConfigC)); }

 private:
  static void resolveVar(void*, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    const char* text = args.getText(0);
    int status = 0;
    std::string expanded = config::expandVariables(text, &status, true);
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
  auto* e = new envConfigC();
  e->AddRef();
  return static_cast<qzIDispatch*>(e);
}

}  // namespace qz::host
