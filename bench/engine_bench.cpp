// The engine against plain Java, psqlODBC, a direct call and malloc, in one process and one
// run, printed as one table of minimum and median times with their ratios to the reference.
//
// Fairness: the Java side runs in the very VM the engine uses (same options, same driver
// jars, same URL, auto-commit and fetch size) and times itself with System.nanoTime; every
// scan is timed from the query's execution to its last value; JVM start-up, connecting and
// filling the tables happen before any timing. Google Benchmark repeats each case and, with
// --benchmark_enable_random_interleaving (scripts/bench.sh passes it), interleaves the
// repetitions of all cases, so a slow phase of the machine hits every side alike.
//
// usage: engine_bench [benchmark flags] [--rows=N] [--cpu-time]; the memory rows start this program
// again as a child (--rss-child) once per case, so that each peak is its own process's.
#include <benchmark/benchmark.h>
#include <jni.h>
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <lua.hpp>
#include <map>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host.h"
#include "interfaces/database.h"
#include "interfaces/qzcom.h"
#include "interfaces/record_set.h"
#include "object/com_ref.h"
#include "runtime/memman.h"
#include "tests/support/pg_server.h"
#include "tools/qzhost/lua_objects.h"
#include "tools/qzhost/test_classes.h"
#include "variant/variant.h"

namespace {

// --cpu-time counts this thread's CPU time on both sides (the Java side runs on this thread
// too), which a machine loaded by other work barely moves: the work of the other threads
// (the JIT compiler, the collector, a database server) is then left out on both sides.
bool cpuTime = false;

struct Clock {
  using time_point = double;
  static double now() {
    if (!cpuTime) {
      return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
    }
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

const qzIIDS kDatabaseIid = qzMakeIID("DATABASE.DATABASEI");
const qzIIDS kRecordSetIid = qzMakeIID("DATABASE.RECORDSET");
const qzIIDS kSqlTransactionIid = qzMakeIID("DATABASE.SQLTRANSACTION");
const qzIIDS kFieldsIid = qzMakeIID("DATABASE.RECORDSETFIELDS");

constexpr char kHsqlDriver[] = "org.hsqldb.jdbc.JDBCDriver";
constexpr char kPgDriver[] = "org.postgresql.Driver";
constexpr char kOdbcDriver[] = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
constexpr int kFetchSize = 1000;
constexpr int kInserts = 10000;
constexpr int kBigRows = 1000000;
constexpr int kSmallRows = 10000;

int scanRows = 100000;

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what);
}

// --- plain Java, through QzBench in the engine's VM ------------------------------------------

class Java {
 public:
  explicit Java(qz::host::Host& host) {
    qzRef<qzIUnknown> o = host.create("zeltools.jvm");
    auto provider = qzQuery<qzIJvmProvider>(o.get(), qziid::kJvmProvider);
    void* vm = nullptr;
    if (!provider || provider->getJavaVM(&vm, nullptr) != 0 || !vm) fail("no Java VM");
    vm_ = static_cast<JavaVM*>(vm);
    JNIEnv* e = env();
    jclass local = e->FindClass("QzBench");
    check(e, "QzBench");
    cls_ = static_cast<jclass>(e->NewGlobalRef(local));
    e->DeleteLocalRef(local);
    load_ = method("load", "(Ljava/lang/String;)V");
    execute_ = method("execute",
                      "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;"
                      "Ljava/lang/String;)I");
    scan_ = method("scan",
                   "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Z"
                   "Ljava/lang/String;)J");
    firstRow_ = method("firstRow",
                       "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Z"
                       "Ljava/lang/String;)J");
    insert_ = method("insert",
                     "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;"
                     "Ljava/lang/String;I)J");
    cpuTime_ = method("cpuTime", "(Z)V");
    fill_ = method("fill",
                   "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;"
                   "Ljava/lang/String;I)V");
  }

  void useCpuTime(bool on) {
    Frame f(env());
    f.env->CallStaticVoidMethod(cls_, cpuTime_, static_cast<jboolean>(on));
    check(f.env, "cpuTime");
  }
  void load(const char* driver) {
    Frame f(env());
    f.env->CallStaticVoidMethod(cls_, load_, f.str(driver));
    check(f.env, "load");
  }
  void execute(const std::string& url, const std::string& user, const std::string& password,
               const std::string& sql) {
    Frame f(env());
    f.env->CallStaticIntMethod(cls_, execute_, f.str(url), f.str(user), f.str(password),
                               f.str(sql));
    check(f.env, sql.c_str());
  }
  void fill(const std::string& url, const std::string& user, const std::string& password,
            const std::string& table, int rows) {
    Frame f(env());
    f.env->CallStaticVoidMethod(cls_, fill_, f.str(url), f.str(user), f.str(password), f.str(table),
                                rows);
    check(f.env, "fill");
  }
  // Each answers the seconds the Java side measured.
  double scan(const std::string& url, const std::string& user, const std::string& password,
              bool autoCommit, const std::string& sql) {
    return timed(scan_, url, user, password, autoCommit, sql);
  }
  double firstRow(const std::string& url, const std::string& user, const std::string& password,
                  bool autoCommit, const std::string& sql) {
    return timed(firstRow_, url, user, password, autoCommit, sql);
  }
  double insert(const std::string& url, const std::string& user, const std::string& password,
                const std::string& table, int rows) {
    Frame f(env());
    jlong ns = f.env->CallStaticLongMethod(cls_, insert_, f.str(url), f.str(user), f.str(password),
                                           f.str(table), rows);
    check(f.env, "insert");
    return static_cast<double>(ns) * 1e-9;
  }

