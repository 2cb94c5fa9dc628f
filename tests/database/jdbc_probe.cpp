// The probe reaches JDBC through the JNI proxies of its own copy of jbridge: nothing of the
// session layer or the database objects under test.
#include "tests/database/jdbc_probe.h"

#include <stdexcept>

#include "jbridge/proxy/java_sql.h"
#include "object/com_ref.h"

namespace dbtest {
namespace {

namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

// Runs body on a statement of a connection of its own, closed afterwards; a Java exception
// becomes a std::runtime_error with its text.
template <class Body>
auto withStatement(const std::string& url, const std::string& user, const std::string& password,
                   Body&& body) {
  try {
    sql::Connection connection =
        sql::DriverManager::getConnection(lang::String::fromUtf8(url), lang::String::fromUtf8(user),
                                          lang::String::fromUtf8(password));
    struct Closer {
      sql::Connection& c;
      ~Closer() {
        try {
          c.close();
        } catch (const std::exception&) {
        }
      }
    } closer{connection};
    sql::Statement statement = connection.createStatement();
    return body(statement);
  } catch (const std::exception& e) {
    throw std::runtime_error(e.what());
  }
}

}  // namespace

JdbcProbe::JdbcProbe(qz::host::Host& host) {
  qzRef<qzIUnknown> o = host.create("zeltools.jvm");
  qzRef<qzIJvmProvider> provider = qzQuery<qzIJvmProvider>(o.get(), qziid::kJvmProvider);
  void* vm = nullptr;
  if (!provider || provider->getJavaVM(&vm, nullptr) != 0 || !vm) {
    throw std::runtime_error("no Java VM from zeltools.jvm");
  }
  jbridge::setJavaVM(static_cast<JavaVM*>(vm));
}

Rows JdbcProbe::query(const std::string& url, const std::string& text, const std::string& user,
                      const std::string& password) {
  return withStatement(url, user, password, [&](sql::Statement& statement) {
    sql::ResultSet rs = statement.executeQuery(lang::String::fromUtf8(text));
    const int columns = rs.getMetaData().getColumnCount();
    Rows rows;
    while (rs.next()) {
      std::vector<std::string> row;
      for (int c = 1; c <= columns; ++c) {
        lang::String s = rs.getString(c);
        row.push_back(s.isNull() ? "<null>" : s.toUtf8());
      }
      rows.push_back(std::move(row));
    }
    rs.close();
    return rows;
  });
}

int32_t JdbcProbe::update(const std::string& url, const std::string& text, const std::string& user,
                          const std::string& password) {
  return withStatement(url, user, password, [&](sql::Statement& statement) {
    return static_cast<int32_t>(statement.executeUpdate(lang::String::fromUtf8(text)));
  });
}

int32_t JdbcProbe::loginTimeout() {
  return sql::DriverManager::getLoginTimeout();
}

void JdbcProbe::setLoginTimeout(int32_t seconds) {
  sql::DriverManager::setLoginTimeout(seconds);
}

}  // namespace dbtest
