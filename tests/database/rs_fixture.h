// What the record set, field and table information tests share: a connected fixture, record
// sets opened on a query, the native interfaces scripts have no members for, and the rows of a
// result walked the way a script walks them.
//
// Thread rule: the test's thread only.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <string>
#include <vector>

#include "database/record_fields.h"
#include "database/record_set.h"
#include "tests/database/jvm_fixture.h"

namespace dbtest {

// The process's resident set in kB, for the tests that watch it grow.
inline long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class RecordSetFixture : public DatabaseFixture {
 protected:
  void SetUp() override {
    DatabaseFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    connect();
  }

  // A record set whose statement has run sql; options (the native interface's) are set before
  // the statement is made, as a native caller sets them.
  qztest::Obj open(const std::string& sql, int32_t cursorType = 1, int32_t concurrency = 1) {
    qztest::Obj rs = db_.call("createObject", "RECORDSET").object();
    if (!rs) throw std::runtime_error("no RECORDSET");
    if (cursorType != 1 || concurrency != 1) {
      setOption(rs, 1, cursorType);
      setOption(rs, 2, concurrency);
    }
    qztest::Obj e = rs.call("transaction", "SQLEXEC").object();
    if (!e) throw std::runtime_error("no SQLEXEC from the record set");
    e.call("statement", sql);
    e.call("execute");
    exec_ = e;
    return rs;
  }

  static qzRef<dbIRecordSet> native(const qztest::Obj& rs) {
    return rs.query<dbIRecordSet>(qzMakeIID("DATABASE.RECORDSET"));
  }
  static qzRef<dbIRecordSetFields> nativeFields(const qztest::Obj& fields) {
    return fields.query<dbIRecordSetFields>(qzMakeIID("DATABASE.RECORDSETFIELDS"));
  }
  static int32_t setOption(const qztest::Obj& rs, int32_t key, int32_t value) {
    qzVariantS k, v;
    k.setInt(key);
    v.setInt(value);
    return native(rs)->option(&k, &v);
  }
  static qztest::Obj fieldsOf(const qztest::Obj& rs) { return rs.call("collection", 1).object(); }

  // setField(column, 3, value) through the native interface.
  static int32_t setField(const qztest::Obj& fields, const qztest::Value& column,
                          const qztest::Value& value) {
    return nativeFields(fields)->setField(&column.variant(), kDbFieldValue, &value.variant());
  }

  // A value as a script would print it: NULL (empty) as "<null>", floats shortest.
  static std::string valueText(const qztest::Value& v) {
    if (v.isUndef()) return "<null>";
    if (v.isText()) return v.text();
    if (v.isInt()) return std::to_string(v.asInt());
    if (v.type() == kVtFloat) {
      char buffer[64];
      auto r = std::to_chars(buffer, buffer + sizeof buffer, v.asDouble());
      return std::string(buffer, r.ptr);
    }
    return v.isObject() ? "<object>" : qztest::describe(v);
  }

  // The current row's values as text, by valueText.
  static std::string rowText(const qztest::Obj& fields) {
    std::string text;
    const int32_t n = fields.get("Count").asInt();
    for (int32_t c = 0; c < n; ++c) {
      if (c) text += ",";
      qztest::Value v = fields.call("Field", c, 3);
      text += valueText(v);
    }
    return text;
  }

  // Every row from the current one on: read, then fetch(3, 0), until Eof.
  static std::vector<std::string> walk(const qztest::Obj& rs) {
    std::vector<std::string> rows;
    qztest::Obj f = fieldsOf(rs);
    while (rs.get("Eof").asInt() == 0) {
      rows.push_back(rowText(f));
      rs.call("fetch", 3, 0);
      if (rows.size() > 10000) break;  // a cursor that never ends
    }
    return rows;
  }

  qztest::Obj exec_;  // the SQL execution object of the last open
};

}  // namespace dbtest
