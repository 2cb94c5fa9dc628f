#include "database/class_factory.h"

#include <cstdio>

#include "config/config.h"
#include "database/database.h"
#include "database/db_object.h"
#include "jdbc/jdbc_config.h"
#include "jdbc/jsql_api.h"
#include "object/call_exception.h"
#include "variant/variant.h"

namespace {

constexpr char kProxyConfigPath[] = "$KESTRAN_SETUP/dbproxy.cfg";
constexpr char kOsNameVariable[] = "$OSNAME";
constexpr char kCommonBlock[] = "COMMON";
constexpr char kDriverItem[] = "Driver";

// The factory has no error to hand back: an expansion that fails is said on standard error.
std::string resolve(const std::string& text) {
  std::string error;
  std::string resolved = qz::jdbc::resolveVar(text, &error);
  if (!error.empty()) std::fprintf(stderr, "qzjdbc: %s\n", error.c_str());
  return resolved;
}

// Step 4 of the routing: the block applies, whether or not it names a driver.
void takeDriver(const qz::config::CSConfigBlock& block, std::string* driver) {
  driver->clear();
  if (qz::config::CSConfigItem* item = block.findItem(kDriverItem)) {
    *driver = resolve(item->valueText(0));
  }
}

}  // namespace

dbJDBCClassFactoryC::dbJDBCClassFactoryC() = default;
dbJDBCClassFactoryC::~dbJDBCClassFactoryC() = default;

int32_t dbJDBCClassFactoryC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qziid::kClassFactory)) {
    return dbHandOut(static_cast<qzIClassFactory*>(this), out);
  }
  return kQzNoInterface;
}

int32_t dbJDBCClassFactoryC::readProxyDriver(std::string* driver) {
  qz::config::CSConfig config;
  const std::string path = resolve(kProxyConfigPath);
  const int rc = config.load(path);
  if (rc == qz::config::kConfigNotRegularFile) {
    // The factory has no error to hand back, and a silent refusal reads as "not routed".
    std::fprintf(stderr, "qzjdbc: %s is not a regular file; DATABASE.ODBCDB is not routed\n",
                 path.c_str());
  }
  if (rc < 1) return kQzFailed;
  if (qz::config::CSConfigBlock* os = config.findBlock(resolve(kOsNameVariable))) {
    takeDriver(*os, driver);
    return kQzOk;
  }
  // The file may have changed since the first read; the common block is read from it anew.
  if (config.load(path) < 1) return kQzFailed;
  qz::config::CSConfigBlock* common = config.findBlock(kCommonBlock);
  if (!common) return kQzFailed;
  takeDriver(*common, driver);
  return kQzOk;
}

int32_t dbJDBCClassFactoryC::createInstance(const qzIIDS* className, qzIUnknown** out) {
  if (!out) return kQzFailed;
  *out = nullptr;
  if (!className) return kQzFailed;
  try {
    if (qzIIDMatchesName(*className, kDbOdbcClass)) {
      std::string driver;
      if (readProxyDriver(&driver) != kQzOk) return kQzFailed;
      if (!qzEqualsIgnoringAsciiCase(driver.c_str(), kDbJdbcClass)) return kQzFailed;
    } else if (!qzIIDMatchesName(*className, kDbJdbcClass)) {
      return kQzFailed;
    }
    if (!session_) session_ = std::make_shared<qz::jdbc::JSQLApi>();
    qzRef<dbJDBCDatabaseC> connection(new dbJDBCDatabaseC(session_));
    connection->AddRef();
    return connection->QueryInterface(&qziid::kUnknown, reinterpret_cast<void**>(out));
  } catch (...) {
    *out = nullptr;
    return kQzFailed;
  }
}

qzIUnknown* qzCreateModuleClassFactory() {
  try {
    auto* factory = new dbJDBCClassFactoryC();
    factory->AddRef();
    return static_cast<qzIClassFactory*>(factory);
  } catch (...) {
    return nullptr;
  }
}
