// qzsql: a command-line SQL client on our qzCom host. It loads the engine, creates
// "DATABASE.JDBCDB" and drives it and its child objects by member name, as any script of
// the host does (session.h). README.md, "qzsql", has the usage and the exit codes.
//
// usage: qzsql DSN [-U user] [-W] [-c SQL]... [-f file]... [--format F] [-o file] [--continue]
//              [-v]
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/host.h"
#include "tools/qzsql/data_sources.h"
#include "tools/qzsql/interactive.h"
#include "tools/qzsql/interrupt.h"
#include "tools/qzsql/login.h"
#include "tools/qzsql/options.h"
#include "tools/qzsql/output.h"
#include "tools/qzsql/runner.h"
#include "tools/qzsql/session.h"

namespace {

using qzsql::CallFailed;

int runSources(qzsql::Runner& runner, const qzsql::Options& options) {
  using qzsql::Outcome;
  std::vector<qzsql::Source> sources = options.sources;
  if (sources.empty()) sources.push_back({qzsql::Source::Kind::kFile, "-"});
  for (const qzsql::Source& s : sources) {
    Outcome o;
    if (s.kind == qzsql::Source::Kind::kCommand) {
      std::istringstream in(s.text);
      o = runner.runText(in, "-c");
    } else if (s.text == "-") {
      o = runner.runText(std::cin, "<stdin>");
    } else {
      std::ifstream in(s.text);
      if (!in) {
        std::fprintf(stderr, "qzsql: cannot read %s\n", s.text.c_str());
        return qzsql::kExitUsage;
      }
      o = runner.runText(in, s.text);
    }
    if (o == Outcome::kOutputFailed || o == Outcome::kInputFailed) return qzsql::kExitUsage;
    if (o == Outcome::kInterrupted) return qzsql::kExitInterrupted;
    if (o == Outcome::kQuit) break;
    if (o == Outcome::kFailed && !options.continueOnError) return qzsql::kExitSql;
  }
  return runner.anyFailed() ? qzsql::kExitSql : qzsql::kExitOk;
}

int run(int argc, char** argv) {
  // Readline edits in the terminal's character set; numbers are never parsed by locale here.
  std::setlocale(LC_CTYPE, "");

  std::string error;
  std::optional<qzsql::Options> parsed = qzsql::parseOptions(argc, argv, &error);
  if (!parsed) {
    std::fprintf(stderr, "qzsql: %s\n%s", error.c_str(), qzsql::kUsage);
    return qzsql::kExitUsage;
  }
  const qzsql::Options& options = *parsed;
  if (options.help || options.version) {
    std::fputs(options.help ? qzsql::kUsage : qzsql::kVersion, stdout);
    if (std::fflush(stdout) != 0) {
      std::fprintf(stderr, "qzsql: cannot write standard output: %s\n", std::strerror(errno));
      return qzsql::kExitUsage;
    }
    return qzsql::kExitOk;
  }

  // A script that cannot be read is a mistake of the command line: say so before connecting.
  for (const qzsql::Source& s : options.sources) {
    if (s.kind != qzsql::Source::Kind::kFile || s.text == "-") continue;
    struct stat info {};
    int problem = access(s.text.c_str(), R_OK) != 0  ? errno
                  : stat(s.text.c_str(), &info) != 0 ? errno
                  : S_ISDIR(info.st_mode)            ? EISDIR
                                                     : 0;
    if (problem != 0) {
      std::fprintf(stderr, "qzsql: cannot read %s: %s\n", s.text.c_str(), std::strerror(problem));
      return qzsql::kExitUsage;
    }
  }

  std::unique_ptr<qzsql::Output> out;
  if (options.output.empty()) {
    out = qzsql::Output::standardOutput();
  } else if (!(out = qzsql::Output::open(options.output, &error))) {
    std::fprintf(stderr, "qzsql: cannot write %s: %s\n", options.output.c_str(), error.c_str());
    return qzsql::kExitUsage;
  }

  const bool terminal = isatty(STDIN_FILENO) != 0;
  const bool interactive = options.sources.empty() && terminal;
  // -W asks on the terminal; without one there is nobody to ask, and a line of standard input
  // would be taken from the statements.
  if (options.promptPassword && !terminal && !options.list) {
    std::fputs(
        "qzsql: -W asks for the password at a terminal, and standard input is none "
        "(set QZSQL_PASSWORD instead)\n",
        stderr);
    return qzsql::kExitUsage;
  }
  int code = qzsql::kExitOk;
  {
    qz::host::Host host;
    std::string engine = options.engine.empty() ? qz::host::defaultEnginePath() : options.engine;
    if (!host.loadEngine(engine, &error)) {
      std::fprintf(stderr, "qzsql: cannot load the engine %s: %s\n", engine.c_str(), error.c_str());
      return qzsql::kExitUsage;
    }
    if (options.list) {
      qzsql::DataSourceFiles files =
          qzsql::readDataSources([&](const std::string& p) { return qzsql::resolvePath(host, p); });
      std::fputs(qzsql::formatDataSources(files).c_str(), stdout);
      return files.used ? qzsql::kExitOk : qzsql::kExitUsage;
    }

    qzsql::Sessions sessions(host);
    qzsql::Login how;
    how.dataSource = options.dataSource;
    how.user = options.user;
    how.askFirst = options.promptPassword;
    how.terminal = terminal;
    try {
      qzsql::login(sessions, how);
    } catch (const CallFailed& e) {
      std::fprintf(stderr, "qzsql: cannot connect to data source \"%s\"\n",
                   options.dataSource.c_str());
      qzsql::reportError("", e, options.verbose);
      qzsql::connectHint(sessions, e, options.dataSource);
      return qzsql::kExitConnect;
    }
    // The connect started the Java VM and with it the VM's own SIGINT handler.
    qzsql::interrupt::install();

    qzsql::Runner runner(sessions, *out, options, interactive);
    if (interactive) {
      std::printf("qzsql: connected to %s. \\? for help, \\q to quit.\n",
                  options.dataSource.c_str());
      code = qzsql::runInteractive(runner, options.dataSource);
    } else {
      qzsql::interrupt::setMode(qzsql::interrupt::Mode::kBusy);
      code = runSources(runner, options);
    }
    qzsql::interrupt::setMode(qzsql::interrupt::Mode::kChain);
  }
  // The last buffered bytes, and what stdio holds for standard output, may fail only now.
  const bool stdoutFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
  const int stdoutError = errno;
  const bool reported = out->error() != 0;  // the runner has said so
  if (!out->close()) {
    if (!reported) {
      std::fprintf(stderr, "qzsql: cannot write %s: %s\n", out->name().c_str(),
                   std::strerror(out->error() != 0 ? out->error() : EIO));
    }
    return qzsql::kExitUsage;
  }
  if (stdoutFailed) {
    std::fprintf(stderr, "qzsql: cannot write standard output: %s\n",
                 std::strerror(stdoutError != 0 ? stdoutError : EIO));
    return qzsql::kExitUsage;
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  qz::host::exitWithoutTeardown(run(argc, argv));
}