 private:
  struct Frame {
    explicit Frame(JNIEnv* e) : env(e) { env->PushLocalFrame(16); }
    ~Frame() { env->PopLocalFrame(nullptr); }
    jstring str(const std::string& s) { return env->NewStringUTF(s.c_str()); }
    JNIEnv* env;
  };

  JNIEnv* env() {
    JNIEnv* e = nullptr;
    if (vm_->GetEnv(reinterpret_cast<void**>(&e), JNI_VERSION_1_8) != JNI_OK &&
        vm_->AttachCurrentThread(reinterpret_cast<void**>(&e), nullptr) != JNI_OK) {
      fail("cannot attach to the VM");
    }
    return e;
  }
  jmethodID method(const char* name, const char* signature) {
    jmethodID id = env()->GetStaticMethodID(cls_, name, signature);
    check(env(), name);
    return id;
  }
  double timed(jmethodID id, const std::string& url, const std::string& user,
               const std::string& password, bool autoCommit, const std::string& sql) {
    Frame f(env());
    jlong ns = f.env->CallStaticLongMethod(cls_, id, f.str(url), f.str(user), f.str(password),
                                           static_cast<jboolean>(autoCommit), f.str(sql));
    check(f.env, sql.c_str());
    return static_cast<double>(ns) * 1e-9;
  }
  static void check(JNIEnv* e, const char* what) {
    if (!e->ExceptionCheck()) return;
    e->ExceptionDescribe();
    e->ExceptionClear();
    fail(std::string("Java failed: ") + what);
  }

  JavaVM* vm_ = nullptr;
  jclass cls_ = nullptr;
  jmethodID load_, execute_, scan_, firstRow_, insert_, fill_, cpuTime_;
};

// --- the engine, by member name -------------------------------------------------------------

qzVariantS invokeOrFail(qzIDispatch* d, const char* name, int32_t kind,
                        std::initializer_list<qzVariantS> args = {}) {
  std::vector<qzVariantS> a(args);
  qzVariantS result;
  qzIUnknown* exception = nullptr;
  if (d->invoke(name, kind, static_cast<int32_t>(a.size()), a.data(), &result, &exception) !=
      kQzOk) {
    qzRef<qzIUnknown> held(exception);
    std::string why;
    for (qzRef<qzIUnknown> e = held; e;) {
      auto info = qzQuery<qzIException>(e.get(), qziid::kException);
      if (!info) break;
      qzVariantS v;
      const char* t = nullptr;
      if (info->getDescription(&v) == kQzOk && v.getText(&t) == kQzOk && t)
        why += std::string(": ") + t;
      qzRef<qzIUnknown> inner;
      if (info->getInnerException(inner.out()) != kQzOk) break;
      e = inner;
    }
    fail(std::string("invoke failed: ") + name + why);
  }
  return result;
}

qzVariantS text(const std::string& s) {
  qzVariantS v;
  v.setString(s.data(), s.size());
  return v;
}

qzVariantS integer(int32_t i) {
  qzVariantS v;
  v.setInt(i);
  return v;
}

qzRef<qzIDispatch> dispatchOf(const qzVariantS& v) {
  if (v.type != kVtObject || !v.value.o) fail("no object");
  return qzQuery<qzIDispatch>(v.value.o, qziid::kDispatch);
}

// One data source of jdbc.cfg and the matching connection of the Java side.
struct Source {
  std::string dsn;
  std::string url;
  std::string user;
  std::string password;
  std::string driver;
  bool autoCommit = true;
  qzRef<qzIDispatch> db;  // the engine's connection, opened once
};

// --- the three ways through the engine --------------------------------------------------------

// By member name from C++: what a host does for a script, without a script.
int64_t scanByName(Source& s, const std::string& sql) {
  qzRef<qzIDispatch> rs =
      dispatchOf(invokeOrFail(s.db.get(), "createObject", kQzMethod, {text("RECORDSET")}));
  qzRef<qzIDispatch> q =
      dispatchOf(invokeOrFail(rs.get(), "transaction", kQzMethod, {text("SQLEXEC")}));
  invokeOrFail(q.get(), "statement", kQzMethod, {text(sql)});
  invokeOrFail(q.get(), "execute", kQzMethod);
  qzRef<qzIDispatch> fields =
      dispatchOf(invokeOrFail(rs.get(), "collection", kQzMethod, {integer(1)}));
  qzVariantS args[2];
  args[1].setInt(3);
  qzVariantS fetchArgs[2];
  fetchArgs[0].setInt(3);
  fetchArgs[1].setInt(0);
  qzVariantS result;
  int64_t rows = 0;
  for (;;) {
    if (rs->invoke("Eof", kQzPropertyGet, 0, nullptr, &result, nullptr) != kQzOk) fail("Eof");
    if (result.type != kVtInt || result.value.i != 0) break;
    for (int32_t c = 0; c < 6; ++c) {
      args[0].setInt(c);
      if (fields->invoke("Field", kQzMethod, 2, args, &result, nullptr) != kQzOk) fail("Field");
      benchmark::DoNotOptimize(result.value.raw);
    }
    if (rs->invoke("fetch", kQzMethod, 2, fetchArgs, &result, nullptr) != kQzOk) fail("fetch");
    ++rows;
  }
  if (!s.autoCommit) invokeOrFail(s.db.get(), "commit", kQzMethod);
  return rows;
}

struct NativeScan {
  qzRef<dbIRecordSet> rs;
  qzRef<dbIRecordSetFields> fields;
};

NativeScan openNative(Source& s, const std::string& sql) {
  auto db = qzQuery<dbIDatabase>(s.db.get(), kDatabaseIid);
  qzRef<qzIUnknown> created;
  if (!db || db->createObject("RECORDSET", created.out()) != kQzOk) fail("createObject");
  NativeScan n;
  n.rs = qzQuery<dbIRecordSet>(created.get(), kRecordSetIid);
  qzRef<qzIUnknown> t;
  if (!n.rs || n.rs->transaction("SQLEXEC", t.out()) != kQzOk) fail("transaction");
  auto q = qzQuery<dbISQLTransaction>(t.get(), kSqlTransactionIid);
  qzIUnknown* err = nullptr;
  if (!q || q->setStatement(sql.c_str()) != kQzOk || q->execute(&err) != kQzOk) {
    if (err) err->Release();
    fail("execute " + sql);
  }
  qzRef<qzIUnknown> f;
  if (n.rs->collection(1, f.out()) != kQzOk) fail("collection");
  n.fields = qzQuery<dbIRecordSetFields>(f.get(), kFieldsIid);
  return n;
}

// Through the native interfaces.
int64_t scanNative(Source& s, const std::string& sql) {
  NativeScan n = openNative(s, sql);
  qzVariantS column, value;
  int32_t state = 0;
  int64_t rows = 0;
  while (n.rs->position(&state) == kQzOk && state == kDbPositionOnRow) {
    for (int32_t c = 0; c < 6; ++c) {
      column.setInt(c);
      if (n.fields->getField(&column, kDbFieldValue, &value) != kQzOk) fail("getField");
      benchmark::DoNotOptimize(value.value.raw);
      value.clear();
    }
    if (n.rs->fetch(kDbFetchNext, 0, nullptr) != kQzOk) fail("fetch");
    ++rows;
  }
  if (!s.autoCommit) invokeOrFail(s.db.get(), "commit", kQzMethod);
  return rows;
}

double firstRowNative(Source& s, const std::string& sql) {
  const Clock::time_point start = Clock::now();
  NativeScan n = openNative(s, sql);
  qzVariantS column, value;
  column.setInt(0);
  if (n.fields->getField(&column, kDbFieldValue, &value) != kQzOk) fail("getField");
  const double elapsed = Clock::now() - start;
  n = NativeScan();
  if (!s.autoCommit) invokeOrFail(s.db.get(), "commit", kQzMethod);
  return elapsed;
}

// A Lua script in the host, as qzhost runs it, that reads each row with `readRow`.
std::string luaWalk(const char* readRow) {
  return std::string(R"(
local db, sql, commit = ...
local rs = db:createObject("RECORDSET")
local q = rs:transaction("SQLEXEC")
q:statement(sql)
q:execute()
local f = rs:collection(1)
local rows = 0
while rs.Eof == 0 do
)") + readRow +
         R"(
  rs:fetch(3, 0)
  rows = rows + 1
end
qz.release(f)
qz.release(q)
qz.release(rs)
if commit then db:commit() end
return rows
)";
}

