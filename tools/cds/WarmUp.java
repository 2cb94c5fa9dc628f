// What a session loads first: the drivers, a connection, a query walked, metadata. Run once by
// scripts/make-cds.sh so the VM archives these classes for later starts.
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.ResultSet;
import java.sql.Statement;

public class WarmUp {
  public static void main(String[] args) throws Exception {
    for (String driver : new String[] {"org.hsqldb.jdbc.JDBCDriver", "org.postgresql.Driver",
                                       "org.h2.Driver", "org.apache.derby.jdbc.EmbeddedDriver",
                                       "org.sqlite.JDBC"}) {
      try {
        Class.forName(driver);
      } catch (ClassNotFoundException e) {
        // a driver that is not installed is not archived
      }
    }
    try (Connection c = DriverManager.getConnection("jdbc:hsqldb:mem:warmup", "SA", "");
         Statement s = c.createStatement()) {
      s.execute("CREATE TABLE t (i INT PRIMARY KEY, v VARCHAR(10), d DATE, ts TIMESTAMP,"
                + " n DECIMAL(10, 2))");
      s.execute("INSERT INTO t VALUES (1, 'a', DATE '2024-01-01', TIMESTAMP '2024-01-01 00:00:00',"
                + " 1.5)");
      try (ResultSet r = s.executeQuery("SELECT * FROM t")) {
        int n = r.getMetaData().getColumnCount();
        while (r.next()) {
          for (int i = 1; i <= n; i++) r.getString(i);
        }
      }
      c.getMetaData().getTables(null, null, "%", null).close();
    }
  }
}
