// qzhost: runs a Lua 5.4 script inside our qzCom host with the engine loaded. Scripts create
// objects by class name and call their members by name through the global `qz`
// (README.md).
//
// usage: qzhost [--engine PATH | --no-engine] script.lua [args...]
//
// Shutdown order, on every way out (the end of the script, an error, os.exit): the Lua state
// is closed, which releases every object wrapper; then the leak checks; then the host
// terminates and unloads the engine. Objects must be gone before the engine that made them.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <lua.hpp>
#include <memory>
#include <string>
#include <utility>

#include "host/host.h"
#include "object/proxy_object.h"
#include "tools/qzhost/lua_objects.h"
#include "tools/qzhost/native_registry.h"
#include "tools/qzhost/test_classes.h"

namespace {

constexpr const char* kUsage =
    "usage: qzhost [--engine PATH | --no-engine] script.lua [args...]\n"
    "       qzhost [--engine PATH] --members CLASS [DSN [USER [PASSWORD]]]\n"
    "  --members      list CLASS's members from its method table (name, kind, arguments),\n"
    "                 with its codes and option keys; the objects a connection makes\n"
    "                 (DATABASE.RECORDSET, SQLEXEC, TABLEINFO, ...) need a DSN to connect\n"
    "  --engine PATH  the engine library to load (default: $QZ_ENGINE_PATH, else found beside\n"
    "                 qzhost)\n"
    "  --no-engine    load no engine: only the host's own classes can be created\n"
    "  script.lua     the script; '-' reads it from standard input\n";

struct Options {
  std::string engine;
  bool noEngine = false;
  int script = 0;        // index of the script in argv; 0 when none was given
  bool members = false;  // --members: argv[script] is the class, the rest the connection
};

// The member reference: prints what qz.members reads from the objects' own method tables,
// and the numbers some members take, by name.
constexpr const char* kMembersChunk = R"lua(
local class, dsn, user, password = ...
local short = class:upper():gsub("^DATABASE%.", "")
local notes = {
  JDBCDB = {"option keys: 1 auto-commit (1 on, the default after connect; 0 off),",
            "  \"VERBATIM\" (1: SQL goes to the driver as written), \"EMPTYISNULL\" (0: '' apart from NULL)",
            "createObject names: RECORDSET, SQLEXEC, TABLEINFO, DATABASEINFO, SYSTYPEMAP"},
  RECORDSET = {"option keys: 1 cursor type (1 forward-only, 2 scrollable, 3 and 4 scroll-sensitive),",
               "  2 concurrency (1 read-only, 2 and 3 updatable), \"EMPTYISNULL\"",
               "fetch(mode, offset): mode 3 the next row, 5 the first row",
               "collection(1): the field accessor, Field(column, code) with codes 1 name,",
               "  2 value kind, 3 value (nil for NULL), 4 indicator (-1 NULL, else the length);",
               "  FullText(column) the whole value as text, Cut(column) 1 when Field's text is cut"},
  SQLEXEC = {"metadata(what, schema, table): what is tables, schemas, columns, primarykeys,",
             "  foreignkeys or indexes; columnType(column): the JDBC type code;",
             "  cancel(): from another thread while execute runs"},
  TABLEINFO = {"result: tableinfo(code) 1 name, 2 catalog, 3 schema; columnInfo(column, code)",
               "  1 name, 2 value kind, 3 position from 0, 4 remarks, 5 key role, 6 JDBC type,",
               "  7 size, 8 key flags (1 primary, 2 foreign)"},
}
local object
if short == "JDBCDB" or not notes[short] then
  object = qz.create(class)
else
  assert(dsn, class .. " is made by a connection: name a data source (qzhost --members " ..
         class .. " DSN [USER [PASSWORD]])")
  local db = qz.create("DATABASE.JDBCDB")
  db:connect(dsn, user or "", password or "")
  object = db:createObject(short)
  assert(object, "the connection made no " .. short)
end
local members = qz.members(object)
print(class .. " (" .. members.class .. ")")
for _, m in ipairs(members) do
  local args = tostring(m.arguments)
  if m.optional > 0 then args = args .. " to " .. (m.arguments + m.optional) end
  print(string.format("  %-14s %-13s %s argument%s", m.name, m.kind, args,
                      args == "1" and "" or "s"))
end
for _, line in ipairs(notes[short] or {}) do print(line) end
)lua";