// Six Field calls per row, or one Row call.
const std::string kLuaScan = luaWalk(
    "  local a, b, c, d, e, g = f:Field(0, 3), f:Field(1, 3), f:Field(2, 3), f:Field(3, 3),\n"
    "                           f:Field(4, 3), f:Field(5, 3)");
const std::string kLuaScanRow = luaWalk("  local row = f:Row(3)");

// One Rows call per block of 256 rows.
constexpr char kLuaScanRows[] = R"(
local db, sql, commit = ...
local rs = db:createObject("RECORDSET")
local q = rs:transaction("SQLEXEC")
q:statement(sql)
q:execute()
local f = rs:collection(1)
local rows = 0
local block = f:Rows(256, 3)
while block.n > 0 do
  for i = 1, block.n do local row = block[i] end
  rows = rows + block.n
  block = f:Rows(256, 3)
end
qz.release(f)
qz.release(q)
qz.release(rs)
if commit then db:commit() end
return rows
)";

constexpr char kLuaCalls[] = R"(
local o, n = ...
local v
for i = 1, n do v = o.Value end
return v
)";

class Lua {
 public:
  explicit Lua(qz::host::Host& host) : L_(qz::luahost::newState()) {
    luaL_openlibs(L_);
    qz::host::Host* h = &host;
    qz::luahost::openQzLibrary(
        L_, [h](const char* className, int32_t* status) { return h->create(className, status); });
  }
  ~Lua() { qz::luahost::closeState(L_); }
  Lua(const Lua&) = delete;
  Lua& operator=(const Lua&) = delete;

