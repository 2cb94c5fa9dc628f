// Configuration text for tests that reach a database through jdbc.cfg.
#pragma once

#include <string>

namespace qztest {

// One data source's block of jdbc.cfg; empty items are left out.
inline std::string jdbcBlock(const std::string& dataSource, const std::string& url,
                             const std::string& driver, const std::string& serverDb = "") {
  std::string block = "[" + dataSource + "]\n";
  if (!url.empty()) block += "URL = " + url + "\n";
  if (!driver.empty()) block += "DriverClass = " + driver + "\n";
  if (!serverDb.empty()) block += "ServerDB = " + serverDb + "\n";
  return block;
}

}  // namespace qztest
