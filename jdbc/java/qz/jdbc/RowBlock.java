// Moves a forward-only result set on by up to n rows per call and writes every column of those
// rows as text into one array, which the native side copies out whole after the call: one
// crossing per block instead of several per value, and no copy per row. Each value is what the
// row-at-a-time reading sees: getString, its length in chars, and its bytes in the VM's default
// charset.
//
// Layout, in the platform's byte order, row after row, column after column:
//   int chars (-1 for SQL NULL), int bytes, the bytes, a 0 (the native side reads a value in
//   place, as a C string).
//
// The cursor stays exactly where the native side can account for it: a row whose values could
// not all be read ends the block in front of it (fill answers UNREAD when it is the first, and
// the caller reads it the row-at-a-time way, which meets the same failure); a failing move ends
// the block and is thrown by the next call, where the row-at-a-time reading would have met it.
package qz.jdbc;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.sql.ParameterMetaData;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.sql.Types;
import java.util.Arrays;

public final class RowBlock {
  public static final int UNREAD = -1;
  public static final int TOO_SMALL = -2;

  private static final VarHandle INT =
      MethodHandles.byteArrayViewVarHandle(int[].class, ByteOrder.nativeOrder());
  // The default charset writes each ASCII char as that one byte (UTF-8, ISO-8859-1 and most
  // others): an ASCII value is then copied char by char, without the array getBytes makes.
  private static final boolean ASCII_AS_IS = asciiAsIs();
  private static final boolean ASCII_DECODES_AS_IS = asciiDecodesAsIs();

  private final ResultSet rs;
  private final int columns;
  // The rows of the last fill, `used` bytes in the layout above; the native side takes at most
  // `capacity` bytes. A row is written straight after the last, and a row that would end past
  // `capacity` is kept in `pending` (pendingSize bytes) to go first the next call.
  private byte[] block;
  private int capacity;
  private int used;
  private byte[] pending = new byte[0];
  private int pendingSize;
  private boolean unread;        // the cursor stands on a row to read the row-at-a-time way
  private boolean endSeen;       // next() answered false for the rows written last
  private Exception moveFailure; // next() failed after the rows written last
  private int needed;

  public RowBlock(ResultSet rs, int columns, int capacity) {
    this.rs = rs;
    this.columns = columns;
    this.block = new byte[capacity];
    this.capacity = capacity;
  }

  public void setCapacity(int capacity) {
    this.capacity = capacity;
    if (block.length < capacity) block = Arrays.copyOf(block, capacity);
  }

  // Bytes the buffer needs for the row that did not fit, after TOO_SMALL.
  public int needed() {
    return needed;
  }

  // The array the last fill wrote, and how many of its bytes.
  public byte[] block() {
    return block;
  }

  public int used() {
    return used;
  }

  // The rows written (0: past the end), UNREAD, or TOO_SMALL (nothing moved).
  public int fill(int maxRows, int softLimit) throws Exception {
    used = 0;
    int rows = 0;
    if (pendingSize > 0) {
      if (pendingSize > capacity) {
        needed = pendingSize;
        return TOO_SMALL;
      }
      System.arraycopy(pending, 0, block, 0, pendingSize);
      used = pendingSize;
      pendingSize = 0;
      rows = 1;
    } else if (unread) {
      unread = false;
      return UNREAD;
    } else if (moveFailure != null) {
      Exception e = moveFailure;
      moveFailure = null;
      throw e;
    } else if (endSeen) {
      endSeen = false;
      return 0;
    }
    while (rows < maxRows && used < softLimit) {
      boolean onRow;
      try {
        onRow = rs.next();
      } catch (Exception e) {
        if (rows == 0) throw e;
        moveFailure = e;
        return rows;
      }
      if (!onRow) {
        if (rows == 0) return 0;
        endSeen = true;
        return rows;
      }
      int end;
      try {
        end = encodeRow(used);
      } catch (Exception e) {
        if (rows == 0) return UNREAD;
        unread = true;
        return rows;
      }
      if (end > capacity) {
        pendingSize = end - used;
        if (pending.length < pendingSize) pending = new byte[pendingSize];
        System.arraycopy(block, used, pending, 0, pendingSize);
        if (rows > 0) return rows;
        needed = pendingSize;
        return TOO_SMALL;
      }
      used = end;
      ++rows;
    }
    return rows;
  }