// False (after saying why) when the command line is not usable.
bool parseOptions(int argc, char** argv, Options* options) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--engine") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "qzhost: --engine needs a path\n%s", kUsage);
        return false;
      }
      options->engine = argv[++i];
    } else if (a == "--members") {
      options->members = true;
    } else if (a == "--no-engine") {
      options->noEngine = true;
    } else if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else {
      std::fprintf(stderr, "qzhost: unknown option '%s'\n%s", argv[i], kUsage);
      return false;
    }
  }
  if (i >= argc) {
    std::fputs(kUsage, stderr);
    return false;
  }
  options->script = i;
  return true;
}

// The message handler of the script's call: error values with __tostring (the call errors
// of qz) print through it, everything gets a traceback.
int messageHandler(lua_State* L) {
  const char* message = lua_tostring(L, 1);
  if (!message) {
    if (luaL_callmeta(L, 1, "__tostring") && lua_type(L, -1) == LUA_TSTRING) {
      message = lua_tostring(L, -1);
    } else {
      message = lua_pushfstring(L, "(error value is a %s)", luaL_typename(L, 1));
    }
  }
  luaL_traceback(L, L, message, 1);
  return 1;
}

class Session {
 public:
  // The exit status of the whole run.
  int run(int argc, char** argv);
  // Shuts down in order and exits the process with status (or 1 after a leak).
  [[noreturn]] void exitNow(int status);

 private:
  bool startHost(const Options& options);
  void setArguments(int argc, char** argv, int script);
  // Closes the state, checks that every reference went, and drops the host; returns status,
  // or 1 after a leak. Only the first call does anything.
  int finish(int status);

  std::unique_ptr<qz::host::Host> host_;
  lua_State* L_ = nullptr;
  bool testClasses_ = false;
  uint32_t testCookie_ = 0;
  bool finished_ = false;
};

int osExit(lua_State* L) {
  int status = EXIT_SUCCESS;
  if (lua_isboolean(L, 1)) {
    status = lua_toboolean(L, 1) ? EXIT_SUCCESS : EXIT_FAILURE;
  } else {
    status = static_cast<int>(luaL_optinteger(L, 1, EXIT_SUCCESS));
  }
  auto* session = static_cast<Session*>(lua_touserdata(L, lua_upvalueindex(1)));
  // Closing the state from inside one of its functions is what the standalone interpreter's
  // os.exit(code, true) does; nothing returns into the state afterwards.
  session->exitNow(status);
}

bool Session::startHost(const Options& options) {
  host_ = std::make_unique<qz::host::Host>();
  if (!options.noEngine) {
    std::string path = options.engine.empty() ? qz::host::defaultEnginePath() : options.engine;
    std::string error;
    if (!host_->loadEngine(path, &error)) {
      std::fprintf(stderr, "qzhost: %s\n", error.c_str());
      return false;
    }
  }
  // Registered after the engine: the host asks the newest factory first, and ours refuses
  // every name but its own.
  if (const char* flag = std::getenv("QZHOST_TEST_CLASSES"); flag && std::strcmp(flag, "1") == 0) {
    if (!qz::luahost::registerTestClasses(host_->engineFactory(), &testCookie_)) {
      std::fputs("qzhost: the host refused the test classes\n", stderr);
      return false;
    }
    testClasses_ = true;
  }
  qz::luahost::registerDatabaseBindings();
  return true;
}

// As the standalone interpreter: arg[0] is the script, arg[1..] its arguments, the options
// before it negative, arg[-n] the program.
void Session::setArguments(int argc, char** argv, int script) {
  lua_createtable(L_, argc - script - 1, script + 1);
  for (int i = 0; i < argc; ++i) {
    lua_pushstring(L_, argv[i]);
    lua_rawseti(L_, -2, i - script);
  }
  lua_setglobal(L_, "arg");
}

