// Helpers of the diagnostics tests: a scratch folder, scoped variables, whole-file reads.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace diagtest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qzdiag.XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class EnvVar {
 public:
  EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~EnvVar() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

inline std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == at)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// Not empty and only characters of `allowed`.
inline bool onlyOf(const std::string& text, const char* allowed) {
  return !text.empty() && text.find_first_not_of(allowed) == std::string::npos;
}
inline constexpr char kDigits[] = "0123456789";
inline constexpr char kHexDigits[] = "0123456789abcdef";

// A trace line: counter;h:m:s:ms;thread;file;line;what. Returns the six fields, or none when
// the counter or the time are malformed.
inline std::vector<std::string> traceFields(const std::string& line) {
  std::vector<std::string> f = split(line, ';');
  if (f.size() != 6 || !onlyOf(f[0], kDigits) || split(f[1], ':').size() != 4) return {};
  for (const std::string& part : split(f[1], ':')) {
    if (!onlyOf(part, kDigits)) return {};
  }
  return f;
}

}  // namespace diagtest
