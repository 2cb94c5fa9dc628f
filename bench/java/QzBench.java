// The plain Java side of the benchmarks: the same work the engine does, written as a Java
// program would, and timed with System.nanoTime (or, with cpuTime(true), the calling thread's
// CPU time, as the native side then counts too) inside the VM the engine uses, so that the
// ratios compare like with like (same VM, same options, same driver, same connection URL).
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.sql.SQLException;
import java.sql.Statement;
import java.util.HashMap;
import java.util.Map;

public final class QzBench {
  private static final Map<String, Connection> connections = new HashMap<>();
  // Keeps the values read observable, so the JIT cannot drop the reads.
  public static long sink;

  private static final ThreadMXBean threads = ManagementFactory.getThreadMXBean();
  private static boolean cpu;

  private QzBench() {}

  public static void cpuTime(boolean on) {
    cpu = on;
  }

  private static long now() {
    return cpu ? threads.getCurrentThreadCpuTime() : System.nanoTime();
  }

  private static Connection connection(String url, String user, String password,
                                       boolean autoCommit) throws SQLException {
    String key = url + "\u0000" + autoCommit;
    Connection c = connections.get(key);
    if (c == null) {
      c = DriverManager.getConnection(url, user, password);
      c.setAutoCommit(autoCommit);
      connections.put(key, c);
    }
    return c;
  }

  // A thread attached from native code has no context class loader, and DriverManager then
  // refuses drivers of the class path: give it the one the engine gives its threads.
  public static void load(String driver) throws ClassNotFoundException {
    Thread t = Thread.currentThread();
    if (t.getContextClassLoader() == null) {
      t.setContextClassLoader(ClassLoader.getSystemClassLoader());
    }
    Class.forName(driver);
  }

  public static int execute(String url, String user, String password, String sql)
      throws SQLException {
    try (Statement s = connection(url, user, password, true).createStatement()) {
      return s.executeUpdate(sql);
    }
  }

  // The whole scan, from executeQuery to close: getString on every column of every row.
  public static long scan(String url, String user, String password, boolean autoCommit,
                          String sql) throws SQLException {
    Connection c = connection(url, user, password, autoCommit);
    long start = now();
    long total = 0;
    try (Statement s = c.createStatement(); ResultSet rs = s.executeQuery(sql)) {
      int columns = rs.getMetaData().getColumnCount();
      while (rs.next()) {
        for (int i = 1; i <= columns; ++i) {
          String v = rs.getString(i);
          if (v != null) total += v.length();
        }
      }
    }
    if (!autoCommit) c.commit();
    long elapsed = now() - start;
    sink += total;
    return elapsed;
  }

  // From executeQuery to the first row's first value.
  public static long firstRow(String url, String user, String password, boolean autoCommit,
                              String sql) throws SQLException {
    Connection c = connection(url, user, password, autoCommit);
    long start = now();
    long elapsed;
    try (Statement s = c.createStatement(); ResultSet rs = s.executeQuery(sql)) {
      rs.getMetaData().getColumnCount();
      if (rs.next()) sink += rs.getString(1).length();
      elapsed = now() - start;
    }
    if (!autoCommit) c.commit();
    return elapsed;
  }

  // The scan table's rows: most notes NULL, the rest short texts.
  public static void fill(String url, String user, String password, String table, int rows)
      throws SQLException {
    Connection c = connection(url, user, password, true);
    c.setAutoCommit(false);
    long base = java.sql.Timestamp.valueOf("2020-01-01 00:00:00").getTime();
    try (PreparedStatement p = c.prepareStatement("INSERT INTO " + table
             + " (id, big, amount, name, stamp, note) VALUES (?, ?, ?, ?, ?, ?)")) {
      for (int i = 1; i <= rows; ++i) {
        p.setInt(1, i);
        p.setLong(2, i * 1000003L);
        p.setBigDecimal(3, java.math.BigDecimal.valueOf(i, 2));
        p.setString(4, "name " + i);
        p.setTimestamp(5, new java.sql.Timestamp(base + i * 1000L));
        if (i % 10 == 0) {
          p.setString(6, "note " + i);
        } else {
          p.setNull(6, java.sql.Types.VARCHAR);
        }
        p.addBatch();
        if (i % 1000 == 0) p.executeBatch();
      }
      if (rows % 1000 != 0) p.executeBatch();
      c.commit();
    } finally {
      c.setAutoCommit(true);
    }
  }

  // rows single-row INSERTs through one PreparedStatement, auto-commit on.
  public static long insert(String url, String user, String password, String table, int rows)
      throws SQLException {
    Connection c = connection(url, user, password, true);
    long start = now();
    try (PreparedStatement p =
             c.prepareStatement("INSERT INTO " + table + " (id, name) VALUES (?, ?)")) {
      for (int i = 0; i < rows; ++i) {
        p.setInt(1, i);
        p.setString(2, "name " + i);
        p.executeUpdate();
      }
    }
    return now() - start;
  }
}
