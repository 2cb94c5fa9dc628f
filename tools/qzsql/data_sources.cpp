#include "tools/qzsql/data_sources.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "interfaces/qzcom.h"

namespace qzsql {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return s.str();
}

}  // namespace

std::vector<DataSource> parseDataSources(const std::string& text, const std::string& file) {
  std::vector<DataSource> found;
  DataSource* current = nullptr;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::string t = trim(line);
    // Comments, and the disabled and inactive items the engine does not see.
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[' && t.back() == ']') {
      std::string name = trim(t.substr(1, t.size() - 2));
      // A second header of the same name reopens the block.
      auto same = std::find_if(found.begin(), found.end(), [&](const DataSource& d) {
        return qzEqualsIgnoringAsciiCase(d.name, name);
      });
      if (same == found.end()) {
        found.push_back({name, "", "", file});
        current = &found.back();
      } else {
        current = &*same;
      }
      continue;
    }
    size_t eq = t.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = trim(t.substr(0, eq));
    std::string value = trim(t.substr(eq + 1));
    if (qzEqualsIgnoringAsciiCase(key, "DriverClass")) current->driverClass = value;
    if (qzEqualsIgnoringAsciiCase(key, "URL")) current->url = value;
  }
  return found;
}

DataSourceFiles readDataSources(const std::function<std::string(const std::string&)>& resolve) {
  DataSourceFiles files;
  files.userFile = resolve("$KESTRAN_USER/jdbc.cfg");
  files.setupFile = resolve("$KESTRAN_SETUP/jdbc.cfg");
  for (const std::string& path : {files.userFile, files.setupFile}) {
    std::optional<std::string> text = readWhole(path);
    if (!text) continue;
    files.used = path;
    files.sources = parseDataSources(*text, path);
    break;
  }
  return files;
}

std::string driverHint(const DataSourceFiles& files, const std::string& dataSource) {
  if (!files.used) {
    return "no jdbc.cfg could be read (looked at " + files.userFile + ", then " + files.setupFile +
           ")";
  }
  for (const DataSource& d : files.sources) {
    if (qzEqualsIgnoringAsciiCase(d.name, dataSource) && !d.driverClass.empty()) {
      return "the driver class " + d.driverClass +
             " could not be loaded: its jar is not on the class path (QZ_CLASSPATH, or the "
             "jars in /usr/share/java)";
    }
  }
  return *files.used + " has no block [" + dataSource + "] with a DriverClass (qzsql --list)";
}

std::string formatDataSources(const DataSourceFiles& files) {
  if (!files.used) {
    return "No jdbc.cfg could be read (looked at " + files.userFile + ", then " + files.setupFile +
           ").\n";
  }
  size_t nameWidth = 11;
  size_t driverWidth = 6;
  for (const DataSource& d : files.sources) {
    nameWidth = std::max(nameWidth, d.name.size());
    driverWidth = std::max(driverWidth, d.driverClass.size());
  }
  auto pad = [](const std::string& s, size_t width) {
    return s + std::string(width > s.size() ? width - s.size() : 0, ' ');
  };
  std::string out = pad("Data source", nameWidth) + " | " + pad("Driver", driverWidth) + " | URL\n";
  out += std::string(nameWidth, '-') + "-+-" + std::string(driverWidth, '-') + "-+-----\n";
  for (const DataSource& d : files.sources) {
    out += pad(d.name, nameWidth) + " | " + pad(d.driverClass, driverWidth) + " | " + d.url + "\n";
  }
  out += "(" + std::to_string(files.sources.size()) + " data source" +
         (files.sources.size() == 1 ? "" : "s") + " from " + *files.used + ")\n";
  return out;
}

}  // namespace qzsql
