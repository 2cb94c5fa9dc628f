#include "database/database.h"

#include "database/children.h"
#include "database/database_info.h"
#include "database/db_object.h"
#include "database/sql_exec.h"
#include "database/sys_type_map.h"
#include "jdbc/jsql_api.h"

namespace {

using qz::jdbc::JSQLApi;

constexpr char kConnectTimeoutKey[] = "CONNECTTIMEOUT";
constexpr char kVerbatimKey[] = "VERBATIM";
constexpr char kEmptyIsNullKey[] = "EMPTYISNULL";
constexpr int32_t kAutoCommitKey = 1;

// Labels of the failing steps; they follow "ZIRUV:" in the error's source.
constexpr char kLabelJvm[] = "CONNECT::CreateOrGetJVM";
constexpr char kLabelDriver[] = "CONNECT::RegisterDBDriver";
constexpr char kLabelCharset[] = "CONNECT::initCharsetConverter";
constexpr char kLabelConnect[] = "DSN Connect";
constexpr char kLabelCommit[] = "COMMIT";
constexpr char kLabelRollback[] = "ROLLBACK";

bool toInt(const qzVariantS* v, int32_t* out) {
  if (!v) return false;
  qzVariantS copy(*v);
  return copy.getInt(out) == kQzOk;
}

// Raises the call exception of a failed native operation (err may be null).
void raise(qzIUnknown* err) {
  qzRef<qzIUnknown> held(err);
  throw proxyExecuteComExceptionC(held.get());
}

}  // namespace

dbJDBCDatabaseC::dbJDBCDatabaseC(std::shared_ptr<JSQLApi> session)
    : dbObjectT(table()), session_(std::move(session)) {}

dbJDBCDatabaseC::~dbJDBCDatabaseC() {
  try {
    if (connected_) close();
  } catch (...) {
    // The session layer answers failures with statuses; nothing else may leave a destructor.
  }
}

int32_t dbJDBCDatabaseC::fail(const char* label, qzIUnknown** errOut) {
  session_->JSQLReportError(label, errOut);
  return kQzFailed;
}

int32_t dbJDBCDatabaseC::setLoginTimeout(int32_t seconds) {
  loginTimeout_ = seconds;
  // DriverManager lives in the VM: before this session has one, the value waits for connect.
  if (!session_->jvmReady()) {
    pendingLoginTimeout_ = seconds;
    return kQzOk;
  }
  pendingLoginTimeout_.reset();
  session_->JSQLSetLoginTimeout(seconds);
  return kQzOk;
}

int32_t dbJDBCDatabaseC::connect(const char* dataSource, const char* user, const char* password,
                                 qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  try {
    if (connected_) close();
    dataSource_ = dataSource ? dataSource : "";
    if (session_->CreateOrGetJVM() == JSQLApi::kFailed) return fail(kLabelJvm, errOut);
    if (pendingLoginTimeout_) setLoginTimeout(*pendingLoginTimeout_);
    if (session_->RegisterDBDriver(dataSource_.c_str()) != JSQLApi::kOk) {
      return fail(kLabelDriver, errOut);
    }
    if (session_->initCharsetConverter() != JSQLApi::kOk) return fail(kLabelCharset, errOut);
    if (session_->JSQLConnect(connection_, dataSource_.c_str(), user, password, loginTimeout_) ==
        JSQLApi::kFailed) {
      return fail(kLabelConnect, errOut);
    }
    if (autoCommit_ && session_->JSQLSetAutoCommit(connection_, *autoCommit_) != JSQLApi::kOk) {
      // Refused loudly: a connection in the wrong mode would commit what a rollback should undo.
      fail(kLabelConnect, errOut);
      session_->JSQLDisconnect(connection_);
      return kQzFailed;
    }
  } catch (const std::exception& e) {
    session_->JSQLReportMessage(kLabelConnect, e.what(), errOut);
    return kQzFailed;
  }
  try {
    metaData_ = connection_.getMetaData();
  } catch (const std::exception& e) {
    // A connection without its metadata is of no use to the children: it is not kept open.
    session_->JSQLReportMessage(kLabelConnect, e.what(), errOut);
    session_->JSQLDisconnect(connection_);
    return kQzFailed;
  }
  connected_ = true;
  return kQzOk;
}

int32_t dbJDBCDatabaseC::close() {
  if (!connected_) return kQzFailed;
  connected_ = false;
  session_->JSQLDisconnect(connection_);
  return kQzOk;
}

