// Reads a forward-only result in blocks of rows through qz.jdbc.RowBlock, a Java class of ours
// compiled by the build, embedded in the library and defined into the VM on first use: one
// JNI call per block and a copy of its bytes, each value the bytes and length getString gives
// the row-at-a-time reading. The cursor of the Java result runs ahead of the row served by up to
// one block.
//
// Failures are thrown as the proxies of the Java exceptions, at the row where the row-at-a-
// time reading would have met them: a failing move at the move to that row; a row whose values
// cannot all be read is handed back as kUnread, with the Java cursor on it, for the caller to
// read the row-at-a-time way (and meet the same failure there).
//
// Thread rule: that of the result set (one thread at a time). Ownership: owns a global
// reference to the Java reader, which holds the result set, and the buffer its blocks are
// copied into.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jbridge/proxy/sql_result_set.h"
#include "jdbc/sql_literals.h"

namespace qz::jdbc {

class RowBlockReader {
 public:
  enum Step { kRow, kEnd, kUnread };
  // A value of the current row: the text's bytes in the VM's default charset, followed by a 0
  // and there until the next move that does not throw, and its length in Java chars, -1 for
  // SQL NULL.
  struct Value {
    const char* bytes = nullptr;
    int32_t size = 0;
    int32_t chars = -1;
  };

  // False when the class cannot be had in this VM: the caller reads row by row.
  static bool available();

  // Throws the proxy of a Java failure, or JNIException.
  RowBlockReader(jbridge::proxy::java::sql::ResultSet& resultSet, int32_t columns);
  ~RowBlockReader();
  RowBlockReader(const RowBlockReader&) = delete;
  RowBlockReader& operator=(const RowBlockReader&) = delete;

  // Moves to the next row.
  Step next();
  // Column from 0, of the row kRow moved to.
  const Value& value(int32_t column) const { return row_[static_cast<std::size_t>(column)]; }
  int32_t columns() const { return static_cast<int32_t>(row_.size()); }

 private:
  void readBlock(JNIEnv* env);
  // A bigger buffer, and the Java side told it may write that much.
  void setBuffer(JNIEnv* env, std::size_t capacity);

  jobject reader_ = nullptr;  // global
  std::unique_ptr<char[]> buffer_;
  // The buffer a bigger one replaced during a move, kept while that move may still throw: the
  // current row's values lie in it.
  std::unique_ptr<char[]> retired_;
  std::size_t capacity_ = 0;
  const char* cursor_ = nullptr;  // the next row of the block
  int32_t rowsLeft_ = 0;
  int32_t blockRows_;
  int32_t lastFill_ = 0;  // what the last fill answered
  std::vector<Value> row_;
};

// What the driver's ParameterMetaData tells of the statement; nothing set when it cannot tell
// (or the class cannot be had).
IntegerParameters integerParameters(jobject prepared);

// setString of each of `values` (texts as lang::String makes them, or standard UTF-8 with
// `utf8`) to parameters 1, 2 ... of the prepared statement, then executeUpdate, in one Java
// call; its count. A value that is a canonical decimal integer ("0", or an optional "-" and
// digits without a leading zero) in the range of its parameter's type in `types` is set as that
// number instead: the value the driver would make of the text. False, with nothing done, when
// the class cannot be had: the caller binds and runs the statement itself. Throws the proxy of
// a Java failure, or JNIException.
bool updateInOneCall(jobject prepared, const std::vector<std::string>& values, bool utf8,
                     const IntegerParameters& types, int32_t* count);

}  // namespace qz::jdbc
