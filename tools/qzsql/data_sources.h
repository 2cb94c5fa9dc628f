// The data sources that jdbc.cfg defines, read as the engine reads it: $KESTRAN_USER/jdbc.cfg
// when it can be read, else $KESTRAN_SETUP/jdbc.cfg. For --list and \l, and to tell why a
// connect failed at the driver's registration without reading the engine's message.
//
// Thread rule: plain values. Ownership: none.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qzsql {

struct DataSource {
  std::string name;
  std::string driverClass;
  std::string url;
  std::string file;  // the jdbc.cfg it came from
};

struct DataSourceFiles {
  std::string userFile;   // resolved $KESTRAN_USER/jdbc.cfg
  std::string setupFile;  // resolved $KESTRAN_SETUP/jdbc.cfg
  // The file the engine reads (the first readable one); nullopt when neither is.
  std::optional<std::string> used;
  std::vector<DataSource> sources;  // of the used file, in file order
};

// resolve expands the installation variables of a path (Session::resolvePath).
DataSourceFiles readDataSources(const std::function<std::string(const std::string&)>& resolve);

// The blocks of one jdbc.cfg text: every block with an active item, "<default>" left out.
std::vector<DataSource> parseDataSources(const std::string& text, const std::string& file);

// Why a connect failed at registering the driver: a hint for the user.
std::string driverHint(const DataSourceFiles& files, const std::string& dataSource);

// A table of the data sources, one line each, for a terminal.
std::string formatDataSources(const DataSourceFiles& files);

}  // namespace qzsql