int32_t dbJDBCDatabaseC::option(const qzVariantS* key, const qzVariantS* value) {
  if (!key) return kQzFailed;
  try {
    if (key->type == kVtString) {
      int32_t v = 0;
      if (!toInt(value, &v)) return kQzFailed;
      if (qzEqualsIgnoringAsciiCase(key->text(), kConnectTimeoutKey)) return setLoginTimeout(v);
      if (qzEqualsIgnoringAsciiCase(key->text(), kVerbatimKey)) {
        verbatim_ = v != 0;
        return kQzOk;
      }
      if (qzEqualsIgnoringAsciiCase(key->text(), kEmptyIsNullKey)) {
        emptyIsNull_ = v != 0;
        return kQzOk;
      }
      return kQzFailed;
    }
    int32_t k = 0;
    if (!toInt(key, &k)) return kQzOk;  // accepted, nothing to do
    if (k != kAutoCommitKey) return kQzOk;
    int32_t v = 0;
    if (!toInt(value, &v)) return kQzFailed;
    dbTrace("SetAutoCommitMode %d\n", v);
    const bool on = (v & 0xff) != 0;  // only the low byte counts
    if (session_->JSQLSetAutoCommit(connection_, on) != JSQLApi::kOk) return kQzFailed;
    autoCommit_ = on;
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCDatabaseC::commit(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  if (session_->JSQLCommit(connection_) == JSQLApi::kFailed) return fail(kLabelCommit, errOut);
  return kQzOk;
}

int32_t dbJDBCDatabaseC::rollback(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  if (session_->JSQLRollback(connection_) == JSQLApi::kFailed) return fail(kLabelRollback, errOut);
  return kQzOk;
}

int32_t dbJDBCDatabaseC::createObject(const char* name, qzIUnknown** out) {
  if (!out) return kQzFailed;
  *out = nullptr;
  try {
    qzRef<qzIUnknown> child;
    const qzIIDS* iid = nullptr;
    if (qzEqualsIgnoringAsciiCase(name, "DATABASEINFO")) {
      child = qzRef<qzIUnknown>::share(static_cast<qzIDispatch*>(new dbJDBCDatabaseInfoC(this)));
      iid = &dbiid::kDatabaseInfo;
    } else if (qzEqualsIgnoringAsciiCase(name, "SYSTYPEMAP")) {
      // A new, empty map replaces the old one; record sets described later see only it.
      typeMap_ = qzRef<dbJDBCSysTypeMapC>::share(new dbJDBCSysTypeMapC());
      child = qzRef<qzIUnknown>::share(static_cast<qzIDispatch*>(typeMap_.get()));
      iid = &dbiid::kSysTypeMap;
    } else if (!connected_) {
      return kQzFailed;
    } else if (qzEqualsIgnoringAsciiCase(name, "SQLEXEC") ||
               qzEqualsIgnoringAsciiCase(name, "SQLEXEC_UTF8")) {
      const bool utf8 = qzEqualsIgnoringAsciiCase(name, "SQLEXEC_UTF8");
      child = qzRef<qzIUnknown>::share(static_cast<qzIDispatch*>(new dbJDBCSQLExecC(this, utf8)));
      iid = &dbiid::kSqlTransaction;
    } else if (qzEqualsIgnoringAsciiCase(name, "RECORDSET")) {
      child = dbCreateRecordSet(*this);
      iid = &dbiid::kRecordSet;
    } else if (qzEqualsIgnoringAsciiCase(name, "TABLEINFO")) {
      child = dbCreateTableInfo(*this);
      iid = &dbiid::kTableInfoTrans;
    }
    if (!child) return kQzFailed;
    int32_t rc = child->QueryInterface(iid, reinterpret_cast<void**>(out));
    if (rc != kQzOk) *out = nullptr;
    return rc;
  } catch (...) {
    *out = nullptr;
    return kQzFailed;
  }
}

void dbJDBCDatabaseC::scriptConnect(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const char* dataSource = args.getText(0);
  const char* user = args.getText(1);
  const char* password = args.getText(2);
  qzIUnknown* err = nullptr;
  if (connect(dataSource, user, password, &err) != kQzOk) raise(err);
  result.setInt(1);
}

void dbJDBCDatabaseC::scriptClose(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(close() == kQzOk ? 1 : 0);
}

void dbJDBCDatabaseC::scriptOption(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzVariantS key = args.get(0).value;
  qzVariantS value = args.get(1).value;
  dbResolveSymbolRefs(key);
  dbResolveSymbolRefs(value);
  result.setInt(option(&key, &value) == kQzOk ? 1 : 0);
}

void dbJDBCDatabaseC::scriptCreateObject(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzRef<qzIUnknown> child;
  if (createObject(args.getText(0), child.out()) != kQzOk) child.reset();
  qzRef<qzIDispatch> d = qzQuery<qzIDispatch>(child.get(), qziid::kDispatch);
  result.setObject(d.get());  // null leaves the result empty
}

void dbJDBCDatabaseC::scriptCommit(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (commit(&err) != kQzOk) raise(err);
  result.setInt(1);
}

void dbJDBCDatabaseC::scriptRollback(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (rollback(&err) != kQzOk) raise(err);
  result.setInt(1);
}

proxyMethodTableC* dbJDBCDatabaseC::table() {
  using T = dbJDBCDatabaseC;
  return dbTable<T>({
      dbMethod<&T::scriptConnect>("connect", 3),
      dbMethod<&T::scriptClose>("close", 0),
      dbMethod<&T::scriptOption>("option", 2),
      dbMethod<&T::scriptCreateObject>("createObject", 1),
      dbMethod<&T::scriptCommit>("commit", 0),
      dbMethod<&T::scriptRollback>("rollback", 0),
  });
}
