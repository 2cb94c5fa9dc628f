#include "jdbc/jdbc_config.h"

#include <algorithm>

#include "config/expand.h"
#include "object/call_exception.h"
#include "object/com_ref.h"
#include "object/host_link.h"
#include "variant/variant.h"

namespace qz::jdbc {

namespace {

constexpr char kEnvConfigClass[] = "zeltools.zelenvcfg";
constexpr char kResolveMethod[] = "resolveVar";

// False when the component is missing, its call fails or answers no value; a text it answers,
// the empty one included, is taken as it is.
bool resolveThroughComponent(const std::string& text, std::string* out) {
  qzRef<qzIDispatch> resolver;
  if (qzComCreateObject(kEnvConfigClass, qziid::kDispatch, resolver.outVoid()) != kQzOk ||
      !resolver) {
    resolver.detach();  // a failed creation may leave anything in the slot
    return false;
  }
  qzVariantS result;
  if (qzRecordedCallText(resolver.get(), kResolveMethod, kQzMethod, &result, text.c_str()) !=
      kQzOk) {
    return false;
  }
  const char* resolved = nullptr;
  if (result.isUndef() || result.getText(&resolved) != 0 || !resolved) return false;
  *out = resolved;
  return true;
}

}  // namespace

std::string resolveVar(const std::string& text, std::string* error) {
  std::string resolved, why;
  if (!resolveThroughComponent(text, &resolved)) resolved = config::expandPath(text, &why);
  if (error) *error = why;
  return resolved;
}

std::string resolveConfigPath(const std::string& pathTemplate, std::string* error) {
  std::string path = resolveVar(pathTemplate, error);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace qz::jdbc
