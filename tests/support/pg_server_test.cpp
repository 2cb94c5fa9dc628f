#include "tests/support/pg_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

// The database tests rely on UTF-8 text and on runSql failing loudly, rows one a line.
TEST(PgServerTest, RunsSqlInUtf8AndThrowsOnAFailingStatement) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& server = qztest::pgServer();
  EXPECT_EQ(server.runSql("SHOW server_encoding"), "UTF8");
  EXPECT_EQ(server.runSql("SELECT 'Grüße €' UNION ALL SELECT 'b|c'"), "Grüße €\nb|c");
  EXPECT_THROW(server.runSql("SELECT 1;\nSELECT * FROM no_such_table;"), qztest::PgServerError);
  server.createDatabase("qz_other");
  EXPECT_EQ(server.runSql("SELECT current_database()", "qz_other"), "qz_other");
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
  char line[4096] = "";
  FILE* in = fdopen(report[0], "r");
  if (!fgets(line, sizeof line, in)) line[0] = '\0';  // the child's line, or nothing if it died
  fclose(in);
  int port = 0;
  std::string folder;
  std::istringstream(line) >> port >> folder;
  bool wasUp = port > 0 && acceptsConnections(port);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(wasUp) << "the child did not start a server: " << line;
  EXPECT_TRUE(goneWithin(port, folder, 30s)) << "server on port " << port << " outlived its owner";
}

}  // namespace
