// The fixture of the tests that connect: an installation whose jdbc.cfg names the data source
// "demo" for a fresh database of the backend under test, the engine, a probe with a JDBC
// connection of its own, and a table name no other test uses.
//
// Backends: "hsqldb" and "h2" (in-memory databases of drivers in the process's VM), "derby"
// (embedded, in a temporary folder, shut down when the test ends), "sqlite" (a file in a
// temporary folder) and "postgresql" (the test binary's private server; skipped where none can
// start). Most suites run on HSQLDB and PostgreSQL; the driver matrix runs on all five.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "object/proxy_object.h"
#include "tests/database/db_test_env.h"
#include "tests/database/jdbc_probe.h"

namespace dbtest {

struct Backend {
  std::string url;
  std::string user;
  std::string password;
  std::string driver;
};

class DatabaseFixture : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::string& backendId() const { return GetParam(); }
  bool postgres() const { return GetParam() == "postgresql"; }
  // Connects db_ to "demo".
  void connect();
  // A new SQLEXEC (or SQLEXEC_UTF8) on db_ that has run sql.
  qztest::Obj exec(const std::string& sql, const char* name = "SQLEXEC");
  // The rows the probe reads, and an update it runs, with its own connection.
  Rows probe(const std::string& sql);
  int32_t probeUpdate(const std::string& sql);
  // An unquoted name as the database stores it: upper case but on PostgreSQL and SQLite.
  std::string stored(std::string name) const;
  std::string count(const std::string& table);  // SELECT COUNT(*) as text

  Installation install_;
  TempDir data_;  // the file databases of Derby and SQLite
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<JdbcProbe> probe_;
  Backend backend_;
  qztest::Obj db_;
  std::string table_;
};

// The native object behind a scriptable one, for state scripts cannot read (the update count,
// the shared session). The test is built from the same headers as the engine.
template <class T>
T* nativeOf(const qztest::Obj& o) {
  qzRef<qzIComNativePointer> n = o.query<qzIComNativePointer>(qziid::kNativePointer);
  void* p = nullptr;
  if (!n || n->getNativePointer(&p) != 0 || !p) return nullptr;
  return static_cast<T*>(static_cast<proxyObjectC*>(p));
}

// gtest parameter names.
std::string backendName(const ::testing::TestParamInfo<std::string>& info);

}  // namespace dbtest

#define QZ_DATABASE_BACKENDS(Fixture)                                                           \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                   \
                           ::testing::Values(std::string("hsqldb"), std::string("postgresql")), \
                           ::dbtest::backendName)
#define QZ_ALL_BACKENDS(Fixture)                                                        \
  INSTANTIATE_TEST_SUITE_P(                                                             \
      Drivers, Fixture,                                                                 \
      ::testing::Values(std::string("hsqldb"), std::string("h2"), std::string("derby"), \
                        std::string("sqlite"), std::string("postgresql")),              \
      ::dbtest::backendName)
#define QZ_HSQLDB_ONLY(Fixture)                                                       \
  INSTANTIATE_TEST_SUITE_P(Hsqldb, Fixture, ::testing::Values(std::string("hsqldb")), \
                           ::dbtest::backendName)
