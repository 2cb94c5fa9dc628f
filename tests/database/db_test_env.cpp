#include "tests/database/db_test_env.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/jdbc_cfg.h"

namespace dbtest {

std::string jdbcBlock(const std::string& dataSource, const std::string& url,
                      const std::string& driver, const std::string& serverDb) {
  return qztest::jdbcBlock(dataSource, url, driver, serverDb);
}

::testing::AssertionResult failedWith(const qztest::Outcome& o, const std::string& innerSource) {
  if (o.ok()) return ::testing::AssertionFailure() << "succeeded";
  if (!o.error.hasInner || o.error.innerSource != innerSource || o.error.innerDescription.empty())
    return ::testing::AssertionFailure() << "not " << innerSource << ": " << o.error.text();
  return ::testing::AssertionSuccess();
}

Installation::Installation()
    : userVar_("KESTRAN_USER", user_.path()),
      setupVar_("KESTRAN_SETUP", setup_.path()),
      registryUser_("QZ_REGISTRY_USER", user_.path() + "/no-registry"),
      registryMachine_("QZ_REGISTRY_MACHINE", setup_.path() + "/no-registry"),
      debug_("QZCOM_JDBC_DEBUG", std::nullopt) {}

Engine::Engine() {
  std::string error;
  if (!host_.loadEngine(QZ_TEST_ENGINE_PATH, &error)) throw std::runtime_error(error);
}

Engine::~Engine() = default;

qztest::Obj Engine::create(const char* className, int32_t* status) {
  return qztest::Obj(host_.create(className, status));
}

std::string uniqueName(const char* prefix) {
  static std::atomic<int> counter{0};
  return std::string(prefix) + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

dynMgrChainS* engineMemoryLink() {
  const char* head = std::getenv(dynMgrChainS::variableName().c_str());
  void* p = nullptr;
  if (!head || std::sscanf(head, "%p", &p) != 1) return nullptr;
  Dl_info self{};
  if (!dladdr(reinterpret_cast<void*>(&engineMemoryLink), &self)) return nullptr;
  for (auto* link = static_cast<dynMgrChainS*>(p); link; link = link->next()) {
    Dl_info info{};
    if (dladdr(link, &info) && std::strcmp(info.dli_fname, self.dli_fname) != 0) return link;
  }
  return nullptr;
}

namespace {
std::string gReport;
void collectReport(const char* piece) {
  gReport += piece;
}
}  // namespace

std::string engineReport(void (dynMgrChainS::*report)(qz::memman::ReportOutput)) {
  dynMgrChainS* link = engineMemoryLink();
  if (!link) return {};
  gReport.clear();
  (link->*report)(&collectReport);
  return std::move(gReport);
}

}  // namespace dbtest
