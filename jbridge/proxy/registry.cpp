// The factory of every proxy class with members, registered under its Java class name.
#include "jbridge/jfactory.h"
#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy {

void registerProxyFactories() {
  static const JFactoryImpl<java::lang::Object> kLangObject;
  registerFactory(kLangObject);
  static const JFactoryImpl<java::io::Serializable> kIoSerializable;
  registerFactory(kIoSerializable);
  static const JFactoryImpl<java::lang::CharSequence> kLangCharSequence;
  registerFactory(kLangCharSequence);
  static const JFactoryImpl<java::lang::Comparable> kLangComparable;
  registerFactory(kLangComparable);
  static const JFactoryImpl<java::lang::Cloneable> kLangCloneable;
  registerFactory(kLangCloneable);
  static const JFactoryImpl<java::lang::String> kLangString;
  registerFactory(kLangString);
  static const JFactoryImpl<java::lang::Class> kLangClass;
  registerFactory(kLangClass);
  static const JFactoryImpl<java::lang::Throwable> kLangThrowable;
  registerFactory(kLangThrowable);
  static const JFactoryImpl<java::lang::Exception> kLangException;
  registerFactory(kLangException);
  static const JFactoryImpl<java::util::Collection> kUtilCollection;
  registerFactory(kUtilCollection);
  static const JFactoryImpl<java::util::List> kUtilList;
  registerFactory(kUtilList);
  static const JFactoryImpl<java::util::AbstractCollection> kUtilAbstractCollection;
  registerFactory(kUtilAbstractCollection);
  static const JFactoryImpl<java::util::AbstractList> kUtilAbstractList;
  registerFactory(kUtilAbstractList);
  static const JFactoryImpl<java::util::RandomAccess> kUtilRandomAccess;
  registerFactory(kUtilRandomAccess);
  static const JFactoryImpl<java::util::Enumeration> kUtilEnumeration;
  registerFactory(kUtilEnumeration);
  static const JFactoryImpl<java::util::Date> kUtilDate;
  registerFactory(kUtilDate);
  static const JFactoryImpl<java::util::Vector> kUtilVector;
  registerFactory(kUtilVector);
  static const JFactoryImpl<java::sql::DriverManager> kSqlDriverManager;
  registerFactory(kSqlDriverManager);
  static const JFactoryImpl<java::sql::Connection> kSqlConnection;
  registerFactory(kSqlConnection);
  static const JFactoryImpl<java::sql::Statement> kSqlStatement;
  registerFactory(kSqlStatement);
  static const JFactoryImpl<java::sql::PreparedStatement> kSqlPreparedStatement;
  registerFactory(kSqlPreparedStatement);
  static const JFactoryImpl<java::sql::ResultSet> kSqlResultSet;
  registerFactory(kSqlResultSet);
  static const JFactoryImpl<java::sql::ResultSetMetaData> kSqlResultSetMetaData;
  registerFactory(kSqlResultSetMetaData);
  static const JFactoryImpl<java::sql::DatabaseMetaData> kSqlDatabaseMetaData;
  registerFactory(kSqlDatabaseMetaData);
  static const JFactoryImpl<java::sql::SQLException> kSqlSQLException;
  registerFactory(kSqlSQLException);
  static const JFactoryImpl<java::sql::Date> kSqlDate;
  registerFactory(kSqlDate);
  static const JFactoryImpl<java::sql::Time> kSqlTime;
  registerFactory(kSqlTime);
  static const JFactoryImpl<java::sql::Timestamp> kSqlTimestamp;
  registerFactory(kSqlTimestamp);
}

}  // namespace jbridge::proxy
