#include "tests/database/jvm_fixture.h"

#include <cctype>

#include "tests/support/pg_server.h"

namespace dbtest {

void DatabaseFixture::SetUp() {
  table_ = uniqueName("t");
  if (postgres()) {
    QZ_SKIP_WITHOUT_PG();
    qztest::PgServer& pg = qztest::pgServer();
    backend_ = {pg.jdbcUrl(), pg.user(), pg.password(), "org.postgresql.Driver"};
  } else if (backendId() == "h2") {
    // Kept while the process lives, so that the probe's connection sees the same database.
    backend_ = {"jdbc:h2:mem:" + uniqueName("db") + ";DB_CLOSE_DELAY=-1", "SA", "",
                "org.h2.Driver"};
  } else if (backendId() == "derby") {
    backend_ = {"jdbc:derby:" + data_.path() + "/db;create=true", "SA", "",
                "org.apache.derby.jdbc.EmbeddedDriver"};
  } else if (backendId() == "sqlite") {
    backend_ = {"jdbc:sqlite:" + data_.path() + "/db.sqlite", "", "", "org.sqlite.JDBC"};
  } else {
    backend_ = {"jdbc:hsqldb:mem:" + uniqueName("db"), "SA", "", kHsqlDriver};
  }
  install_.user().write("jdbc.cfg",
                        jdbcBlock("demo", backend_.url, backend_.driver, "DemoServerDB"));
  engine_ = std::make_unique<Engine>();
  probe_ = std::make_unique<JdbcProbe>(engine_->host());
  db_ = engine_->create("DATABASE.JDBCDB");
  ASSERT_TRUE(db_);
}

void DatabaseFixture::TearDown() {
  if (backendId() != "derby" || !probe_) return;
  // Embedded Derby keeps its files open until the database is shut down, which it answers
  // with an exception.
  try {
    probe_->query("jdbc:derby:" + data_.path() + "/db;shutdown=true", "VALUES 1");
  } catch (const std::exception&) {
  }
}

void DatabaseFixture::connect() {
  db_.call("connect", "demo", backend_.user, backend_.password);
}

qztest::Obj DatabaseFixture::exec(const std::string& sql, const char* name) {
  qztest::Obj e = db_.call("createObject", name).object();
  if (!e) throw std::runtime_error(std::string("no ") + name);
  e.call("statement", sql);
  e.call("execute");
  return e;
}

Rows DatabaseFixture::probe(const std::string& sql) {
  return probe_->query(backend_.url, sql, backend_.user, backend_.password);
}

int32_t DatabaseFixture::probeUpdate(const std::string& sql) {
  return probe_->update(backend_.url, sql, backend_.user, backend_.password);
}

std::string DatabaseFixture::stored(std::string name) const {
  const bool lower = postgres() || backendId() == "sqlite";
  for (char& c : name) c = static_cast<char>(lower ? std::tolower(c) : std::toupper(c));
  return name;
}

std::string DatabaseFixture::count(const std::string& table) {
  Rows rows = probe("SELECT COUNT(*) FROM " + table);
  return rows.empty() || rows[0].empty() ? "?" : rows[0][0];
}

std::string backendName(const ::testing::TestParamInfo<std::string>& info) {
  return info.param;
}

}  // namespace dbtest