  // Writes every column of the current row into `block` from `at` on; answers where it ends.
  private int encodeRow(int at) throws Exception {
    for (int c = 0; c < columns; ++c) {
      String s = rs.getString(c + 1);
      if (s == null) {
        at = end(header(at, -1, 0));
        continue;
      }
      int chars = s.length();
      int copied = 0;
      if (ASCII_AS_IS) {
        room(at + 8 + chars);
        byte[] r = block;
        int base = at + 8;
        for (; copied < chars; ++copied) {
          char ch = s.charAt(copied);
          if (ch >= 0x80) break;
          r[base + copied] = (byte) ch;
        }
      }
      if (copied == chars) {
        at = end(header(at, chars, chars) + chars);
      } else {
        byte[] bytes = s.getBytes();
        room(at + 8 + bytes.length);
        System.arraycopy(bytes, 0, block, at + 8, bytes.length);
        at = end(header(at, chars, bytes.length) + bytes.length);
      }
    }
    return at;
  }

  private int header(int at, int chars, int bytes) {
    room(at + 8);
    INT.set(block, at, chars);
    INT.set(block, at + 4, bytes);
    return at + 8;
  }

  private int end(int at) {
    room(at + 1);
    block[at] = 0;
    return at + 1;
  }

  // A row may run past the end of the block: it grows, and the row goes to `pending` if it
  // ends past `capacity`.
  private void room(int size) {
    if (size > block.length) block = Arrays.copyOf(block, Math.max(size, block.length * 2));
  }

  // setString of each value to parameters 1, 2 ..., then executeUpdate: the native side's run
  // of a statement with bound literals, in one crossing instead of one per value and the run.
  // Here because the library defines this one class into the VM. A parameter whose bit is set
  // in `integers` (INTEGER) or `bigints` (BIGINT), as integerParameters found, takes a text
  // that is a canonical decimal integer in the type's range as that number: what the driver
  // makes of the text, without its conversion from text (a costly path in some drivers).
  public static int update(PreparedStatement p, String[] values, long integers, long bigints)
      throws Exception {
    final long typed = integers | bigints;
    for (int i = 0; i < values.length; ++i) {
      String v = values[i];
      if (!isTyped(typed, i) || !setInteger(p, i, canonicalInteger(v), bigints)) {
        p.setString(i + 1, v);
      }
    }
    return p.executeUpdate();
  }

  // update for values of ASCII bytes only, all in `data`, little-endian: their count (int),
  // 1 for standard UTF-8 else 0 (int), the bits of integers and bigints (two longs), then each
  // value, an int length and its bytes. No String is made on the native side, and none at all
  // for a value set as a number. Each String is the one the native side would have made of
  // the bytes: standard UTF-8 with the flag, else the default charset.
  public static int updateAscii(PreparedStatement p, byte[] data) throws Exception {
    final int count = intAt(data, 0);
    final boolean utf8 = data[4] != 0;
    final long bigints = longAt(data, 16);
    final long typed = longAt(data, 8) | bigints;
    int at = 24;
    for (int i = 0; i < count; ++i) {
      // Written out, as intAt is too long for the first compiler to inline.
      final int length = (data[at] & 0xFF) | (data[at + 1] & 0xFF) << 8
                         | (data[at + 2] & 0xFF) << 16 | data[at + 3] << 24;
      at += 4;
      if (!isTyped(typed, i) || !setInteger(p, i, canonicalInteger(data, at, length), bigints)) {
        p.setString(i + 1, utf8 || ASCII_DECODES_AS_IS
                               ? new String(data, at, length, StandardCharsets.ISO_8859_1)
                               : new String(data, at, length));
      }
      at += length;
    }
    return p.executeUpdate();
  }

