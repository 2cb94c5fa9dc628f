// Forward declarations of every Java class proxy, for headers that only name them.
#pragma once

namespace jbridge::proxy::java::lang {
class Object;
class CharSequence;
class Comparable;
class Cloneable;
class String;
class Class;
class Throwable;
class Exception;
class ClassNotFoundException;
}  // namespace jbridge::proxy::java::lang

namespace jbridge::proxy::java::io {
class Serializable;
}  // namespace jbridge::proxy::java::io

namespace jbridge::proxy::java::util {
class Collection;
class List;
class AbstractCollection;
class AbstractList;
class RandomAccess;
class Enumeration;
class Date;
class Vector;
}  // namespace jbridge::proxy::java::util

namespace jbridge::proxy::java::sql {
class DriverManager;
class Connection;
class Statement;
class PreparedStatement;
class ResultSet;
class ResultSetMetaData;
class DatabaseMetaData;
class SQLException;
class Date;
class Time;
class Timestamp;
}  // namespace jbridge::proxy::java::sql
