-- Table information (TABLEINFO): which table a name denotes, its columns and its keys, all
-- from the driver's database metadata. Set tablename ("TABLE" or "SCHEMA.TABLE", as the
-- database stores it: HSQLDB keeps unquoted names in upper case), run execute, then ask the
-- object of the result property:
--
--   tableinfo(code):          1 table name, 2 catalog, 3 schema
--   countColumns
--   columnInfo(column, code): column by 0-based number or name; code 1 name, 2 value kind,
--                             3 position from 0, 4 remarks, 5 key role (1 plain, 2 primary
--                             key, 3 foreign key), 6 JDBC type, 7 size, 8 key flags (1 in the
--                             primary key + 2 in a foreign key)
--
--   qzhost examples/table_info.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = example.connect()
example.runner(db)(
  "DROP TABLE IF EXISTS ti_books",
  "DROP TABLE IF EXISTS ti_shelves",
  "CREATE TABLE ti_shelves (aisle INTEGER, shelf INTEGER, PRIMARY KEY (aisle, shelf))",
  [[CREATE TABLE ti_books (id INTEGER PRIMARY KEY, title VARCHAR(80) NOT NULL,
      aisle INTEGER, shelf INTEGER, price DECIMAL(8, 2),
      FOREIGN KEY (aisle, shelf) REFERENCES ti_shelves (aisle, shelf))]])

local info = db:createObject("TABLEINFO")
info.tablename = "PUBLIC.TI_BOOKS"
info:execute()
local t = info.result
print(("table %s in schema %s of catalog %s, %d columns"):format(
    t:tableinfo(1), t:tableinfo(3), t:tableinfo(2), t.countColumns))
check(t:tableinfo(1) == "TI_BOOKS" and t.countColumns == 5, "the table found")
local roles = {"", "primary key", "foreign key"}
print("pos  column  JDBC type  size  kind  key")
local keys = {}
for i = 0, t.countColumns - 1 do
  local role = t:columnInfo(i, 5)
  print(("%3d  %-6s %10d %5d %5d  %s"):format(t:columnInfo(i, 3), t:columnInfo(i, 1),
                                              t:columnInfo(i, 6), t:columnInfo(i, 7),
                                              t:columnInfo(i, 2), roles[role]))
  keys[#keys + 1] = t:columnInfo(i, 1) .. ":" .. role
end
check(table.concat(keys, " ") == "ID:2 TITLE:1 AISLE:3 SHELF:3 PRICE:1", "the key roles")
check(t:columnInfo("title", 7) == 80 and t:columnInfo("Title", 6) == 12, "TITLE is a VARCHAR(80)")

-- The same object looks up another table; the result object shows the latest run. AISLE and
-- SHELF are the primary key here, and flag 1 says so.
info.tablename = "TI_SHELVES"
info:execute()
print(("%s: %d columns, AISLE has key flags %d"):format(t:tableinfo(1), t.countColumns,
                                                       t:columnInfo("aisle", 8)))
check(t.countColumns == 2 and t:columnInfo("aisle", 8) == 1, "the shelves' primary key")

-- The name is a catalogue pattern ("_" and "%" match as in LIKE): it must denote one table.
info.tablename = "TI_%"
local ok, err = pcall(info.execute, info)
check(not ok and err.inner.description == "Ambiguous tablename supplied", "a pattern of two tables")
print("TI_%: " .. err.inner.description)
-- A table that does not exist fails the run.
info.tablename = "TI_NO_SUCH_TABLE"
check(not pcall(info.execute, info), "a missing table")
print("TI_NO_SUCH_TABLE: no such table")
db:close()
