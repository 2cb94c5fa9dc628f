#include "tools/qzsql/options.h"

#include <cstdlib>
#include <cstring>
#include <utility>

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

namespace {
// Parsing and naming read the same table, so that a name parses back to its format.
constexpr std::pair<Format, const char*> kFormatNames[] = {{Format::kAligned, "aligned"},
                                                           {Format::kCsv, "csv"},
                                                           {Format::kTsv, "tsv"},
                                                           {Format::kJson, "json"}};

// The options that only switch something on, and those that take the next argument as is.
constexpr std::pair<const char*, bool Options::*> kSwitches[] = {
    {"-h", &Options::help},           {"--help", &Options::help},
    {"--version", &Options::version}, {"--list", &Options::list},
    {"-W", &Options::promptPassword}, {"-v", &Options::verbose},
    {"--verbose", &Options::verbose}, {"--continue", &Options::continueOnError}};
constexpr std::pair<const char*, std::string Options::*> kTexts[] = {
    {"-U", &Options::user}, {"-o", &Options::output}, {"--engine", &Options::engine}};

template <typename Member, size_t N>
Member memberFor(const std::pair<const char*, Member> (&table)[N], const std::string& option) {
  for (const auto& [name, member] : table) {
    if (option == name) return member;
  }
  return nullptr;
}
}  // namespace

std::optional<Format> parseFormat(const std::string& name) {
  for (const auto& [format, text] : kFormatNames) {
    if (name == text) return format;
  }
  return std::nullopt;
}

const char* formatName(Format format) {
  for (const auto& [known, text] : kFormatNames) {
    if (format == known) return text;
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
    } else if (bool Options::*flag = memberFor(kSwitches, a)) {
      o.*flag = true;
    } else if (std::string Options::*text = memberFor(kTexts, a)) {
      if (!(v = value(a.c_str()))) return std::nullopt;
      o.*text = *v;
    } else if (a == "-c" || a == "-f") {
      if (!(v = value(a.c_str()))) return std::nullopt;
      o.sources.push_back({a == "-c" ? Source::Kind::kCommand : Source::Kind::kFile, *v});
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
