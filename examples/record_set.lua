-- The record set (RECORDSET): the cursor over a query's result. Its own SQLEXEC (from
-- transaction) holds the query; the first use after execute describes the result and loads
-- its first row, so a loop reads the fields first and fetches afterwards.
--
--   fetch(mode, offset): 1 absolute (offset counts rows from 0), 2 relative, 3 next,
--                        4 previous, 5 first, 6 last
--
--   qzhost examples/record_set.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = example.connect()
example.runner(db)(
  "DROP TABLE IF EXISTS rs_planets",
  "CREATE TABLE rs_planets (id INTEGER PRIMARY KEY, name VARCHAR(20), moons INTEGER)",
  "INSERT INTO rs_planets VALUES (1, 'Mercury', 0), (2, 'Venus', 0), (3, 'Earth', 1), " ..
      "(4, 'Mars', 2), (5, 'Jupiter', 95)")

-- A record set whose query has run; option 1 (cursor type) set to 2 makes it scrollable.
local function open(sql, scrollable)
  return example.query(db, sql, scrollable and {[1] = 2})
end

-- Forward only (the default): read, then fetch(3, 0), until Eof.
local rs, fields = open("SELECT name, moons FROM rs_planets ORDER BY id")
local names = {}
while rs.Eof == 0 do
  names[#names + 1] = ("%s (%d)"):format(fields:Field("name", 3), fields:Field("moons", 3))
  rs:fetch(3, 0)
end
print(table.concat(names, ", "))
-- Count runs the query again as SELECT COUNT(*); the record set's own cursor is untouched.
print(("Count: %d"):format(rs.Count))
check(#names == 5 and rs.Count == 5, "five planets")

-- A forward-only result refuses to move back, and keeps the row it stands on.
rs, fields = open("SELECT name FROM rs_planets ORDER BY id")
rs:fetch(3, 0)
local ok, err = pcall(rs.fetch, rs, 4, 0)
check(not ok and err.inner.source == "ZIRUV:fetch", "previous on a forward-only result")
check(fields:Field("name", 3) == "Venus", "the row after a refused move")
print("previous on a forward-only result: " .. err.inner.description)

-- Scrollable: every mode. position() is 2 on a row and 3 past the end (as Eof says).
rs, fields = open("SELECT name FROM rs_planets ORDER BY id", true)
local cursor = qz.native(rs, "DATABASE.RECORDSET")
local moves = {{6, 0, "last"}, {4, 0, "previous"}, {1, 0, "absolute 0"},
               {2, 2, "relative +2"}, {5, 0, "first"}}
local walked, seen = {}, {}
for _, m in ipairs(moves) do
  rs:fetch(m[1], m[2])
  seen[#seen + 1] = fields:Field("name", 3)
  walked[#walked + 1] = m[3] .. " -> " .. seen[#seen]
end
print(table.concat(walked, ", "))
check(table.concat(seen, " ") == "Jupiter Mars Mercury Earth Mercury", "the scrolled rows")
rs:fetch(1, 99)
print(("absolute 99 -> position %d, Eof %d"):format(cursor:position(), rs.Eof))
check(cursor:position() == 3 and rs.Eof == 1, "past the end")
rs:fetch(6, 0)
check(cursor:position() == 2 and fields:Field(0, 3) == "Jupiter", "back from past the end")

-- An empty result is at its end at once.
rs = open("SELECT name FROM rs_planets WHERE moons > 100")
check(rs.Eof == 1 and rs.Count == 0, "an empty result")
print("no planet has more than 100 moons")
db:close()
