// Moves a forward-only result set on by up to n rows per call and writes every column of those
// rows as text into one buffer the native side owns and reads: one crossing per block instead
// of several per value. Each value is what the row-at-a-time reading sees: getString, its
// length in chars, and its bytes in the VM's default charset.
//
// Layout, in the platform's byte order, row after row, column after column:
//   int chars (-1 for SQL NULL), int bytes, the bytes.
//
// The cursor stays exactly where the native side can account for it: a row whose values could
// not all be read ends the block in front of it (fill answers UNREAD when it is the first, and
// the caller reads it the row-at-a-time way, which meets the same failure); a failing move ends
// the block and is thrown by the next call, where the row-at-a-time reading would have met it.
package qz.jdbc;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.sql.ResultSet;

public final class RowBlock {
  public static final int UNREAD = -1;
  public static final int TOO_SMALL = -2;

  private final ResultSet rs;
  private final int columns;
  private ByteBuffer out;
  // A row read but not written for want of room, written first by the next call.
  private byte[][] pendingBytes;
  private int[] pendingChars;
  private boolean unread;        // the cursor stands on a row to read the row-at-a-time way
  private boolean endSeen;       // next() answered false for the rows written last
  private Exception moveFailure; // next() failed after the rows written last
  private int needed;

  public RowBlock(ResultSet rs, int columns, ByteBuffer out) {
    this.rs = rs;
    this.columns = columns;
    setBuffer(out);
  }

  public void setBuffer(ByteBuffer out) {
    this.out = out.order(ByteOrder.nativeOrder());
  }

  // Bytes the buffer needs for the row that did not fit, after TOO_SMALL.
  public int needed() {
    return needed;
  }

  // The rows written (0: past the end), UNREAD, or TOO_SMALL (nothing moved).
  public int fill(int maxRows, int softLimit) throws Exception {
    out.clear();
    int rows = 0;
    if (pendingBytes != null) {
      if (!write(pendingChars, pendingBytes)) return TOO_SMALL;
      pendingBytes = null;
      pendingChars = null;
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
    byte[][] bytes = new byte[columns][];
    int[] chars = new int[columns];
    while (rows < maxRows && out.position() < softLimit) {
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
      try {
        for (int c = 0; c < columns; ++c) {
          String s = rs.getString(c + 1);
          if (s == null) {
            chars[c] = -1;
            bytes[c] = null;
          } else {
            chars[c] = s.length();
            bytes[c] = s.getBytes();
          }
        }
      } catch (Exception e) {
        if (rows == 0) return UNREAD;
        unread = true;
        return rows;
      }
      if (!write(chars, bytes)) {
        pendingBytes = bytes;
        pendingChars = chars;
        return rows == 0 ? TOO_SMALL : rows;
      }
      ++rows;
    }
    return rows;
  }

  private boolean write(int[] chars, byte[][] bytes) {
    int size = 0;
    for (int c = 0; c < columns; ++c) size += 8 + (bytes[c] == null ? 0 : bytes[c].length);
    if (size > out.remaining()) {
      needed = out.position() + size;
      return false;
    }
    for (int c = 0; c < columns; ++c) {
      out.putInt(chars[c]);
      if (bytes[c] == null) {
        out.putInt(0);
      } else {
        out.putInt(bytes[c].length);
        out.put(bytes[c]);
      }
    }
    return true;
  }
}
