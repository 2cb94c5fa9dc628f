#include "tools/qzsql/session.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <utility>

#include "interfaces/qzcom.h"
#include "tools/qzsql/interrupt.h"
#include "tools/qzsql/statements.h"

namespace qzsql {
namespace {

// The JDBC types by code. Every one of them is read as text (value kind 4).
constexpr std::pair<int32_t, const char*> kJdbcTypes[] = {
    {-16, "LONGNVARCHAR"},
    {-15, "NCHAR"},
    {-9, "NVARCHAR"},
    {-8, "ROWID"},
    {-7, "BIT"},
    {-6, "TINYINT"},
    {-5, "BIGINT"},
    {-4, "LONGVARBINARY"},
    {-3, "VARBINARY"},
    {-2, "BINARY"},
    {-1, "LONGVARCHAR"},
    {0, "NULL"},
    {1, "CHAR"},
    {2, "NUMERIC"},
    {3, "DECIMAL"},
    {4, "INTEGER"},
    {5, "SMALLINT"},
    {6, "FLOAT"},
    {7, "REAL"},
    {8, "DOUBLE"},
    {12, "VARCHAR"},
    {16, "BOOLEAN"},
    {70, "DATALINK"},
    {91, "DATE"},
    {92, "TIME"},
    {93, "TIMESTAMP"},
    {1111, "OTHER"},
    {2000, "JAVA_OBJECT"},
    {2001, "DISTINCT"},
    {2002, "STRUCT"},
    {2003, "ARRAY"},
    {2004, "BLOB"},
    {2005, "CLOB"},
    {2006, "REF"},
    {2009, "SQLXML"},
    {2011, "NCLOB"},
    {2012, "REF_CURSOR"},
    {2013, "TIME WITH TIME ZONE"},
    {2014, "TIMESTAMP WITH TIME ZONE"},
};
constexpr int32_t kKindText = 4;

int32_t intOf(const Value& v, const char* what) {
  std::optional<int32_t> i = v.toInt();
  if (!i) throw CallFailed(what, {{"qzsql", std::string(what) + " did not answer a number"}});
  return *i;
}

std::string textOf(const Value& v) {
  return v.toText().value_or("");
}

void setOption(const Object& db, const char* key, int32_t value) {
  if (db.call("option", {key, value}).toInt().value_or(0) != 1) {
    throw CallFailed("option", {{"qzsql", std::string("the connection refused the option ") + key +
                                              " (an engine too old for this qzsql?)"}});
  }
}

std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

Session::~Session() {
  if (db_ && connected_) {
    try {
      db_.call("close");
    } catch (const CallFailed&) {
      // Closing at the end: nothing left to tell the user.
    }
  }
  db_.reset();
}

void Session::connect(const std::string& dataSource, const std::string& user,
                      const std::string& password) {
  if (!db_) {
    int32_t status = 0;
    db_ = Object(host_.create("DATABASE.JDBCDB", &status).get());
    if (!db_) {
      throw CallFailed("create", {{"qzsql", "the engine serves no DATABASE.JDBCDB (status " +
                                                std::to_string(status) + ")"}});
    }
  }
  connected_ = false;
  db_.call("connect", {dataSource, user, password});
  connected_ = true;
  dataSource_ = dataSource;
  user_ = user;
  password_ = password;
  autoCommit_ = true;
  // What every SQL client does: the statement as typed, and '' apart from NULL.
  setOption(db_, "VERBATIM", 1);
  setOption(db_, "EMPTYISNULL", 0);
  binding_ = false;
  Object map = newChild("SYSTYPEMAP");
  for (const auto& type : kJdbcTypes) map.call("addTranslation", {type.first, kKindText});
}

Object Session::newChild(const char* name) {
  Object child = db_.call("createObject", {name}).toObject();
  if (!child) {
    throw CallFailed("createObject",
                     {{"qzsql", std::string("the connection gave no ") + name + " object" +
                                    (connected_ ? "" : " (not connected)")}});
  }
  return child;
}

RunResult Session::run(const std::string& sql, ResultWriter& writer,
                       const volatile std::sig_atomic_t* interrupt,
                       const std::function<void(int64_t)>& progress) {
  RunResult result;
  const std::string stripped = stripComments(sql);
  result.query = returnsRows(stripped);
  // Bound literals would take quotes inside comments for theirs: comments go then. Sent as
  // written, comments (and the hints some systems read in them) stay.
  const std::string text = prepareSql(binding_ ? stripped : trimBlanks(sql), result.query);
  Object recordSet = db_.call("createObject", {"RECORDSET"}).toObject();
  if (!recordSet && !result.query) {
    // Without a record set the update still runs, only its count is out of reach.
    Object exec = newChild("SQLEXEC");
    exec.call("statement", {text});
    exec.call("execute");
    result.updateCount = -1;
    return result;
  }
  if (!recordSet) newChild("RECORDSET");  // throws, saying what is missing
  Object exec = recordSet.call("transaction", {"SQLEXEC"}).toObject();
  if (!exec) {
    throw CallFailed("transaction", {{"qzsql", "the record set gave no SQLEXEC object"}});
  }
  exec.call("statement", {text});
  {
    // Ctrl-C asks the driver to stop the statement; the run then fails with its message.
    interrupt::Cancellable cancellable(
        [exec] { return exec.call("cancel").toInt().value_or(1) != 0; });
    exec.call("execute");
  }
  if (!result.query) {
    result.updateCount = intOf(recordSet.get("Count"), "Count");
    return result;
  }

  readResult(recordSet, exec, writer, interrupt, progress, result);
  return result;
}

void Session::readResult(const Object& recordSet, const Object& exec, ResultWriter& writer,
                         const volatile std::sig_atomic_t* interrupt,
                         const std::function<void(int64_t)>& progress, RunResult& result) {
  Object fields = recordSet.call("collection", {1}).toObject();
  if (!fields) {
    throw CallFailed("collection", {{"qzsql", "the result's columns could not be described"}});
  }
  const int32_t count = intOf(fields.get("Count"), "Count");
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(count));
  for (int32_t c = 0; c < count; ++c) {
    std::string name = textOf(fields.call("Field", {c, 1}));
    names.push_back(name.empty() ? "?column?" : name);
  }
  // A column without a buffer (a type the record set cannot hold) reads empty through Field.
  std::vector<bool> whole(static_cast<size_t>(count), false);
  for (int32_t c = 0; c < count; ++c) {
    whole[c] = fields.call("Field", {c, 2}).toInt().value_or(0) == 0;
  }
  std::vector<ColumnKind> kinds;
  kinds.reserve(static_cast<size_t>(count));
  for (int32_t c = 0; c < count; ++c) {
    kinds.push_back(columnKind(intOf(exec.call("columnType", {c}), "columnType")));
  }
  if (writer.wantsTypes()) {
    std::vector<ColumnType> types(static_cast<size_t>(count));
    for (int32_t c = 0; c < count; ++c) {
      types[c].jdbcType = intOf(exec.call("columnType", {c}), "columnType");
      types[c].precision = intOf(exec.call("columnInfo", {c, "precision"}), "columnInfo");
      types[c].scale = intOf(exec.call("columnInfo", {c, "scale"}), "columnInfo");
      types[c].typeName = textOf(exec.call("columnInfo", {c, "typename"}));
    }
    writer.setTypes(std::move(types));
  }
  writer.setKinds(std::move(kinds));
  writer.begin(names);
  Row row(static_cast<size_t>(count));
  while (intOf(recordSet.get("Eof"), "Eof") == 0) {
    if (interrupt && *interrupt) {
      result.interrupted = true;
      break;
    }
    if (!writer.ok()) {
      result.outputFailed = true;
      break;
    }
    for (int32_t c = 0; c < count; ++c) {
      if (whole[c]) {
        row[c] = fields.call("FullText", {c}).toText();
        continue;
      }
      Value v = fields.call("Field", {c, 3});
      if (v.isUndef()) {
        row[c].reset();
      } else if (intOf(fields.call("Cut", {c}), "Cut") != 0) {
        row[c] = fields.call("FullText", {c}).toText();
      } else {
        row[c] = v.toText();
      }
    }
    writer.row(row);
    ++result.rows;
    if (progress) progress(result.rows);
    recordSet.call("fetch", {3, 0});
  }
  if (result.interrupted || result.outputFailed) {
    writer.stop(result.rows);
  } else {
    writer.end(result.rows);
  }
}

namespace {

// Keeps the rows of a metadata list.
class Collector : public ResultWriter {
 public:
  explicit Collector(MetaList& list) : ResultWriter(sink_), list_(list) {}
  void begin(const std::vector<std::string>& names) override { list_.names = names; }
  void row(const Row& row) override { list_.rows.push_back(row); }
  void end(int64_t) override {}
  void stop(int64_t) override {}