  // Runs a chunk with an object and two more arguments; answers its integer result.
  int64_t run(const char* chunk, qzIUnknown* object, const std::string& a, lua_Integer n,
              bool flag) {
    if (luaL_loadstring(L_, chunk) != LUA_OK) fail(lua_tostring(L_, -1));
    qz::luahost::pushObject(L_, object);
    if (a.empty()) {
      lua_pushinteger(L_, n);
    } else {
      lua_pushlstring(L_, a.data(), a.size());
    }
    lua_pushboolean(L_, flag);
    if (lua_pcall(L_, 3, 1, 0) != LUA_OK) {
      std::string message = luaL_tolstring(L_, -1, nullptr);
      lua_pop(L_, 2);
      fail("Lua: " + message);
    }
    const int64_t r = lua_tointeger(L_, -1);
    lua_pop(L_, 1);
    lua_gc(L_, LUA_GCCOLLECT);
    return r;
  }

 private:
  lua_State* L_;
};

// --- psqlODBC through unixODBC ----------------------------------------------------------------

class Odbc {
 public:
  explicit Odbc(const std::string& connect) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())), SQL_NTS, out,
        sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) fail("ODBC connect: " + diagnostics(SQL_HANDLE_DBC, dbc_));
  }
  ~Odbc() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  Odbc(const Odbc&) = delete;
  Odbc& operator=(const Odbc&) = delete;

  // Every column of every row as text, as the ODBC application of the same scan would.
  int64_t scan(const std::string& sql) {
    SQLHSTMT st = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
    if (!SQL_SUCCEEDED(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                     SQL_NTS))) {
      const std::string why = diagnostics(SQL_HANDLE_STMT, st);
      SQLFreeHandle(SQL_HANDLE_STMT, st);
      fail("ODBC: " + why);
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(st, &columns);
    char buffer[8192];
    SQLLEN length = 0;
    int64_t rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
      for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
        SQLGetData(st, c, SQL_C_CHAR, buffer, sizeof buffer, &length);
        benchmark::DoNotOptimize(length);
      }
      ++rows;
    }
    SQLCloseCursor(st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return rows;
  }

 private:
  static std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    SQLCHAR state[6], message[512];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length) ==
        SQL_SUCCESS) {
      return reinterpret_cast<char*>(message);
    }
    return "no diagnostics";
  }

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
};

// --- the set-up every case shares --------------------------------------------------------------

struct Bench {
  std::string folder;
  std::unique_ptr<qz::host::Host> host;
  std::unique_ptr<Java> java;
  std::unique_ptr<Lua> lua;
  std::unique_ptr<qztest::PgServer> pg;
  std::map<std::string, Source> sources;
  std::map<std::string, std::unique_ptr<Odbc>> odbc;
  qzRef<qzIDispatch> echo;  // a scriptable object with a trivial property
  uint32_t echoCookie = 0;
};
Bench* bench = nullptr;

constexpr char kScanTable[] = "qz_scan";
constexpr char kBigTable[] = "qz_scan_big";
std::string scanSql(const char* table) {
  return std::string("SELECT id, big, amount, name, stamp, note FROM ") + table;
}

constexpr char kCreateScan[] =
    " (id INTEGER, big BIGINT, amount DECIMAL(12,2), name VARCHAR(40), stamp TIMESTAMP,"
    " note VARCHAR(40))";

void writeConfig(const std::string& folder, const std::vector<Source*>& sources) {
  std::ofstream cfg(folder + "/jdbc.cfg");
  for (const Source* s : sources) {
    cfg << "[" << s->dsn << "]\nDriverClass=" << s->driver << "\nURL=" << s->url
        << "\nServerDB=" << s->dsn << "\n\n";
  }
}

void setEnvironment(const std::string& folder) {
  setenv("KESTRAN_USER", folder.c_str(), 1);
  setenv("KESTRAN_SETUP", folder.c_str(), 1);
  setenv("QZ_REGISTRY_USER", (folder + "/no-registry").c_str(), 1);
  setenv("QZ_REGISTRY_MACHINE", (folder + "/no-registry").c_str(), 1);
  std::string classPath = QZ_BENCH_JAVA_DIR;
  if (const char* old = std::getenv("QZ_CLASSPATH"); old && *old) classPath += ":" + *old;
  setenv("QZ_CLASSPATH", classPath.c_str(), 1);
}

void openEngine(Bench& b) {
  b.host = std::make_unique<qz::host::Host>();
  std::string error;
  // QZ_BENCH_ENGINE names another build of the library: two builds alternated, one program.
  const char* engine = std::getenv("QZ_BENCH_ENGINE");
  if (!b.host->loadEngine(engine && *engine ? engine : QZ_BENCH_ENGINE_PATH, &error)) fail(error);
  b.java = std::make_unique<Java>(*b.host);
  b.java->useCpuTime(cpuTime);
}

void connect(Bench& b, Source& s) {
  b.java->load(s.driver.c_str());
  qzRef<qzIUnknown> o = b.host->create("DATABASE.JDBCDB");
  s.db = qzQuery<qzIDispatch>(o.get(), qziid::kDispatch);
  if (!s.db) fail("no DATABASE.JDBCDB");
  invokeOrFail(s.db.get(), "connect", kQzMethod, {text(s.dsn), text(s.user), text(s.password)});
  if (!s.autoCommit) invokeOrFail(s.db.get(), "option", kQzMethod, {integer(1), integer(0)});
}

