// The native interfaces of the database objects: what other components (and the objects of
// this component among themselves) call directly, beside the scriptable members.
//
// Like every component interface these are pure virtual slots in a fixed order and nothing
// else. Statuses are 0 for success and 1 for failure; an errOut slot receives a new call
// exception object (one reference for the caller) on failure, and may be null. Interface
// identifiers compare ignoring case (length 0).
//
// Thread rule: the objects behind them are used by one thread at a time (the host's calling
// thread); a connection and its children share one session layer, so they follow one thread.
#pragma once

#include <cstdint>

#include "interfaces/qzcom.h"

namespace dbiid {
extern const qzIIDS kDatabase;        // "DATABASE.DATABASEI"
extern const qzIIDS kTransaction;     // "DATABASE.TRANSACTION"
extern const qzIIDS kSqlTransaction;  // "DATABASE.SQLTRANSACTION"
extern const qzIIDS kDatabaseInfo;    // "DATABASE.DATABASEINFO"
extern const qzIIDS kSysTypeMap;      // "DATABASE.SYSTYPEMAP"
extern const qzIIDS kRecordSet;       // "DATABASE.RECORDSET"
extern const qzIIDS kTableInfoTrans;  // "DATABASE.TABLEINFOTRANS"
extern const qzIIDS kSymbolRef;       // "QZSCR.SYMBOLREF", of the host's script engine
}  // namespace dbiid

// "DATABASE.DATABASEI": the connection.
class dbIDatabase : public qzIUnknown {
 public:
  virtual int32_t connect(const char* dataSource, const char* user, const char* password,
                          qzIUnknown** errOut) = 0;  // slot 3
  virtual int32_t close() = 0;                       // slot 4: 1 when nothing was open
  virtual int32_t option(const qzVariantS* key, const qzVariantS* value) = 0;  // slot 5
  virtual int32_t commit(qzIUnknown** errOut) = 0;                             // slot 6
  virtual int32_t rollback(qzIUnknown** errOut) = 0;                           // slot 7
  // The child object named (ignoring case), asked for its native interface.
  virtual int32_t createObject(const char* name, qzIUnknown** out) = 0;  // slot 8

 protected:
  ~dbIDatabase() = default;
};

// "DATABASE.TRANSACTION": something that runs.
class dbITransaction : public qzIUnknown {
 public:
  virtual int32_t execute(qzIUnknown** errOut) = 0;  // slot 3

 protected:
  ~dbITransaction() = default;
};

// "DATABASE.SQLTRANSACTION": one SQL statement and what its last run produced.
class dbISQLTransaction : public qzIUnknown {
 public:
  virtual int32_t execute(qzIUnknown** errOut) = 0;       // slot 3, as DATABASE.TRANSACTION
  virtual int32_t setStatement(const char* sqlText) = 0;  // slot 4: always 0

 protected:
  ~dbISQLTransaction() = default;
};

// "DATABASE.DATABASEINFO".
class dbIDatabaseInfo : public qzIUnknown {
 public:
  virtual int32_t getDatabaseName(qzVariantS* out) = 0;  // slot 3
  virtual int32_t getDbmsName(qzVariantS* out) = 0;      // slot 4
  virtual int32_t getDbmsVersion(qzVariantS* out) = 0;   // slot 5
  virtual int32_t getConnectionState(int32_t* out) = 0;  // slot 6: 1 open, 2 closed, 0
  // The engine's class name, cut to size - 1 bytes and terminated (size 0: nothing written).
  virtual int32_t getClassId(char* buffer, int32_t size) = 0;  // slot 7

 protected:
  ~dbIDatabaseInfo() = default;
};

// "DATABASE.SYSTYPEMAP": a rule table from attribute pairs to a value kind.
class dbISysTypeMap : public qzIUnknown {
 public:
  virtual int32_t addTranslation(int32_t sqlType, int32_t kind) = 0;          // slot 3
  virtual int32_t getTranslation(int32_t sqlType, int32_t* kind) = 0;         // slot 4
  virtual int32_t addTranslationText(const char* pairs, int32_t value) = 0;   // slot 5
  virtual int32_t getTranslationText(const char* query, int32_t* value) = 0;  // slot 6

 protected:
  ~dbISysTypeMap() = default;
};

// "QZSCR.SYMBOLREF": a script variable passed by reference (the host's script engine owns the
// class). Only slot 4 is relied on.
class qzISymbolRef : public qzIUnknown {
 public:
  virtual int32_t setValue(const qzVariantS* value) = 0;  // slot 3
  virtual int32_t getValue(qzVariantS* out) = 0;          // slot 4: the current value

 protected:
  ~qzISymbolRef() = default;
};

// Value kinds of the type map and of record-set columns.
constexpr int32_t kDbKindInteger = 1;
constexpr int32_t kDbKindFloat = 2;
constexpr int32_t kDbKindText = 4;
constexpr int32_t kDbKindDateTime = 8;
