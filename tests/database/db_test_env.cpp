#include "tests/database/db_test_env.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace dbtest {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qzdbtest.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& text) const {
  std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + name);
}

void TempDir::remove(const std::string& name) const {
  std::error_code ignored;
  std::filesystem::remove(path_ + "/" + name, ignored);
}

EnvScope::EnvScope(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

EnvScope::~EnvScope() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

std::string jdbcBlock(const std::string& dataSource, const std::string& url,
                      const std::string& driver, const std::string& serverDb) {
  std::string block = "[" + dataSource + "]\n";
  if (!url.empty()) block += "URL = " + url + "\n";
  if (!driver.empty()) block += "DriverClass = " + driver + "\n";
  if (!serverDb.empty()) block += "ServerDB = " + serverDb + "\n";
  return block;
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