  // Byte by byte, not through the view handle: until the optimizing compiler takes the update
  // (late, behind the driver's methods), each read through the handle costs calls.
  private static int intAt(byte[] b, int at) {
    return (b[at] & 0xFF) | (b[at + 1] & 0xFF) << 8 | (b[at + 2] & 0xFF) << 16 | b[at + 3] << 24;
  }

  private static long longAt(byte[] b, int at) {
    return (intAt(b, at) & 0xFFFFFFFFL) | (long) intAt(b, at + 4) << 32;
  }

  private static boolean isTyped(long typed, int i) {
    return i < 64 && (typed & (1L << i)) != 0;
  }

  // Sets parameter i + 1 to n, unless n is NOT_CANONICAL or out of the parameter's range.
  private static boolean setInteger(PreparedStatement p, int i, long n, long bigints)
      throws Exception {
    if (n == NOT_CANONICAL) return false;
    if ((bigints & (1L << i)) != 0) {
      p.setLong(i + 1, n);
      return true;
    }
    if (n < Integer.MIN_VALUE || n > Integer.MAX_VALUE) return false;
    p.setInt(i + 1, (int) n);
    return true;
  }

  // Bit i of the first value: parameter i + 1 is INTEGER; of the second: BIGINT; the first 64
  // parameters. Nothing set when the driver cannot tell.
  public static long[] integerParameters(PreparedStatement p) {
    long[] out = new long[2];
    try {
      ParameterMetaData m = p.getParameterMetaData();
      int n = Math.min(m.getParameterCount(), 64);
      for (int i = 0; i < n; ++i) {
        int type = m.getParameterType(i + 1);
        if (type == Types.INTEGER) out[0] |= 1L << i;
        if (type == Types.BIGINT) out[1] |= 1L << i;
      }
    } catch (Exception e) {
      out[0] = 0;
      out[1] = 0;
    }
    return out;
  }

  private static final long NOT_CANONICAL = Long.MIN_VALUE;

  // The value of "0", or of an optional "-" and 1 to 18 digits without a leading zero: the only
  // spelling of each number, so that no text that reads differently ("007", "+7", " 7", "-0")
  // passes. NOT_CANONICAL for anything else.
  static long canonicalInteger(byte[] b, int from, int length) {
    int start = length > 0 && b[from] == '-' ? 1 : 0;
    int digits = length - start;
    if (digits < 1 || digits > 18) return NOT_CANONICAL;
    if (b[from + start] == '0' && (digits > 1 || start == 1)) return NOT_CANONICAL;
    long n = 0;
    for (int k = from + start; k < from + length; ++k) {
      byte c = b[k];
      if (c < '0' || c > '9') return NOT_CANONICAL;
      n = n * 10 + (c - '0');
    }
    return start == 1 ? -n : n;
  }

  // A char past Latin-1 becomes '?', one past ASCII a negative byte: neither is a digit.
  static long canonicalInteger(String s) {
    byte[] b = s.getBytes(StandardCharsets.ISO_8859_1);
    return canonicalInteger(b, 0, b.length);
  }

  // Whether the default charset decodes each ASCII byte as that char.
  private static boolean asciiDecodesAsIs() {
    byte[] ascii = new byte[128];
    for (int i = 0; i < ascii.length; ++i) ascii[i] = (byte) i;
    String s = new String(ascii);
    if (s.length() != ascii.length) return false;
    for (int i = 0; i < ascii.length; ++i) {
      if (s.charAt(i) != i) return false;
    }
    return true;
  }

  private static boolean asciiAsIs() {
    char[] ascii = new char[128];
    for (int i = 0; i < ascii.length; ++i) ascii[i] = (char) i;
    byte[] bytes = new String(ascii).getBytes();
    if (bytes.length != ascii.length) return false;
    for (int i = 0; i < bytes.length; ++i) {
      if (bytes[i] != i) return false;
    }
    return true;
  }
}
