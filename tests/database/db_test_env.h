// What the database tests share: temporary installation folders with their configuration
// files, scoped environment variables, and a host with the real engine loaded.
//
// Thread rule: tests change the process environment; they run one at a time.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/host.h"
#include "runtime/mem_track.h"
#include "tests/support/scratch.h"
#include "tests/support/script.h"

namespace dbtest {

inline constexpr char kHsqlDriver[] = "org.hsqldb.jdbc.JDBCDriver";

using TempDir = qztest::ScratchDir;
using EnvScope = qztest::EnvVar;

// A block of jdbc.cfg for one data source.
std::string jdbcBlock(const std::string& dataSource, const std::string& url,
                      const std::string& driver = kHsqlDriver, const std::string& serverDb = "");

// A failed call whose inner error has this source and a description (the session's last error).
::testing::AssertionResult failedWith(const qztest::Outcome& o, const std::string& innerSource);

// An installation: user and setup folders named by KESTRAN_USER and KESTRAN_SETUP, and
// registry stores that do not exist, so nothing of the machine leaks into a test.
class Installation {
 public:
  Installation();
  const TempDir& user() const { return user_; }
  const TempDir& setup() const { return setup_; }

 private:
  TempDir user_;
  TempDir setup_;
  EnvScope userVar_;
  EnvScope setupVar_;
  EnvScope registryUser_;
  EnvScope registryMachine_;
  EnvScope debug_;
};

// A host with the engine library loaded through dlopen, as a script's host has it.
class Engine {
 public:
  Engine();
  ~Engine();
  qz::host::Host& host() { return host_; }
  qztest::Obj create(const char* className, int32_t* status = nullptr);
  // Terminates the engine and unloads it: the host releases its factories.
  void terminate() { host_.unloadEngine(); }

 private:
  qz::host::Host host_;
};

// A unique name for an in-memory database, so tests never see each other's tables.
std::string uniqueName(const char* prefix);

// The loaded engine's link in the allocators' chain (the engine exports nothing else): its
// virtual functions run the engine's code on the engine's allocator. Null when none is found.
dynMgrChainS* engineMemoryLink();
// A memory report of the engine's allocator, by one of the link's report functions.
std::string engineReport(void (dynMgrChainS::*report)(qz::memman::ReportOutput));

}  // namespace dbtest