void setUp(Bench& b) {
  char folder[] = "/tmp/qzbench-XXXXXX";
  if (!mkdtemp(folder)) fail("mkdtemp");
  b.folder = folder;
  setEnvironment(b.folder);

  Source hsql{"hsqldb", "jdbc:hsqldb:mem:qzbench", "SA", "", kHsqlDriver, true, {}};
  std::vector<Source> all{hsql};
  if (const std::string why = qztest::PgServer::unavailableReason(); why.empty()) {
    b.pg = std::make_unique<qztest::PgServer>();
    const std::string url = b.pg->jdbcUrl();
    all.push_back({"pg", url, b.pg->user(), b.pg->password(), kPgDriver, true, {}});
    all.push_back({"pgcursor",
                   url + "&defaultRowFetchSize=" + std::to_string(kFetchSize),
                   b.pg->user(),
                   b.pg->password(),
                   kPgDriver,
                   false,
                   {}});
  } else {
    std::fprintf(stderr, "engine_bench: no PostgreSQL rows: %s\n", why.c_str());
  }
  std::vector<Source*> listed;
  for (Source& s : all) listed.push_back(&b.sources.emplace(s.dsn, s).first->second);
  writeConfig(b.folder, listed);
  setenv("QZ_BENCH_FOLDER", b.folder.c_str(), 1);

  openEngine(b);
  for (const char* dsn : {"hsqldb", "pg"}) {
    auto it = b.sources.find(dsn);
    if (it == b.sources.end()) continue;
    Source& s = it->second;
    b.java->load(s.driver.c_str());
    b.java->execute(s.url, s.user, s.password,
                    std::string("CREATE TABLE ") + kScanTable + kCreateScan);
    b.java->fill(s.url, s.user, s.password, kScanTable, scanRows);
    b.java->execute(s.url, s.user, s.password,
                    "CREATE TABLE qz_ins_engine (id INTEGER, name VARCHAR(40))");
    b.java->execute(s.url, s.user, s.password,
                    "CREATE TABLE qz_ins_java (id INTEGER, name VARCHAR(40))");
  }
  if (b.pg) {
    Source& s = b.sources["pg"];
    b.java->execute(s.url, s.user, s.password,
                    std::string("CREATE TABLE ") + kBigTable + kCreateScan);
    b.java->execute(s.url, s.user, s.password,
                    std::string("INSERT INTO ") + kBigTable +
                        " SELECT g, g * 1000003::bigint, g / 100.0, 'name ' || g,"
                        " TIMESTAMP '2020-01-01' + g * INTERVAL '1 second',"
                        " CASE WHEN g % 10 = 0 THEN 'note ' || g END"
                        " FROM generate_series(1, " +
                        std::to_string(kBigRows) + ") g");
    b.java->execute(s.url, s.user, s.password, "VACUUM ANALYZE");
    const std::string base = "Driver=" + std::string(kOdbcDriver) +
                             ";Server=127.0.0.1;Port=" + std::to_string(b.pg->port()) +
                             ";Database=qz;Uid=" + b.pg->user() + ";Pwd=" + b.pg->password();
    if (access(kOdbcDriver, R_OK) == 0) {
      b.odbc["pg"] = std::make_unique<Odbc>(base);
      b.odbc["pgcursor"] =
          std::make_unique<Odbc>(base + ";UseDeclareFetch=1;Fetch=" + std::to_string(kFetchSize));
    }
  }
  for (auto& [dsn, s] : b.sources) connect(b, s);
  b.lua = std::make_unique<Lua>(*b.host);
  if (qz::luahost::registerTestClasses(b.host->engineFactory(), &b.echoCookie)) {
    qzRef<qzIUnknown> o = b.host->create("QZTEST.ECHO");
    b.echo = qzQuery<qzIDispatch>(o.get(), qziid::kDispatch);
    if (b.echo) invokeOrFail(b.echo.get(), "Value", kQzPropertyPut, {integer(7)});
  }
}

// --- cases ------------------------------------------------------------------------------------

// The rows of the table, in registration order; each with the case its ratio is taken to.
struct Row {
  std::string name;
  std::string reference;
  std::string unit;  // per what the time is counted
  double perUnit = 1;
};
std::vector<Row>& rows() {
  static std::vector<Row> r;
  return r;
}

// Every case registered, run once before any is timed: the JIT compiles the driver's and
// QzBench's paths and the heap reaches its working size for both sides alike.
std::vector<std::function<double()>>& warmUps() {
  static std::vector<std::function<double()>> w;
  return w;
}

constexpr int kRepetitions = 9;

// The cases --benchmark_filter selects; the others are neither registered nor warmed up.
std::string& filter() {
  static std::string f;
  return f;
}
bool selected(const std::string& name) {
  return filter().empty() || std::regex_search(name, std::regex(filter()));
}

// The bodies of the reference cases, and for every other case the ratios of its runs to a
// run of its reference made just before it: on a machine whose load changes, a pair sees
// the same load, where the minimums of two cases may not.
std::map<std::string, std::function<double()>>& references() {
  static std::map<std::string, std::function<double()>> r;
  return r;
}
std::map<std::string, std::vector<double>>& pairedRatios() {
  static std::map<std::string, std::vector<double>> r;
  return r;
}