 private:
  std::ostringstream sink_;
  MetaList& list_;
};

}  // namespace

std::optional<int> MetaList::column(const std::string& name) const {
  for (size_t i = 0; i < names.size(); ++i) {
    if (qzEqualsIgnoringAsciiCase(names[i], name)) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string MetaList::text(const Row& row, const std::string& name) const {
  std::optional<int> c = column(name);
  if (!c || static_cast<size_t>(*c) >= row.size() || !row[*c]) return "";
  return *row[*c];
}

MetaList Session::metadata(const std::string& what, const std::string& schema,
                           const std::string& table) {
  Object recordSet = newChild("RECORDSET");
  Object exec = recordSet.call("transaction", {"SQLEXEC"}).toObject();
  if (!exec) throw CallFailed("transaction", {{"qzsql", "the record set gave no SQLEXEC object"}});
  exec.call("metadata", {what, schema, table});
  MetaList list;
  Collector collector(list);
  RunResult result;
  readResult(recordSet, exec, collector, nullptr, {}, result);
  return list;
}

void Session::commit() {
  db_.call("commit");
}

void Session::rollback() {
  db_.call("rollback");
}

bool Session::setBinding(bool on) {
  std::optional<int32_t> accepted = db_.call("option", {"VERBATIM", on ? 0 : 1}).toInt();
  if (accepted.value_or(0) != 1) return false;
  binding_ = on;
  return true;
}

bool Session::setAutoCommit(bool on) {
  std::optional<int32_t> accepted = db_.call("option", {1, on ? 1 : 0}).toInt();
  if (accepted.value_or(0) != 1) return false;
  autoCommit_ = on;
  return true;
}

ConnectionInfo Session::info() {
  ConnectionInfo info;
  info.dataSource = dataSource_;
  info.user = user_;
  Object dbInfo = newChild("DATABASEINFO");
  // Each property raises when the session layer cannot answer; the others still can.
  auto read = [&](const char* name) -> std::string {
    try {
      return textOf(dbInfo.get(name));
    } catch (const CallFailed& e) {
      const ErrorLevel* root = e.root();
      return "(" + (root ? root->description : std::string("unavailable")) + ")";
    }
  };
  info.databaseName = read("databasename");
  info.dbmsName = read("dbmsname");
  info.dbmsVersion = read("dbmsversion");
  info.classId = read("dbiid");
  info.state = dbInfo.get("connectionState").toInt().value_or(0);
  return info;
}

std::string Session::resolvePath(const std::string& path) {
  return qzsql::resolvePath(host_, path);
}

std::string resolvePath(qz::host::Host& host, const std::string& path) {
  Object env(host.create("zeltools.zelenvcfg").get());
  if (!env) return path;
  try {
    return textOf(env.call("resolveVar", {path}));
  } catch (const CallFailed&) {
    return path;
  }
}

bool connectionLost(const CallFailed& e) {
  const std::string state = e.sqlState();
  return state.rfind("08", 0) == 0 || state == "57P01" || state == "57P02" || state == "57P03";
}

Session& Sessions::connect(const std::string& dataSource, const std::string& user,
                           const std::string& password) {
  auto made = std::make_unique<Session>(host_);
  made->connect(dataSource, user, password);
  Session* previous = find(dataSource);
  auto it = std::find_if(open_.begin(), open_.end(),
                         [&](const std::unique_ptr<Session>& s) { return s.get() == previous; });
  if (it != open_.end()) {
    it->swap(made);  // the old session closes as made goes
  } else {
    open_.push_back(std::move(made));
    it = open_.end() - 1;
  }
  current_ = it->get();
  return *current_;
}

Session* Sessions::find(const std::string& dataSource) {
  for (const std::unique_ptr<Session>& s : open_) {
    if (qzEqualsIgnoringAsciiCase(s->dataSource(), dataSource)) return s.get();
  }
  return nullptr;
}

}  // namespace qzsql
