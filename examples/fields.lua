-- The fields of a record set (its collection(1)): the current row's columns, by 0-based number
-- or by name (ignoring case), read with Field(column, code):
--
--   code 1 name, 2 value kind (1 integer, 2 floating point, 4 text, 8 date-time, 0 unread),
--        3 value (nil for NULL and for the empty text), 4 indicator (-1 for those, else the
--        length)
--
-- DATE, TIME and TIMESTAMP values read as value objects with members of their own. A new value
-- goes in with the native setField and is written back by the record set's update.
--
--   qzhost examples/fields.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = example.connect()
-- Quoted literals are bound as parameters, so dates are written CAST('...' AS DATE): a typed
-- literal (DATE '...') would leave the database a bare "?".
example.runner(db)(
  "DROP TABLE IF EXISTS fields_people",
  [[CREATE TABLE fields_people (id INTEGER PRIMARY KEY, name VARCHAR(40), height DECIMAL(3, 2),
      nickname VARCHAR(20), born DATE, wakes TIME, seen TIMESTAMP(6))]],
  [[INSERT INTO fields_people VALUES (1, 'Alan Turing', 1.79, NULL, CAST('1912-06-23' AS DATE),
      CAST('06:15:00' AS TIME), CAST('2024-02-29 18:45:10.250000' AS TIMESTAMP(6)))]],
  [[INSERT INTO fields_people VALUES (2, 'Grace Hopper', 1.68, 'Amazing Grace',
      CAST('1906-12-09' AS DATE), CAST('05:30:00' AS TIME), NULL)]])

-- A record set on a query; updatable when asked (option 2, concurrency, set to 2), which in
-- HSQLDB needs a query of one table without ORDER BY.
local function open(sql, updatable)
  return example.query(db, sql, updatable and {[2] = 2})
end

local rs, f = open([[SELECT id, name, height, nickname, born, wakes, seen
                        FROM fields_people ORDER BY id]])
print("column     kind  indicator  value")
for i = 0, f.Count - 1 do
  local v = f:Field(i, 3)
  print(("%-10s %4d %10d  %s"):format(f:Field(i, 1), f:Field(i, 2), f:Field(i, 4),
                                      qz.isObject(v) and "(a value object)" or tostring(v)))
end
check(f:Field(0, 3) == 1 and f:Field("NAME", 3) == "Alan Turing" and f:Field("height", 3) == 1.79,
      "numbers and text of the first row")
check(f:Field("nickname", 3) == nil and f:Field("nickname", 4) == -1, "a NULL reads nil")
check(f:Field("born", 2) == 8, "kinds")
-- nil means NULL: a column the result does not have is an error naming it.
local found, missing = pcall(f.Field, f, "no_such_column", 3)
check(not found and tostring(missing):find("no column 'no_such_column'", 1, true),
      "a missing column is an error")
-- Row(code) reads every column at once: one call per row for a walk that reads them all.
local row, indicators = f:Row(3), f:Row(4)
check(row.n == 7 and row[1] == 1 and row[2] == "Alan Turing" and row[4] == nil and
      indicators[4] == -1 and qz.isObject(row[5]), "a whole row at once")

-- Date values count years from 1900 and months from 0, and Day is the day of the week
-- (0 Sunday): the day of the month is not among the members.
local weekdays = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}
local born, wakes, seen = f:Field("born", 3), f:Field("wakes", 3), f:Field("seen", 3)
print(("born in %04d-%02d, on a %s"):format(born.Year + 1900, born.Month + 1,
                                           weekdays[born.Day + 1]))
print(("wakes at %02d:%02d:%02d"):format(wakes.Hour, wakes.Minute, wakes.Second))
-- Timestamps have the members of both, and Fraction in nanoseconds.
print(("seen in %04d-%02d, on a %s, at %02d:%02d:%02d and %d ns"):format(
    seen.Year + 1900, seen.Month + 1, weekdays[seen.Day + 1], seen.Hour, seen.Minute,
    seen.Second, seen.Fraction))
check(born.Year == 12 and born.Month == 5 and born.Day == 0, "the date's parts")
check(wakes.Hour == 6 and wakes.Minute == 15 and wakes.Second == 0, "the time's parts")
check(seen.Year == 124 and seen.Month == 1 and seen.Day == 4 and seen.Minute == 45 and
      seen.Fraction == 250000000, "the timestamp's parts")

-- The fields object always shows the current row; value objects are snapshots.
rs:fetch(3, 0)
print(("next row: %s, %s, born %d"):format(f:Field("name", 3), f:Field("nickname", 3),
                                          f:Field("born", 3).Year + 1900))
check(f:Field("seen", 3) == nil and born.Year == 12, "the second row and the kept date")

-- Changing a row: setField(column, 3, value) stages the value, update writes the changed
-- columns of the current row, and only those.
rs, f = open("SELECT id, nickname, height, born FROM fields_people WHERE id = 1", true)
local setter = qz.native(f, "DATABASE.RECORDSETFIELDS")
setter:setField("nickname", 3, "Prof")
setter:setField("height", 3, 1.8)
rs:update()
-- Only text and number columns take a value.
local ok, err = pcall(setter.setField, setter, "born", 3, "1912-06-24")
check(not ok, "a value for a date column")
print("setField on a date column: " .. err.description)

rs, f = open("SELECT nickname, height, name FROM fields_people WHERE id = 1")
print(("after update: %s is '%s', %.2f m"):format(f:Field("name", 3), f:Field("nickname", 3),
                                                  f:Field("height", 3)))
check(f:Field("nickname", 3) == "Prof" and f:Field("height", 3) == 1.8, "the updated row")
db:close()