template <class F>
void add(const std::string& name, const std::string& reference, F body,
         const std::string& unit = "run", double perUnit = 1, int repetitions = kRepetitions,
         int warmUpRuns = 1) {
  if (reference.empty()) references()[name] = body;
  if (!selected(name)) return;
  rows().push_back({name, reference, unit, perUnit});
  warmUps().push_back([body, warmUpRuns] {
    double t = 0;
    for (int r = 0; r < warmUpRuns; ++r) t = body();
    return t;
  });
  std::function<double()> before;
  if (auto r = references().find(reference); r != references().end()) before = r->second;
  benchmark::RegisterBenchmark(name.c_str(),
                               [body, before, name](benchmark::State& state) {
                                 for (auto _ : state) {
                                   try {
                                     const double ref = before ? before() : 0;
                                     const double t = body();
                                     if (ref > 0) pairedRatios()[name].push_back(t / ref);
                                     state.SetIterationTime(t);
                                   } catch (const std::exception& e) {
                                     state.SkipWithError(e.what());
                                     break;
                                   }
                                 }
                               })
      ->Iterations(1)
      ->Repetitions(repetitions)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

template <class F>
double timedScan(F scan) {
  const Clock::time_point start = Clock::now();
  const int64_t n = scan();
  const double elapsed = Clock::now() - start;
  if (n <= 0) fail("the scan read no rows");
  return elapsed;
}

// Runs of each scan before the timed ones: with one, the block's Java fill (a loop over chars)
// can still run the JIT's profiling tier, about nine times slower, into the first timed runs
// on two busy cores, while the Java loop's simpler loop is compiled sooner.
constexpr int kScanWarmUps = 3;

void registerScans(Bench& b) {
  for (const char* dsn : {"hsqldb", "pg", "pgcursor"}) {
    auto it = b.sources.find(dsn);
    if (it == b.sources.end()) continue;
    Source* s = &it->second;
    const std::string sql = scanSql(kScanTable);
    const std::string prefix = std::string("scan ") + dsn + " ";
    const std::string java = prefix + "java";
    const auto scanCase = [](const std::string& name, const std::string& reference, auto body) {
      add(name, reference, body, "run", 1, kRepetitions, kScanWarmUps);
    };
    scanCase(java, "", [s, sql] {
      return bench->java->scan(s->url, s->user, s->password, s->autoCommit, sql);
    });
    scanCase(prefix + "native", java,
             [s, sql] { return timedScan([&] { return scanNative(*s, sql); }); });
    scanCase(prefix + "invoke", java,
             [s, sql] { return timedScan([&] { return scanByName(*s, sql); }); });
    for (const auto& [name, chunk] : {std::pair{"lua", kLuaScan.c_str()},
                                      {"lua Row", kLuaScanRow.c_str()},
                                      {"lua Rows", kLuaScanRows}}) {
      scanCase(prefix + name, java, [s, sql, chunk] {
        return timedScan(
            [&] { return bench->lua->run(chunk, s->db.get(), sql, 0, !s->autoCommit); });
      });
    }
    if (b.odbc.count(dsn)) {
      Odbc* o = b.odbc[dsn].get();
      scanCase(prefix + "psqlodbc", java,
               [o, sql] { return timedScan([&] { return o->scan(sql); }); });
    }
  }
}

void registerFirstRows(Bench& b) {
  if (!b.pg) return;
  for (const char* dsn : {"pg", "pgcursor"}) {
    Source* s = &b.sources[dsn];
    const std::string sql = scanSql(kBigTable);
    const std::string java = std::string("first row of 1M ") + dsn + " java";
    add(
        java, "",
        [s, sql] {
          return bench->java->firstRow(s->url, s->user, s->password, s->autoCommit, sql);
        },
        "run", 1, 3);
    add(
        std::string("first row of 1M ") + dsn + " native", java,
        [s, sql] { return firstRowNative(*s, sql); }, "run", 1, 3);
  }
}

// Runs of 10,000 INSERTs before the timed ones: with one, neither the Java loop nor the
// engine's Java update method is compiled by the optimizing JIT by the time HSQLDB's timed runs
// end, unless other drivers' INSERTs in the same run call the same methods first; the ratio
// then told the warm-up of the run, not the engine. After six, HSQLDB's runs (a few
// milliseconds each) still met the optimizing compiler at work, more during the engine's runs
// than the Java loop's (12-19 ms of its thread's CPU against 4-8 a run), which on two cores
// takes the benchmark thread's; after twenty it is idle on both sides.
constexpr int kInsertWarmUps = 6;
constexpr int kHsqlInsertWarmUps = 20;

void registerInserts(Bench& b) {
  for (const char* dsn : {"hsqldb", "pg"}) {
    auto it = b.sources.find(dsn);
    if (it == b.sources.end()) continue;
    Source* s = &it->second;
    const int insertWarmUps = std::string(dsn) == "hsqldb" ? kHsqlInsertWarmUps : kInsertWarmUps;
    const std::string java = std::string("insert x10k ") + dsn + " java";
    add(
        java, "",
        [s] {
          bench->java->execute(s->url, s->user, s->password, "DELETE FROM qz_ins_java");
          return bench->java->insert(s->url, s->user, s->password, "qz_ins_java", kInserts);
        },
        "run", 1, kRepetitions, insertWarmUps);
    add(
        std::string("insert x10k ") + dsn + " SQLEXEC", java,
        [s] {
          bench->java->execute(s->url, s->user, s->password, "DELETE FROM qz_ins_engine");
          auto db = qzQuery<dbIDatabase>(s->db.get(), kDatabaseIid);
          qzRef<qzIUnknown> created;
          if (db->createObject("SQLEXEC", created.out()) != kQzOk) fail("createObject");
          auto exec = qzQuery<dbISQLTransaction>(created.get(), kSqlTransactionIid);
          if (!exec) fail("no SQLEXEC");
          // Each text built in one buffer reused from row to row, as a careful caller would
          // (the Java loop's counterpart is its "name " + i): a chain of + made it in heap
          // temporaries, about 600 instructions more an INSERT, the program's and not ours.
          std::string sql;
          const Clock::time_point start = Clock::now();
          for (int i = 0; i < kInserts; ++i) {
            const std::string n = std::to_string(i);
            sql.assign("INSERT INTO qz_ins_engine (id, name) VALUES ('");
            sql.append(n).append("', 'name ").append(n).append("')");
            exec->setStatement(sql.c_str());
            qzIUnknown* err = nullptr;
            if (exec->execute(&err) != kQzOk) {
              if (err) err->Release();
              fail("insert");
            }
          }
          return Clock::now() - start;
        },
        "run", 1, kRepetitions, insertWarmUps);
  }
}

// A trivial interface with one virtual getter: the floor of any call.
class Trivial {
 public:
  virtual ~Trivial() = default;
  virtual int32_t value() const = 0;
};
class TrivialImpl final : public Trivial {
 public:
  int32_t value() const override { return 7; }
};

constexpr int kCalls = 1000000;

void registerCalls(Bench& b) {
  add(
      "call x1M direct virtual", "",
      [] {
        static TrivialImpl impl;
        Trivial* volatile target = &impl;
        const Clock::time_point start = Clock::now();
        int64_t sum = 0;
        for (int i = 0; i < kCalls; ++i) sum += target->value();
        benchmark::DoNotOptimize(sum);
        return Clock::now() - start;
      },
      "call", kCalls);
  if (!b.echo) return;
  add(
      "call x1M invoke C++", "call x1M direct virtual",
      [] {
        qzVariantS result;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
          if (bench->echo->invoke("Value", kQzPropertyGet, 0, nullptr, &result, nullptr) != kQzOk) {
            fail("Value");
          }
          benchmark::DoNotOptimize(result.value.raw);
        }
        return Clock::now() - start;
      },
      "call", kCalls);
  add(
      "call x1M invoke Lua", "call x1M direct virtual",
      [] {
        return timedScan([] {
          bench->lua->run(kLuaCalls, bench->echo.get(), "", kCalls, false);
          return 1;
        });
      },
      "call", kCalls);
}

