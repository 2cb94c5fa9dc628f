// What many tests need around them: a scratch folder removed with everything in it, an
// environment variable set (or unset) for a scope, and whole-file reads.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace qztest {

class ScratchDir {
 public:
  explicit ScratchDir(const char* prefix = "qztest") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + ".XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    if (!(out << text)) throw std::runtime_error("cannot write " + name);
  }
  void remove(const std::string& name) const {
    std::error_code ignored;
    std::filesystem::remove(path_ + "/" + name, ignored);
  }

 private:
  std::string path_;
};

// Sets (or, with nullopt, unsets) a variable and restores the old state when it ends.
class EnvVar {
 public:
  EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    set(value);
  }
  ~EnvVar() { set(old_); }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  std::string name_;
  std::optional<std::string> old_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace qztest
