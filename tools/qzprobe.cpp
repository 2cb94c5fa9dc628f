// qzprobe: loads an engine into our host, initialises it, creates objects by class name,
// terminates it, and says what happened at each step.
//
// usage: qzprobe [engine library] [class name ...]
#include <cstdio>
#include <string>
#include <vector>

#include "host/host.h"
#include "variant/variant.h"

namespace {

void step(const char* what, bool ok, const std::string& detail = "") {
  std::printf("%-44s %s%s%s\n", what, ok ? "ok" : "FAILED", detail.empty() ? "" : ": ",
              detail.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : qz::host::defaultEnginePath();
  std::vector<std::string> classes;
  for (int i = 2; i < argc; ++i) classes.emplace_back(argv[i]);
  if (classes.empty()) classes = {"zeltools.zelenvcfg", "DATABASE.JDBCDB"};

  qz::host::Host host;
  std::string error;
  bool loaded = host.loadEngine(path, &error);
  step("load and initialise the engine", loaded, loaded ? path : error);
  if (!loaded) return 1;
  step("host engine references held", true, std::to_string(host.hostEngineRefCount()));
  step("class factories registered", host.registeredFactories() > 0,
       std::to_string(host.registeredFactories()));

  for (const std::string& name : classes) {
    int32_t status = 0;
    qzRef<qzIUnknown> object = host.create(name.c_str(), &status);
    std::string detail = "status " + std::to_string(status);
    if (object) {
      qzRef<qzIComNativePointer> native =
          qzQuery<qzIComNativePointer>(object.get(), qziid::kNativePointer);
      qzVariantS className;
      if (native && native->getClassName(&className) == 0 && className.text()) {
        detail += ", class " + std::string(className.text());
      }
    } else {
      detail += ", no object (no engine serves this class yet)";
    }
    step(("create " + name).c_str(), static_cast<bool>(object), detail);
  }

  int32_t rc = host.terminateEngine();
  step("terminate the engine", rc == 0, "status " + std::to_string(rc));
  step("class factories left registered", host.registeredFactories() == 0,
       std::to_string(host.registeredFactories()));
  step("host engine references held", true, std::to_string(host.hostEngineRefCount()));
  host.unloadEngine();
  return 0;
}
