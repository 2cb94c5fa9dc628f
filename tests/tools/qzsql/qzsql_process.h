// Runs qzsql as a user would: as a separate process with its own environment, fed through a
// pipe or a pseudo-terminal. Each test gets a folder of its own holding KESTRAN_USER (with
// its jdbc.cfg), HOME and HSQLDB file databases, so no test sees the machine's set-up.
//
// Thread rule: one test thread. Ownership: a Sandbox removes its folder; a Terminal ends the
// process it started.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace qzsqltest {

struct Result {
  int code = -1;  // exit code, or 128 + signal
  std::string out;
  std::string err;
};

class Sandbox {
 public:
  Sandbox();

  const std::string& root() const { return root_; }
  std::string home() const { return root_ + "/home"; }
  std::string user() const { return root_ + "/user"; }
  // A data source of an HSQLDB file database in the sandbox.
  void addHsqldb(const std::string& dataSource);
  // Any block of jdbc.cfg.
  void addDataSource(const std::string& dataSource, const std::string& url,
                     const std::string& driver);
  void writeFile(const std::string& path, const std::string& text) const;
  std::string readFile(const std::string& path) const { return qztest::readFile(path); }

  // The environment qzsql runs with: the sandbox's folders, a UTF-8 locale, the engine, and
  // the JVM settings of the test; extra entries are added or replace.
  std::vector<std::string> environment(const std::map<std::string, std::string>& extra) const;

  // Runs qzsql with the arguments, standard input from a pipe holding input.
  Result run(const std::vector<std::string>& args, const std::string& input = "",
             const std::map<std::string, std::string>& extra = {}) const;

 private:
  qztest::ScratchDir dir_{"qzsqltest"};
  std::string root_;
  std::string config_;
};

// qzsql on a pseudo-terminal, for its interactive use.
class Terminal {
 public:
  Terminal(const Sandbox& sandbox, const std::vector<std::string>& args,
           const std::map<std::string, std::string>& extra = {});
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  void type(const std::string& keys);
  // Reads until the output since the last mark holds text, and marks its end; a failure (on
  // time-out or end) shows what came since the mark.
  ::testing::AssertionResult waitFor(const std::string& text,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Everything read so far, and what came after the last waitFor match.
  const std::string& output() const { return output_; }
  std::string sinceMark() const { return output_.substr(mark_); }
  // One exchange of a session: types keys, then waits for text as waitFor does.
  ::testing::AssertionResult typeAndWait(const std::string& keys, const std::string& text) {
    type(keys);
    return waitFor(text);
  }
  // Waits for the process to end; its exit code.
  int wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));

 private:
  bool pump(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int fd_ = -1;
  std::string output_;
  size_t mark_ = 0;
  int code_ = -1;
};

// Where the program is.
std::string qzsqlPath();

}  // namespace qzsqltest
