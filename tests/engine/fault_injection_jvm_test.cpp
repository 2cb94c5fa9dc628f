// Every Java call and every allocation of a whole connect, query, walk and update, made to fail
// in turn: each failure must surface as a failed call (never as a wrong answer reported as
// success), nothing may crash, and once the objects are released nothing of the run is left.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "host/host.h"
#include "jbridge/jni_core.h"
#include "object/proxy_object.h"
#include "runtime/memman.h"
#include "tests/jdbc/session_env.h"
#include "tests/support/script.h"

namespace {

using qztest::Obj;
using qztest::Outcome;

const std::vector<std::string> kRows = {"1|one|2024-01-01", "2||"};

struct Outcomes {
  bool failed = false;
  std::string error;  // of the first failed call
  std::vector<std::string> rows;
};

// The run a script makes; stops at the first failed call, as a script that checks would.
Outcomes scenarioSteps();
Outcomes scenario() {
  try {
    return scenarioSteps();
  } catch (const std::bad_alloc&) {
    // The test's own values share the allocator: their failure ends the run as a failed one.
    Outcomes run;
    run.failed = true;
    run.error = "the test ran out of memory";
    return run;
  }
}

Outcomes scenarioSteps() {
  Outcomes run;
  auto ok = [&](const Outcome& o) {
    if (!o.ok() && !run.failed) {
      run.failed = true;
      run.error = o.error.text();
    }
    return o.ok();
  };
  auto execute = [&](const Obj& statement, const char* sql) {
    return ok(statement.tryCall("statement", sql)) && ok(statement.tryCall("execute"));
  };
  Obj db(qztest::jdbc::host().create("DATABASE.JDBCDB"));
  if (!db) {
    run.failed = true;
    run.error = "not created";
    return run;
  }
  if (!ok(db.tryCall("connect", "db", "SA", ""))) return run;
  Outcome made = db.tryCall("createObject", "RECORDSET");
  if (!ok(made)) return run;
  Obj rs = made.result.object();
  Outcome exec = rs.tryCall("transaction", "SQLEXEC");
  if (!ok(exec)) return run;
  Obj q = exec.result.object();
  if (!execute(q, "SELECT id, name, d FROM people ORDER BY id")) return run;
  Outcome fields = rs.tryCall("collection", 1);
  if (!ok(fields)) return run;
  Obj f = fields.result.object();
  for (int guard = 0; guard < 10; ++guard) {
    Outcome eof = rs.tryGet("Eof");
    if (!ok(eof) || !eof.result.isInt() || eof.result.asInt() != 0) break;
    std::string row;
    for (int c = 0; c < 3; ++c) {
      Outcome v = c < 2 ? f.tryCall("Field", c, 3) : f.tryCall("FullText", c);
      if (!ok(v)) return run;
      if (c) row += "|";
      if (v.result.isText()) row += v.result.text();
      if (v.result.isInt()) row += std::to_string(v.result.asInt());
    }
    run.rows.push_back(row);
    if (!ok(rs.tryCall("fetch", 3, 0))) return run;
  }
  Outcome u = db.tryCall("createObject", "SQLEXEC");
  if (!ok(u)) return run;
  Obj update = u.result.object();
  if (!execute(update, "UPDATE people SET n = n + 1 WHERE id = 1")) return run;
  ok(db.tryCall("close"));
  return run;
}

struct Live {
  int32_t objects;
  long globals;
};
Live live() {
  return {qzLiveProxyObjects(), jbridge::JNIHelper::liveGlobalRefs()};
}

// How often the scenario's update has run, read with nothing armed.
int updates() {
  Obj db(qztest::jdbc::host().create("DATABASE.JDBCDB"));
  db.call("connect", "db", "SA", "");
  Obj rs = db.call("createObject", "RECORDSET").object();
  Obj q = rs.call("transaction", "SQLEXEC").object();
  q.call("statement", "SELECT n FROM people WHERE id = 1");
  q.call("execute");
  const int n = rs.call("collection", 1).object().call("Field", 0, 3).asInt();
  db.call("close");
  return n;
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qztest::jdbc::writeJdbcConfig(
        qztest::jdbc::userFolder(),
        qztest::jdbc::configBlock("db", "jdbc:hsqldb:mem:faults", "org.hsqldb.jdbc.JDBCDriver"));
    Obj db(qztest::jdbc::host().create("DATABASE.JDBCDB"));
    db.call("connect", "db", "SA", "");
    for (const char* sql :
         {"CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(20), d DATE, n INT)",
          "INSERT INTO people VALUES (1, 'one', DATE '2024-01-01', 0), "
          "(2, NULL, NULL, 0)"}) {
      Obj e = db.call("createObject", "SQLEXEC").object();
      e.call("statement", sql);
      e.call("execute");
    }
    db.call("close");
  }

