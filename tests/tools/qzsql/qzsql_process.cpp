#include "tests/tools/qzsql/qzsql_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace qzsqltest {
namespace {

constexpr auto kRunTimeout = std::chrono::seconds(180);

int decode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

[[noreturn]] void execQzsql(const std::vector<std::string>& args,
                            const std::vector<std::string>& env) {
  std::vector<char*> argv;
  std::string program = qzsqlPath();
  argv.push_back(program.data());
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

}  // namespace

std::string qzsqlPath() {
  return QZSQL_TEST_PROGRAM;
}

Sandbox::Sandbox() : root_(dir_.path()) {
  for (const char* d : {"/home", "/user", "/setup", "/db"}) {
    std::filesystem::create_directories(root_ + d);
  }
}

void Sandbox::addHsqldb(const std::string& dataSource) {
  // shutdown=true: the files are complete when qzsql ends; get_column_name=false: columns
  // are named by their labels.
  addDataSource(
      dataSource,
      "jdbc:hsqldb:file:" + root_ + "/db/" + dataSource + ";shutdown=true;get_column_name=false",
      "org.hsqldb.jdbc.JDBCDriver");
}

void Sandbox::addDataSource(const std::string& dataSource, const std::string& url,
                            const std::string& driver) {
  config_ += "[" + dataSource + "]\nURL = " + url + "\nDriverClass = " + driver + "\n\n";
  writeFile(user() + "/jdbc.cfg", config_);
}

void Sandbox::writeFile(const std::string& path, const std::string& text) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!(out << text)) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> Sandbox::environment(
    const std::map<std::string, std::string>& extra) const {
  std::map<std::string, std::string> env;
  for (const char* keep : {"PATH", "JAVA_HOME", "QZ_JVM_OPTIONS", "QZ_CLASSPATH", "TMPDIR",
                           "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* v = std::getenv(keep)) env[keep] = v;
  }
  env["HOME"] = home();
  env["KESTRAN_USER"] = user();
  env["KESTRAN_SETUP"] = root_ + "/setup";
  env["QZ_REGISTRY_USER"] = root_ + "/no-registry";
  env["QZ_REGISTRY_MACHINE"] = root_ + "/no-registry";
  env["LC_ALL"] = "C.UTF-8";
  env["TERM"] = "dumb";
  env["QZ_ENGINE_PATH"] = QZSQL_TEST_ENGINE;
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

Result Sandbox::run(const std::vector<std::string>& args, const std::string& input,
                    const std::map<std::string, std::string>& extra) const {
  std::vector<std::string> env = environment(extra);
  const std::string out = root_ + "/.stdout", err = root_ + "/.stderr";
  // The inputs are small: the pipe holds one whole, so qzsql may read all of it or none.
  int in[2];
  if (pipe(in) != 0) throw std::runtime_error("pipe failed");
  if (input.size() > 60000 || write(in[1], input.data(), input.size()) != ssize_t(input.size()))
    throw std::runtime_error("the input does not fit the pipe");
  close(in[1]);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    execQzsql(args, env);
  }
  close(in[0]);
  int status = 0;
  bool killed = false;
  for (auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
       waitpid(pid, &status, WNOHANG) != pid;
       std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    if (!killed && std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      killed = true;
    }
  }
  Result r{decode(status), readFile(out), readFile(err)};
  if (killed) r.err += "\n[test: qzsql killed after the time-out]\n";
  return r;
}

Terminal::Terminal(const Sandbox& sandbox, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& extra) {
  std::vector<std::string> env = sandbox.environment(extra);
  winsize size{};
  size.ws_row = 40;
  size.ws_col = 100;
  pid_ = forkpty(&fd_, nullptr, nullptr, &size);
  if (pid_ < 0) throw std::runtime_error("forkpty failed");
  if (pid_ == 0) execQzsql(args, env);
}

Terminal::~Terminal() {
  if (pid_ > 0 && code_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (fd_ >= 0) close(fd_);
}

void Terminal::type(const std::string& keys) {
  size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(fd_, keys.data() + done, keys.size() - done);
    if (n < 0 && errno != EINTR) throw std::runtime_error("write to the terminal failed");
    if (n > 0) done += static_cast<size_t>(n);
  }
}

bool Terminal::pump(std::chrono::milliseconds timeout) {
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return true;
  char buffer[65536];
  ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n <= 0) return false;  // EIO once the process has gone
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

::testing::AssertionResult Terminal::waitFor(const std::string& text,
                                             std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  bool open = true;
  for (;;) {
    size_t at = output_.find(text, mark_);
    if (at != std::string::npos) {
      mark_ = at + text.size();
      return ::testing::AssertionSuccess();
    }
    if (!open || std::chrono::steady_clock::now() > deadline) {
      return ::testing::AssertionFailure() << "no \"" << text << "\" in:\n" << sinceMark();
    }
    open = pump(std::chrono::milliseconds(100));
  }
}

int Terminal::wait(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (code_ < 0) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      code_ = decode(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) return -1;
    pump(std::chrono::milliseconds(50));
  }
  while (pump(std::chrono::milliseconds(10)) && !output_.empty()) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) break;
  }
  return code_;
}

}  // namespace qzsqltest
