// Set-up, errors and the connection-level operations of JSQLApi. Statements, results and the
// catalogue are in jsql_results.cpp.
#include "jdbc/jsql_api.h"

#include <jni.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "config/config.h"
#include "jbridge/jni_core.h"
#include "jdbc/jdbc_config.h"
#include "jdbc/jsql_internal.h"
#include "jdbc/sql_literals.h"
#include "jdbc/text_buffer.h"
#include "object/call_exception.h"
#include "object/host_link.h"
#include "platform/jvm.h"

namespace qz::jdbc {

namespace {

constexpr char kJvmClass[] = "zeltools.jvm";
constexpr char kCharsetClass[] = "zeltools.charsetconvert";
constexpr char kUtf8[] = "UTF-8";
constexpr char kFallbackCharset[] = "CP1252";
constexpr char kSourcePrefix[] = "ZIRUV:";

constexpr char kNoJvmComponent[] = "qzComCreateObject: zeltools.jvm";
constexpr char kNoJvmPointer[] = "CreateOrGetJVM: zeltools.jvm did not hand out a Java VM";
constexpr char kNoJvmForDriver[] = "Can not register JDBC-driver. No JVM avalaible.";
constexpr char kNoDriverItem[] = "RegisterDBDriver: Error in jdbc.cfg";
constexpr char kEmptyDriverItem[] = "RegisterDBDriver: DriverClass not found in jdbc.cfg";
constexpr char kNulDriverItem[] = "RegisterDBDriver: DriverClass in jdbc.cfg holds a NUL byte";
constexpr char kNulUrlItem[] = "JSQLConnect: URL in jdbc.cfg holds a NUL byte";
constexpr char kNoCharsetComponent[] =
    "JSQLApi::initCharsetConverter: Create object ZELTOOLS.CHARSETCONVERT failed";
constexpr char kNoLocaleCharset[] = "JSQLApi::initCharsetConverter: getLocaleCharset failed";
constexpr char kNoConverter[] = "JSQLApi::initCharsetConverter: openConverter failed";

// "UTF-8", "utf8", "CP65001", "65001": the locale charset is UTF-8 itself.
bool namesUtf8(const std::string& charset) {
  std::string n;
  for (char c : charset) {
    if (c == '-' || c == '_') continue;
    n += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return n == "UTF8" || n == "CP65001" || n == "65001";
}

// Opens one converter; empty when the factory refuses or hands out no converter.
qzRef<qzICharsetConverter> openConverter(qzICharsetFactory* factory, const char* from,
                                         const char* to) {
  qzRef<qzIUnknown> opened;
  if (factory->openConverter(from, to, opened.out()) != kQzOk || !opened) {
    opened.detach();  // a failed call may leave anything in the slot
    return {};
  }
  return qzQuery<qzICharsetConverter>(opened.get(), qziid::kCharsetConverter);
}

bool namesParameter(const std::string& url, std::string_view name) {
  for (std::size_t at = url.find('?'); at != std::string::npos; at = url.find('&', at + 1)) {
    std::string key = url.substr(at + 1, name.size() + 1);
    if (qzStartsWithIgnoringAsciiCase(key, std::string(name) + "=")) return true;
  }
  return false;
}

// A failed connect's message may echo what the driver was handed: DriverManager names the URL
// ("No suitable driver found for jdbc:...;password=..."), drivers their property lists. Every
// "password=" value is hidden, and the password given wherever it stands. One of fewer than four
// bytes is not looked for: it would hit ordinary words and betray itself by the gaps.
void hidePasswords(std::string& message, const char* password) {
  constexpr std::string_view kKey = "password=", kHidden = "***";
  for (std::size_t at = 0; at + kKey.size() <= message.size(); ++at) {
    if (at > 0 &&
        (std::isalnum(static_cast<unsigned char>(message[at - 1])) || message[at - 1] == '_')) {
      continue;
    }
    if (!qzStartsWithIgnoringAsciiCase(std::string_view(message).substr(at), kKey)) continue;
    const std::size_t value = at + kKey.size();
    const std::size_t end =
        std::min(message.find_first_of("&;,} \t\r\n\"')", value), message.size());
    message.replace(value, end - value, kHidden);
    at = value + kHidden.size() - 1;
  }
  const std::string_view secret = password ? password : "";
  if (secret.size() < 4) return;
  for (std::size_t at = message.find(secret); at != std::string::npos;
       at = message.find(secret, at + kHidden.size())) {
    message.replace(at, secret.size(), kHidden);
  }
}

}  // namespace

// PostgreSQL's driver waits for the server's first answer with no limit of its own unless told.
std::string withDriverTimeouts(const std::string& url, int32_t seconds) {
  if (seconds <= 0 || !qzStartsWithIgnoringAsciiCase(url, "jdbc:postgresql:")) return url;
  std::string result = url;
  for (std::string_view name :
       {std::string_view("logintimeout"), std::string_view("connecttimeout")}) {
    if (namesParameter(url, name)) continue;
    result += result.find('?') == std::string::npos ? '?' : '&';
    result += name == "logintimeout" ? "loginTimeout=" : "connectTimeout=";
    result += std::to_string(seconds);
  }
  return result;
}

JSQLApi::JSQLApi() = default;

// The members release the component references and clear the variant.
JSQLApi::~JSQLApi() = default;

// ---------------------------------------------------------------------------------------------
// Errors

void JSQLApi::setError(const std::string& text) {
  lastErrorCode_ = 0;
  lastSqlState_.clear();
  try {
    lastMessage_ = hidePasswordLiterals(text);
  } catch (...) {  // out of memory: an empty message is better than an escaping exception
    lastMessage_.clear();
  }
}

void JSQLApi::setErrorFromSQLException(const sql::SQLException& e) {
  try {
    int32_t code = e.getErrorCode();
    lang::String message = e.getMessage();
    lang::String state = e.getSQLState();
    lastErrorCode_ = code;
    // An exception without a message still tells its class through toString().
    // Drivers quote the statement they refused, a password in it too.
    lastMessage_ =
        hidePasswordLiterals(message.isNull() ? std::string(e.what()) : message.getCString());
    lastSqlState_ = state.isNull() ? std::string() : state.getCString();
  } catch (...) {
    setError(e.what());
  }
}

void JSQLApi::JSQLGetLastError(int32_t* code, char* sqlState, int32_t stateSize, char* message,
                               int32_t messageSize) const {
  if (code) *code = lastErrorCode_;
  copyUtf8(lastSqlState_, sqlState, stateSize);
  copyUtf8(lastMessage_, message, messageSize);
}

void JSQLApi::JSQLReportError(const char* context, qzIUnknown** error) const {
  if (!error) return;
  try {
    std::string message = lastMessage_.substr(0, utf8CutLength(lastMessage_, kReportedMessageMax));
    std::string source = std::string(kSourcePrefix) + (context ? context : "");
    *error = qzCreateSqlCallException(source.c_str(), message.c_str(), nullptr,
                                      lastSqlState_.c_str(), lastErrorCode_);
  } catch (...) {
    *error = nullptr;
  }
}

void JSQLApi::JSQLReportMessage(const char* context, const char* message,
                                qzIUnknown** error) const {
  if (!error) return;
  try {
    std::string source = std::string(kSourcePrefix) + (context ? context : "");
    *error = qzCreateCallException(source.c_str(), message ? message : "", nullptr);
  } catch (...) {
    *error = nullptr;
  }
}

void JSQLApi::JSQLReportException(const char* context, const std::exception& e, const char* message,
                                  qzIUnknown** error) {
  if (auto* sqlError = dynamic_cast<const sql::SQLException*>(&e)) {
    setErrorFromSQLException(*sqlError);
    JSQLReportError(context, error);
  } else {
    JSQLReportMessage(context, message, error);
  }
}

bool JSQLApi::present(const jbridge::proxy::JObject& proxy, const char* message) {
  if (!proxy.isNull()) return true;
  setError(message);
  return false;
}

// ---------------------------------------------------------------------------------------------
// jdbc.cfg

int JSQLApi::loadJdbcConfig(config::CSConfig& config, const char* pathTemplate) {
  std::string why;
  const std::string path = resolveConfigPath(pathTemplate, &why);
  if (!why.empty()) {
    setError(std::string(pathTemplate) + ": " + why);
    return -1;
  }
  const int rc = config.load(path);
  if (rc >= config::kConfigDone) return 1;
  if (rc == config::kConfigNotRegularFile) {
    setError(path + " (" + pathTemplate + ") is not a regular file: jdbc.cfg must be a plain file");
    return -1;
  }
  setError(std::string("Can not resolve ") + pathTemplate);
  return 0;
}

bool JSQLApi::loadJdbcConfig(config::CSConfig& config) {
  // A user file that is there but unreadable as a file is refused, not passed over.
  if (int rc = loadJdbcConfig(config, kUserConfigTemplate); rc != 0) return rc > 0;
  return loadJdbcConfig(config, kSetupConfigTemplate) > 0;
}

int32_t JSQLApi::JSQLGetServerDB(const char* dataSource, char* buffer, int32_t size) {
  return guarded(nullptr, [&] {
    config::CSConfig config;
    if (!loadJdbcConfig(config)) return kFailed;
    const config::CSConfigItem* item = config.findItem(kServerDbItem, dataSource ? dataSource : "");
    copyUtf8(item ? item->valueText(0) : std::string(), buffer, size);
    return kOk;
  });
}

// ---------------------------------------------------------------------------------------------
// Set-up

int32_t JSQLApi::CreateOrGetJVM() {
  if (jvmReady_) return kOk;
  return guarded(nullptr, [&] {
    qzRef<qzIJvmProvider> provider;
    if (qzComCreateObject(kJvmClass, qziid::kJvmProvider, provider.outVoid()) != kQzOk ||
        !provider) {
      provider.detach();  // a failed creation may leave anything in the slot
      setError(kNoJvmComponent);
      return kFailed;
    }
    void* vm = nullptr;
    void* env = nullptr;
    provider->getJavaVM(&vm, &env);  // its result says nothing the pointer does not
    if (!vm) {
      std::string why = platform::javaHomeProblem();
      if (why.empty() && std::getenv("QZ_JVM_OPTIONS"))
        why = std::string("QZ_JVM_OPTIONS=") + std::getenv("QZ_JVM_OPTIONS");
      setError(why.empty() ? std::string(kNoJvmPointer) : std::string(kNoJvmPointer) + ": " + why);
      return kFailed;
    }
    jbridge::setJavaVM(static_cast<JavaVM*>(vm));
    jvmReady_ = true;
    return kOk;
  });
}

int32_t JSQLApi::RegisterDBDriver(const char* dataSource) {
  if (!jvmReady_) {
    setError(kNoJvmForDriver);
    return kFailed;
  }
  return guarded(nullptr, [&] {
    config::CSConfig config;
    if (!loadJdbcConfig(config)) return kFailed;
    const config::CSConfigItem* item =
        config.findItem(kDriverClassItem, dataSource ? dataSource : "");
    if (!item) {
      setError(kNoDriverItem);
      return kFailed;
    }
    const std::string& driverClass = item->valueText(0);
    if (driverClass.empty()) {
      setError(kEmptyDriverItem);
      return kFailed;
    }
    // Java would see the name cut at the NUL and report a class nobody wrote.
    if (driverClass.find('\0') != std::string::npos) {
      setError(kNulDriverItem);
      return kFailed;
    }
    // Loading the class is what registers the driver with DriverManager. A missing class
    // is recorded with the text of its ClassNotFoundException.
    lang::Class::forName(lang::String(driverClass));
    return kOk;
  });
}

int32_t JSQLApi::initCharsetConverter() {
  if (fromUtf8Ready_) return kOk;
  return guarded(nullptr, [&] {
    charsetFactory_.reset();
    if (qzComCreateObject(kCharsetClass, qziid::kCharsetFactory, charsetFactory_.outVoid()) !=
            kQzOk ||
        !charsetFactory_) {
      charsetFactory_.detach();
      setError(kNoCharsetComponent);
      return kFailed;
    }
    conversionBuffer_.clear();
    if (charsetFactory_->getLocaleCharset(&conversionBuffer_) != kQzOk) {
      conversionBuffer_.clear();
      setError(kNoLocaleCharset);
      return kFailed;
    }
    const char* name = conversionBuffer_.type == kVtString ? conversionBuffer_.text() : nullptr;
    std::string charset = name && *name ? name : kFallbackCharset;
    conversionBuffer_.clear();
    localeIsUtf8_ = namesUtf8(charset);

    fromUtf8Converter_ = openConverter(charsetFactory_.get(), kUtf8, charset.c_str());
    if (fromUtf8Converter_) {
      fromUtf8Ready_ = true;
    } else {
      setError(kNoConverter);
    }
    toUtf8Converter_ = openConverter(charsetFactory_.get(), charset.c_str(), kUtf8);
    if (toUtf8Converter_) {
      toUtf8Ready_ = true;
    } else {
      setError(kNoConverter);
    }
    return kOk;
  });
}

int32_t JSQLApi::JSQLConnect(Connection& connection, const char* dataSource, const char* user,
                             const char* password, int32_t loginTimeout) {
  const int32_t r = guarded(nullptr, [&] {
    config::CSConfig config;
    if (!loadJdbcConfig(config)) return kFailed;
    const config::CSConfigItem* item = config.findItem(kUrlItem, dataSource ? dataSource : "");
    std::string url = withDriverTimeouts(item ? item->valueText(0) : std::string(), loginTimeout);
    // Cut at the NUL, the URL would name another database.
    if (url.find('\0') != std::string::npos) {
      setError(kNulUrlItem);
      return kFailed;
    }
    connection = sql::DriverManager::getConnection(lang::String(url), lang::String(user),
                                                   lang::String(password));
    if (!present(connection, "JSQLConnect: the driver answered no connection")) return kFailed;
    return kOk;
  });
  if (r == kFailed) hidePasswords(lastMessage_, password);
  return r;
}

// ---------------------------------------------------------------------------------------------
// Connection level

int32_t JSQLApi::JSQLDisconnect(Connection& connection) {
  if (connection.isNull()) return kOk;
  return guarded(nullptr, [&] {
    if (!connection.isClosed()) connection.close();
    return kOk;
  });
}

int32_t JSQLApi::JSQLIsClosed(Connection& connection, int32_t* closed) {
  if (!present(connection, "JSQLIsClosed: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    bool isClosed = connection.isClosed();
    if (closed) *closed = isClosed ? 1 : 0;
    return kOk;
  });
}

int32_t JSQLApi::JSQLCommit(Connection& connection) {
  if (!present(connection, "JSQLCommit: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    connection.commit();
    return kOk;
  });
}

int32_t JSQLApi::JSQLRollback(Connection& connection) {
  if (!present(connection, "JSQLRollback: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    connection.rollback();
    return kOk;
  });
}

int32_t JSQLApi::JSQLSetAutoCommit(Connection& connection, bool on) {
  if (!present(connection, "JSQLSetAutoCommit: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    connection.setAutoCommit(jbridge::proxy::JBoolean(on));
    return kOk;
  });
}

int32_t JSQLApi::JSQLGetAutoCommit(Connection& connection, bool* on) {
  if (!present(connection, "JSQLGetAutoCommit: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    bool value = connection.getAutoCommit();
    if (on) *on = value;
    return kOk;
  });
}

int32_t JSQLApi::JSQLSetLoginTimeout(int32_t seconds) {
  return guarded(nullptr, [&] {
    sql::DriverManager::setLoginTimeout(jbridge::proxy::JInt(seconds));
    return kOk;
  });
}

int32_t JSQLApi::JSQLGetLoginTimeout(int32_t* seconds) {
  return guarded(nullptr, [&] {
    int32_t value = sql::DriverManager::getLoginTimeout();
    if (seconds) *seconds = value;
    return kOk;
  });
}

int32_t JSQLApi::JSQLCreateStatement(Connection& connection, Statement& statement, int32_t type,
                                     int32_t concurrency) {
  if (!present(connection, "JSQLCreateStatement: no connection")) return kFailed;
  return guarded(nullptr, [&] {
    statement =
        connection.createStatement(jbridge::proxy::JInt(type), jbridge::proxy::JInt(concurrency));
    if (!present(statement, "JSQLCreateStatement: the driver answered no statement")) {
      return kFailed;
    }
    return kOk;
  });
}

int32_t JSQLApi::JSQLCloseStatement(Statement& statement) {
  if (statement.isNull()) return kOk;
  return guarded(nullptr, [&] {
    statement.close();
    return kOk;
  });
}

int32_t JSQLApi::JSQLCloseResultSet(ResultSet& resultSet) {
  if (resultSet.isNull()) return kOk;
  return guarded(nullptr, [&] {
    resultSet.close();
    return kOk;
  });
}

void JSQLApi::SetResultSetOptions(int32_t type, int32_t concurrency) {
  resultSetType_ = type;
  resultSetConcurrency_ = concurrency;
}

void JSQLApi::GetResultSetOptions(int32_t* type, int32_t* concurrency) const {
  if (type) *type = resultSetType_;
  if (concurrency) *concurrency = resultSetConcurrency_;
}

}  // namespace qz::jdbc
