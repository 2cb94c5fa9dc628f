#include "tools/qzsql/options.h"

#include <cstdlib>
#include <cstring>

namespace qzsql {

const char* const kUsage =
    "usage: qzsql DSN [-U user] [-W] [-c SQL]... [-f file]... [--format F] [-o file]\n"
    "             [--continue] [-v] [--engine PATH]\n"
    "       qzsql --list | --version | --help\n"
    "  DSN            a data source of jdbc.cfg ($KESTRAN_USER/jdbc.cfg, else\n"
    "                 $KESTRAN_SETUP/jdbc.cfg); --list shows them\n"
    "  -U user        the database user (default $QZSQL_USER, else SA)\n"
    "  -W             ask for the password first, at a terminal only (default\n"
    "                 $QZSQL_PASSWORD; at a terminal qzsql asks when the connection\n"
    "                 refuses the empty one)\n"
    "  -c SQL         run statements (';'-separated) or a meta-command; repeatable\n"
    "  -f file        run the statements of a file ('-': standard input); repeatable\n"
    "  --format F     aligned (default), csv, tsv or json (one object per line)\n"
    "  -o file        write results to the file\n"
    "  --continue     in a script, go on after a failed statement (exit code 3)\n"
    "  -v, --verbose  errors also say where in the engine they came from\n"
    "  --engine PATH  the engine (default $QZ_ENGINE_PATH, else beside qzsql)\n"
    "Without -c and -f, statements come from standard input; at a terminal with line\n"
    "editing and history (\\? lists the meta-commands; Ctrl-C cancels a statement).\n"
    "SQL goes to the driver as written (\\bind on binds literals as parameters).\n"
    "Exit codes: 0 done, 1 usage or local error (an unreadable script, output that\n"
    "cannot be written), 2 no connection, 3 a statement failed, 130 interrupted.\n";

const char* const kVersion = "qzsql " QZSQL_VERSION "\n";

std::optional<Format> parseFormat(const std::string& name) {
  if (name == "aligned") return Format::kAligned;
  if (name == "csv") return Format::kCsv;
  if (name == "tsv") return Format::kTsv;
  if (name == "json") return Format::kJson;
  return std::nullopt;
}

const char* formatName(Format format) {
  switch (format) {
    case Format::kCsv:
      return "csv";
    case Format::kTsv:
      return "tsv";
    case Format::kJson:
      return "json";
    case Format::kAligned:
      break;
  }
  return "aligned";
}

std::optional<Options> parseOptions(int argc, char** argv, std::string* error) {
  Options o;
  const char* u = std::getenv("QZSQL_USER");
  o.user = u ? u : kDefaultUser;
  bool haveDsn = false;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* option) -> std::optional<std::string> {
      if (i + 1 >= argc) {
        *error = std::string(option) + " needs a value";
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
      if (haveDsn) {
        *error = "unexpected argument '" + a + "'";
        return std::nullopt;
      }
      o.dataSource = a;
      haveDsn = true;
      continue;
    }
    std::optional<std::string> v;
    if (a == "--") {
      optionsDone = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "-U") {
      if (!(v = value("-U"))) return std::nullopt;
      o.user = *v;
    } else if (a == "-W") {
      o.promptPassword = true;
    } else if (a == "-c") {
      if (!(v = value("-c"))) return std::nullopt;
      o.sources.push_back({Source::Kind::kCommand, *v});
    } else if (a == "-f") {
      if (!(v = value("-f"))) return std::nullopt;
      o.sources.push_back({Source::Kind::kFile, *v});
    } else if (a == "-o") {
      if (!(v = value("-o"))) return std::nullopt;
      o.output = *v;
    } else if (a == "--format" || a.rfind("--format=", 0) == 0) {
      if (a == "--format") {
        if (!(v = value("--format"))) return std::nullopt;
      } else {
        v = a.substr(std::strlen("--format="));
      }
      std::optional<Format> f = parseFormat(*v);
      if (!f) {
        *error = "unknown format '" + *v + "' (aligned, csv, tsv or json)";
        return std::nullopt;
      }
      o.format = *f;
    } else if (a == "-v" || a == "--verbose") {
      o.verbose = true;
    } else if (a == "--continue") {
      o.continueOnError = true;
    } else if (a == "--engine") {
      if (!(v = value("--engine"))) return std::nullopt;
      o.engine = *v;
    } else {
      *error = "unknown option '" + a + "'";
      return std::nullopt;
    }
  }
  if (!haveDsn && !o.help && !o.version && !o.list) {
    *error = "no data source named";
    return std::nullopt;
  }
  return o;
}

}  // namespace qzsql
