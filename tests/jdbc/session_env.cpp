#include "tests/jdbc/session_env.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/engine.h"
#include "host/host.h"
#include "tests/support/jdbc_cfg.h"

namespace qztest::jdbc {

namespace {

std::unique_ptr<qz::host::Host> g_host;
bool g_engineStarted = false;
std::string g_root;
std::string g_user;
std::string g_setup;

}  // namespace

void SessionEnvironment::SetUp() {
  char pattern[] = "/tmp/qz-jdbc-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  g_root = pattern;
  g_user = freshFolder("user");
  g_setup = freshFolder("setup");
  setenv("QZ_REGISTRY_USER", (g_root + "/no-user-registry").c_str(), 1);
  setenv("QZ_REGISTRY_MACHINE", (g_root + "/no-machine-registry").c_str(), 1);
  setenv("KESTRAN_USER", g_user.c_str(), 1);
  setenv("KESTRAN_SETUP", g_setup.c_str(), 1);
  g_host = std::make_unique<qz::host::Host>();
  startEngine();
}

void SessionEnvironment::TearDown() {
  stopEngine();
  g_host.reset();
  std::error_code ignored;
  std::filesystem::remove_all(g_root, ignored);
}

qz::host::Host& host() {
  return *g_host;
}

void startEngine() {
  if (g_engineStarted) return;
  ASSERT_EQ(qzComInitRemoteEngine(g_host->hostEngine()), 0);
  g_engineStarted = true;
}

void stopEngine() {
  if (!g_engineStarted) return;
  qzComTerminateRemoteEngine();
  g_engineStarted = false;
}

const std::string& userFolder() {
  return g_user;
}
const std::string& setupFolder() {
  return g_setup;
}

std::string freshFolder(const std::string& name) {
  std::string path = g_root + "/" + name;
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

void writeJdbcConfig(const std::string& folder, const std::string& text) {
  std::ofstream out(folder + "/jdbc.cfg", std::ios::trunc);
  out << text;
}

void removeJdbcConfig(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove(folder + "/jdbc.cfg", ignored);
}

std::string configBlock(const std::string& dataSource, const std::string& url,
                        const std::string& driverClass, const std::string& serverDb) {
  return qztest::jdbcBlock(dataSource, url, driverClass, serverDb) + "\n";
}

}  // namespace qztest::jdbc
