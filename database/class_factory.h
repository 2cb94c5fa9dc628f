// The database component's class factory, registered with the host by the engine entry.
//
// Serves "DATABASE.JDBCDB" always, and "DATABASE.ODBCDB" when "$KESTRAN_SETUP/dbproxy.cfg"
// routes it here: its block for the operating system ("$OSNAME"), or failing that its block
// "COMMON", has an item "Driver" whose value is "DATABASE.JDBCDB" in any letter case. The
// file is read on every create of the routed class; nothing is cached.
//
// Every connection the factory creates shares the factory's one session layer (made at the
// first create), and with it the last error, the result-set settings and the converters. The
// session layer is counted: it lives until the factory and every connection made by it are
// gone, because the host releases the factory at termination while scripts may still hold
// connections.
//
// Thread rule: the host calls createInstance from one thread at a time. Ownership:
// createInstance hands out one reference of the new connection's qzIUnknown.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "interfaces/qzcom.h"
#include "object/com_ref.h"

namespace qz::jdbc {
class JSQLApi;
}

inline constexpr char kDbJdbcClass[] = "DATABASE.JDBCDB";
inline constexpr char kDbOdbcClass[] = "DATABASE.ODBCDB";

class dbJDBCClassFactoryC final : public qzIClassFactory, public qzComRefObjectC {
 public:
  dbJDBCClassFactoryC();
  ~dbJDBCClassFactoryC() override;

  int32_t QueryInterface(const qzIIDS* iid, void** out) override;
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
  int32_t createInstance(const qzIIDS* className, qzIUnknown** out) override;

  // 0 with *driver (possibly empty) when dbproxy.cfg has a block that applies; 1 when there is
  // no usable routing information.
  static int32_t readProxyDriver(std::string* driver);

  const std::shared_ptr<qz::jdbc::JSQLApi>& session() const { return session_; }

 private:
  std::shared_ptr<qz::jdbc::JSQLApi> session_;  // null until the first create
};

// The module's class factory, with one reference for the caller (null on failure).
qzIUnknown* qzCreateModuleClassFactory();