constexpr int kPairs = 1000000;

void registerAllocator() {
  add(
      "alloc x1M malloc/free 64", "",
      [] {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kPairs; ++i) {
          void* p = std::malloc(64);
          benchmark::DoNotOptimize(p);
          std::free(p);
        }
        return Clock::now() - start;
      },
      "pair", kPairs);
  add(
      "alloc x1M qzAlloc/qzFree 64", "alloc x1M malloc/free 64",
      [] {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kPairs; ++i) {
          void* p = qzAlloc(64);
          benchmark::DoNotOptimize(p);
          qzFree(p);
        }
        return Clock::now() - start;
      },
      "pair", kPairs);
}

// --- peak memory, each in a child process of its own ------------------------------------------

// The process's peak resident memory in KiB (VmHWM: of this program since its exec, which
// ru_maxrss is not: it keeps the peak of the process before the exec).
long peakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The child: connects to the data source and scans `limit` rows of the big table, the engine's
// way (native interfaces) or Java's, and prints its peak in KiB.
int rssChild(const std::string& dsn, const std::string& side, int limit) {
  Bench b;
  b.folder = std::getenv("QZ_BENCH_FOLDER");
  openEngine(b);
  Source s;
  // The parent's jdbc.cfg has the URL; the child asks the engine for nothing else.
  s.dsn = dsn;
  s.user = std::getenv("QZ_BENCH_USER");
  s.password = std::getenv("QZ_BENCH_PASSWORD");
  s.url = std::getenv("QZ_BENCH_URL");
  s.driver = kPgDriver;
  s.autoCommit = dsn != "pgcursor";
  const std::string sql = scanSql(kBigTable) + " LIMIT " + std::to_string(limit);
  if (side == "java") {
    b.java->load(kPgDriver);
    b.java->scan(s.url, s.user, s.password, s.autoCommit, sql);
  } else {
    connect(b, s);
    scanNative(s, sql);
    s.db.reset();
  }
  std::printf("%ld\n", peakKib());
  std::fflush(stdout);
  b.host.release();  // never torn down: the VM stays until the process ends
  b.java.release();
  qz::host::exitWithoutTeardown(0);
}

// Peak resident memory of a child, in MiB; -1 when it failed.
double childPeak(const char* self, Source& s, const std::string& side, int limit) {
  setenv("QZ_BENCH_USER", s.user.c_str(), 1);
  setenv("QZ_BENCH_PASSWORD", s.password.c_str(), 1);
  setenv("QZ_BENCH_URL", s.url.c_str(), 1);
  const std::string command =
      std::string("'") + self + "' --rss-child " + s.dsn + " " + side + " " + std::to_string(limit);
  FILE* child = popen(command.c_str(), "r");
  if (!child) return -1;
  long kib = -1;
  if (std::fscanf(child, "%ld", &kib) != 1) kib = -1;
  if (pclose(child) != 0) return -1;
  return kib < 0 ? -1 : static_cast<double>(kib) / 1024.0;
}

struct MemoryRow {
  std::string name;
  double small = 0, big = 0;
};

