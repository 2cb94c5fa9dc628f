// Plain JDBC from the test itself, through JNI in the process's VM: what is really in the
// database, seen over a connection of the probe's own rather than through our objects.
//
// Thread rule: any thread; jbridge attaches it. Every Java exception becomes a
// std::runtime_error with the exception's text.
#pragma once

#include <string>
#include <vector>

#include "host/host.h"

namespace dbtest {

using Rows = std::vector<std::vector<std::string>>;

class JdbcProbe {
 public:
  // The VM comes from the host's zeltools.jvm, which starts it if needed.
  explicit JdbcProbe(qz::host::Host& host);

  // Every column as text; SQL NULL reads as "<null>".
  Rows query(const std::string& url, const std::string& sql, const std::string& user = "SA",
             const std::string& password = "");
  int32_t update(const std::string& url, const std::string& sql, const std::string& user = "SA",
                 const std::string& password = "");
  // java.sql.DriverManager's login time-out.
  int32_t loginTimeout();
  void setLoginTimeout(int32_t seconds);
};

}  // namespace dbtest