int Session::run(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, &options)) return 1;
  if (!startHost(options)) return finish(1);

  L_ = qz::luahost::newState();
  if (!L_) {
    std::fputs("qzhost: cannot create a Lua state\n", stderr);
    return finish(1);
  }
  luaL_openlibs(L_);
  qz::host::Host* host = host_.get();
  qz::luahost::openQzLibrary(L_, [host](const char* className, int32_t* status) {
    return host->create(className, status);
  });
  lua_getglobal(L_, "os");
  lua_pushlightuserdata(L_, this);
  lua_pushcclosure(L_, osExit, 1);
  lua_setfield(L_, -2, "exit");
  lua_pop(L_, 1);
  setArguments(argc, argv, options.script);

  const char* script = argv[options.script];
  lua_pushcfunction(L_, messageHandler);
  const int loaded =
      options.members ? luaL_loadbuffer(L_, kMembersChunk, std::strlen(kMembersChunk), "=members")
                      : luaL_loadfile(L_, std::strcmp(script, "-") == 0 ? nullptr : script);
  if (options.members) --options.script;  // the class is the chunk's first argument
  if (loaded != LUA_OK) {
    std::fprintf(stderr, "qzhost: %s\n", lua_tostring(L_, -1));
    return finish(1);
  }
  // The script's arguments are also its chunk's `...`.
  int count = argc - options.script - 1;
  if (!lua_checkstack(L_, count)) {
    std::fputs("qzhost: too many arguments\n", stderr);
    return finish(1);
  }
  for (int i = options.script + 1; i < argc; ++i) lua_pushstring(L_, argv[i]);
  if (lua_pcall(L_, count, 0, 1) != LUA_OK) {
    const char* message = lua_tostring(L_, -1);
    std::fprintf(stderr, "qzhost: %s\n", message ? message : "(error without a message)");
    return finish(1);
  }
  return finish(0);
}

int Session::finish(int status) {
  if (finished_) return status;
  finished_ = true;
  if (L_) {
    qz::luahost::closeState(std::exchange(L_, nullptr));
  }
  // lua_close finalizes every wrapper, so a wrapper still holding a reference means one was
  // lost on the way; the engine must not be terminated under it unnoticed.
  if (int32_t live = qz::luahost::liveWrappers(); live != 0) {
    std::fprintf(stderr,
                 "qzhost: %d object wrapper(s) still hold a reference after the Lua state "
                 "closed\n",
                 static_cast<int>(live));
    status = 1;
  }
  // Objects served by this program (companions, test classes) that outlive every wrapper
  // were kept by someone's unbalanced reference, or by a cycle of objects holding each other.
  if (int32_t left = qzLiveProxyObjects(); left != 0) {
    std::fprintf(stderr,
                 "qzhost: %d object(s) served by qzhost are still alive after every "
                 "script reference was released (a reference cycle or a leak)\n",
                 static_cast<int>(left));
    status = 1;
  }
  if (host_) {
    if (testClasses_) qz::luahost::revokeTestClasses(host_->engineFactory(), testCookie_);
    host_.reset();  // terminates and unloads the engine
  }
  // print and io.write leave write errors to the stream: what the script wrote may be lost,
  // and the run must not pass for a success.
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (!flushed || std::ferror(stdout)) {
    // print flushes at once, so its failure is usually found here only by the error flag.
    std::fprintf(stderr, "qzhost: cannot write standard output: %s\n",
                 !flushed && errno != 0 ? std::strerror(errno) : "what the script wrote is lost");
    if (status == 0) status = 1;
  }
  return status;
}

void Session::exitNow(int status) {
  qz::host::exitWithoutTeardown(finish(status));
}

}  // namespace

int main(int argc, char** argv) {
  int code;
  {
    Session session;
    code = session.run(argc, argv);
  }
  qz::host::exitWithoutTeardown(code);
}