std::vector<MemoryRow> measureMemory(const char* self) {
  std::vector<MemoryRow> out;
  if (!bench->pg || !selected("peak RSS")) return out;
  for (const char* dsn : {"pg", "pgcursor"}) {
    for (const char* side : {"java", "engine"}) {
      Source& s = bench->sources[dsn];
      MemoryRow r;
      r.name = std::string("peak RSS ") + dsn + " " + side;
      r.small = childPeak(self, s, side, kSmallRows);
      r.big = childPeak(self, s, side, kBigRows);
      out.push_back(r);
    }
  }
  return out;
}

// --- the table ----------------------------------------------------------------------------------

class TableReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.run_name.function_name;
      if (r.error_occurred) {
        errors_[name] = r.error_message;
        continue;
      }
      times_[name].push_back(r.GetAdjustedRealTime() /
                             benchmark::GetTimeUnitMultiplier(r.time_unit));
      std::fprintf(stderr, ".");
    }
  }
  void Finalize() override { std::fprintf(stderr, "\n"); }

  void print(const std::vector<MemoryRow>& memory) const {
    std::printf("%-34s %12s %12s %8s %8s %8s  %s\n", "case", "min", "median", "x min", "x median",
                "x paired", "ratio to");
    for (const Row& row : rows()) {
      auto t = times_.find(row.name);
      if (t == times_.end() || t->second.empty()) {
        auto e = errors_.find(row.name);
        std::printf("%-34s %s\n", row.name.c_str(),
                    e == errors_.end() ? "(not run)" : ("failed: " + e->second).c_str());
        continue;
      }
      const auto [min, median] = stats(t->second);
      std::string x1 = "", x2 = "";
      if (!row.reference.empty()) {
        auto ref = times_.find(row.reference);
        if (ref != times_.end() && !ref->second.empty()) {
          const auto [rmin, rmedian] = stats(ref->second);
          x1 = ratio(min / rmin);
          x2 = ratio(median / rmedian);
        }
      }
      std::string x3 = "";
      if (auto p = pairedRatios().find(row.name); p != pairedRatios().end() && !p->second.empty()) {
        x3 = ratio(stats(p->second).second);
      }
      std::printf("%-34s %12s %12s %8s %8s %8s  %s\n", row.name.c_str(), figure(min, row).c_str(),
                  figure(median, row).c_str(), x1.c_str(), x2.c_str(), x3.c_str(),
                  row.reference.c_str());
    }
    for (const MemoryRow& m : memory) {
      char small[32] = "failed", big[32] = "failed";
      if (m.small > 0) std::snprintf(small, sizeof small, "%.0f MiB", m.small);
      if (m.big > 0) std::snprintf(big, sizeof big, "%.0f MiB", m.big);
      std::printf("%-34s %12s %12s %8s %8s %8s  %s\n", m.name.c_str(), small, big,
                  m.small > 0 && m.big > 0 ? ratio(m.big / m.small).c_str() : "", "", "",
                  "10k rows | 1M rows | 1M / 10k");
    }
  }

 private:
  static std::pair<double, double> stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {v.front(), median};
  }
  static std::string ratio(double x) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", x);
    return b;
  }
  static std::string figure(double secondsPerRun, const Row& row) {
    char b[48];
    const double each = secondsPerRun / row.perUnit;
    if (row.unit == "run") {
      std::snprintf(b, sizeof b, "%.1f ms", each * 1e3);
    } else {
      std::snprintf(b, sizeof b, "%.1f ns", each * 1e9);
    }
    return b;
  }

  std::map<std::string, std::vector<double>> times_;
  std::map<std::string, std::string> errors_;
};

std::string describeMachine() {
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model = "?";
  while (std::getline(cpu, line)) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  return model + ", " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--rss-child") == 0) {
    try {
      return rssChild(argv[2], argv[3], std::atoi(argv[4]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "engine_bench child: %s\n", e.what());
      return 1;
    }
  }
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0) {
      scanRows = std::atoi(argv[i] + 7);
    } else if (std::strcmp(argv[i], "--cpu-time") == 0) {
      cpuTime = true;
    } else {
      if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0) filter() = argv[i] + 19;
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  static Bench b;
  bench = &b;
  std::vector<MemoryRow> memory;
  try {
    std::fprintf(stderr, "engine_bench: setting up (%d rows, a PostgreSQL server, the VM)\n",
                 scanRows);
    setUp(b);
    registerScans(b);
    registerFirstRows(b);
    registerInserts(b);
    registerCalls(b);
    registerAllocator();
    std::fprintf(stderr, "engine_bench: warming up\n");
    for (auto& w : warmUps()) {
      try {
        w();
      } catch (const std::exception&) {
        // Reported by the timed runs.
      }
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fprintf(stderr, "engine_bench: peak memory, one child process per case\n");
    memory = measureMemory(argv[0]);
    std::printf("machine: %s; scans of %d rows x 6 columns; %s per run unless per call\n",
                describeMachine().c_str(), scanRows,
                cpuTime ? "CPU times of the calling thread" : "times");
    reporter.print(memory);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "engine_bench: %s\n", e.what());
    std::fflush(nullptr);
    qz::host::exitWithoutTeardown(1);
  }
  std::fflush(nullptr);
  // Objects go before the engine; the PostgreSQL server's watchdog goes with the process.
  b.echo.reset();
  b.odbc.clear();
  for (auto& [dsn, s] : b.sources) s.db.reset();
  b.lua.reset();
  qz::host::exitWithoutTeardown(0);
}
