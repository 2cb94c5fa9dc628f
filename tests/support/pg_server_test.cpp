#include "tests/support/pg_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool acceptsConnections(int port) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return ok;
}

// True once the port refuses connections and the folder is gone, within the limit.
bool goneWithin(int port, const std::string& folder, std::chrono::seconds limit) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(100ms))
    if (!acceptsConnections(port) && !fs::exists(folder)) return true;
  return false;
}

// Runs psql over TCP as the test role, the way a JDBC client logs in.
int psqlOverTcp(const qztest::PgServer& server, const std::string& password, const std::string& sql,
                std::string& output) {
  std::string command = "HOME=/nonexistent PGPASSWORD='" + password + "' " +
                        qztest::PgServer::binDir() + "/psql -X -q -At -h 127.0.0.1 -p " +
                        std::to_string(server.port()) + " -U " + server.user() + " -d qz -c '" +
                        sql + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  output.clear();
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PgServerTest, RunsSqlThroughPsqlInUtf8WithCLocale) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& server = qztest::pgServer();
  EXPECT_EQ(server.runSql("SHOW server_encoding"), "UTF8");
  EXPECT_EQ(server.runSql("SHOW lc_collate"), "C");
  EXPECT_EQ(server.runSql("SELECT datdba::regrole FROM pg_database WHERE datname = 'qz'"), "qz");

  // Several statements in one text, each its own transaction, rows one a line.
  EXPECT_EQ(server.runSql("CREATE TABLE greeting (id int PRIMARY KEY, text varchar(40));\n"
                          "INSERT INTO greeting VALUES (1, 'Grüße €'), (2, 'b|c');\n"
                          "SELECT id, text FROM greeting ORDER BY id;"),
            "1|Grüße €\n2|b|c");
  EXPECT_EQ(server.runSql("SELECT count(*) FROM greeting"), "2");

  try {
    server.runSql("SELECT 1;\nSELECT * FROM no_such_table;\nCREATE TABLE after_error (x int);");
    FAIL() << "a failing statement must throw";
  } catch (const qztest::PgServerError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
  }
  EXPECT_EQ(server.runSql("SELECT count(*) FROM pg_tables WHERE tablename = 'after_error'"), "0");

  server.createDatabase("qz_other");
  EXPECT_EQ(server.runSql("SELECT current_database()", "qz_other"), "qz_other");
}

TEST(PgServerTest, JdbcUrlNamesThePortWhereTheServerListens) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& server = qztest::pgServer();
  std::string port = std::to_string(server.port());
  EXPECT_EQ(server.jdbcUrl("qz"),
            "jdbc:postgresql://127.0.0.1:" + port + "/qz?stringtype=unspecified");
  EXPECT_EQ(server.jdbcUrl("other"),
            "jdbc:postgresql://127.0.0.1:" + port + "/other?stringtype=unspecified");
  EXPECT_EQ(server.runSql("SHOW port"), port);
  EXPECT_TRUE(acceptsConnections(server.port()));
}

TEST(PgServerTest, TestRoleLogsInOverTcpOnlyWithItsPassword) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& server = qztest::pgServer();
  std::string output;
  EXPECT_EQ(psqlOverTcp(server, server.password(),
                        "CREATE TABLE owned (x int); SELECT current_user", output),
            0)
      << output;
  EXPECT_EQ(output, "qz\n");
  EXPECT_NE(psqlOverTcp(server, "wrong", "SELECT 1", output), 0);
  EXPECT_NE(output.find("password authentication failed"), std::string::npos) << output;
}

TEST(PgServerTest, DestructorStopsTheServerAndRemovesItsFolder) {
  QZ_SKIP_WITHOUT_PG();
  int port;
  std::string folder;
  {
    qztest::PgServer server;
    port = server.port();
    folder = server.folder();
    // Each server has a folder and port of its own, so a stale one never blocks a new one.
    EXPECT_NE(port, qztest::pgServer().port());
    EXPECT_NE(folder, qztest::pgServer().folder());
    EXPECT_EQ(server.runSql("SELECT 6 * 7"), "42");
  }
  EXPECT_FALSE(acceptsConnections(port));
  EXPECT_FALSE(fs::exists(folder));
}

TEST(PgServerTest, ServerDiesWithItsKilledOwner) {
  QZ_SKIP_WITHOUT_PG();
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(report[0]);
    std::string line;
    std::unique_ptr<qztest::PgServer> server;  // lives until the kill
    try {
      server = std::make_unique<qztest::PgServer>();
      line = std::to_string(server->port()) + " " + server->folder() + "\n";
    } catch (const std::exception& e) {
      line = std::string("error ") + e.what();
    }
    if (write(report[1], line.data(), line.size()) < 0) _exit(1);
    close(report[1]);
    for (;;) pause();
  }
  close(report[1]);
  std::string line;
  char buffer[4096];
  pollfd p{report[0], POLLIN, 0};
  while (poll(&p, 1, 60000) > 0) {
    ssize_t n = read(report[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, n);
    if (line.back() == '\n') break;
  }
  close(report[0]);

  int port = 0;
  std::string folder;
  std::istringstream(line) >> port >> folder;
  bool wasUp = port > 0 && acceptsConnections(port);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(wasUp) << "the child did not start a server: " << line;
  EXPECT_TRUE(goneWithin(port, folder, 30s)) << "server on port " << port << " outlived its owner";
}

TEST(PgServerTest, MissingBinariesAreReported) {
  const char* saved = std::getenv("QZ_PG_BINDIR");
  std::string previous = saved ? saved : "";
  setenv("QZ_PG_BINDIR", "/nonexistent/pg/bin", 1);
  std::string why = qztest::PgServer::unavailableReason();
  EXPECT_NE(why.find("/nonexistent/pg/bin/initdb"), std::string::npos) << why;
  EXPECT_THROW(qztest::PgServer(), qztest::PgServerError);
  if (saved)
    setenv("QZ_PG_BINDIR", previous.c_str(), 1);
  else
    unsetenv("QZ_PG_BINDIR");
}

}  // namespace