  // Runs the scenario with the nth event failing, for n = 1, 2, ... until a run ends before
  // its nth event. `arm` sets the countdown, `left` reads what remains of it. Returns the runs.
  template <class Arm, class Left>
  int walk(Arm arm, Left left, int stride) {
    const Outcomes clean = scenario();
    EXPECT_FALSE(clean.failed) << clean.error;
    EXPECT_EQ(clean.rows, kRows);
    const Live before = live();
    int runs = 0;
    int done = updates();
    for (long n = 1;; n += (n < 200 ? 1 : stride)) {
      arm(n);
      Outcomes run = scenario();
      const bool fired = left() == 0;
      // QZ_FAULT_VERBOSE lists each event with what the run said.
      if (std::getenv("QZ_FAULT_VERBOSE")) std::printf("%ld %s\n", n, run.error.c_str());
      arm(0);
      ++runs;
      const int now = updates();
      // A call that failed after its statement ran may have committed it; one that succeeded
      // must have.
      EXPECT_EQ(now - done, run.failed ? now - done : 1) << "event " << n;
      EXPECT_LE(now - done, 1) << "event " << n;
      done = now;
      if (!fired) {
        EXPECT_FALSE(run.failed) << "no fault, yet: " << run.error;
        break;
      }
      // A fault may be absorbed (a fallback, a retry, a failed close), but never into a wrong
      // answer reported as success.
      if (!run.failed) {
        EXPECT_EQ(run.rows, kRows) << "event " << n;
      } else {
        EXPECT_FALSE(run.error.empty()) << "event " << n << " failed without a message";
        // Every value is readable: a failure must not blame the data.
        EXPECT_EQ(run.error.find("that can be read"), std::string::npos) << run.error;
      }
      const Live after = live();
      EXPECT_EQ(after.objects, before.objects) << "objects left after a fault at event " << n;
      // Classes first met on a failure path are cached once; a leak grows with every run.
      EXPECT_LE(after.globals - before.globals, 16) << "references left after event " << n;
      if (HasFailure()) break;
    }
    const Outcomes again = scenario();
    EXPECT_FALSE(again.failed) << "after the faults: " << again.error;
    EXPECT_EQ(again.rows, kRows);
    return runs;
  }
};

TEST_F(FaultInjectionTest, EveryJavaCallThatThrowsSurfacesAsAnErrorAndLeavesNothing) {
  const int runs = walk([](long n) { jbridge::fault::failJavaCall(n); },
                        [] { return jbridge::fault::javaCallsBeforeFault(); }, 1);
  EXPECT_GT(runs, 20) << "the seam must see the scenario's Java calls";
}

TEST_F(FaultInjectionTest, AllocationsThatFailSurfaceAsErrorsAndLeaveNothing) {
  // Every allocation of the first 200, then every 7th: a run costs a connect.
  const int runs = walk([](long n) { qz::memman::failAllocation(n); },
                        [] { return qz::memman::allocationsBeforeFailure(); }, 7);
  EXPECT_GT(runs, 20);
}

}  // namespace
