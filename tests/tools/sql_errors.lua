-- Database failures as error values carry the driver's SQL state; strings with a NUL byte
-- never reach the engine cut short; the empty text and long values as a script reads them;
-- cancel with nothing running, column types, and metadata lists read like a query; the
-- member list from the method tables, and refused calls that say what was expected.
local db = qz.create("DATABASE.JDBCDB")
db:connect("demo", "SA", "")
local exec = db:createObject("SQLEXEC")
local function run(sql)
  exec:statement(sql)
  return exec:execute()
end
run("DROP TABLE IF EXISTS qz_err")
run("CREATE TABLE qz_err (id INT PRIMARY KEY, v VARCHAR(20000))")
run("INSERT INTO qz_err VALUES (1, ''), (2, NULL), (3, REPEAT('x', 9000))")

-- The state sits on the inner level and is readable on the value the script catches.
local ok, err = pcall(run, "SELECT * FROM nosuch")
assert(not ok and err.source == "methode:execute", tostring(err))
assert(err.inner.source == "ZIRUV:execute" and err.inner.sqlstate == "42501")
assert(err.sqlstate == "42501" and err.vendorcode == err.inner.vendorcode, tostring(err))
assert(err.vendorcode ~= 0)
-- tostring says it once, where it arose.
local _, states = tostring(err):gsub("SQL state 42501", "")
assert(states == 1 and tostring(err):find("\n  inner: ZIRUV:execute: .* %(SQL state 42501%)$"),
       tostring(err))
ok, err = pcall(run, "INSERT INTO qz_err VALUES (1, 'again')")
assert(not ok and err.sqlstate == "23505", tostring(err))
-- A failure that is no database error has no state.
local other = qz.create("DATABASE.JDBCDB")
ok, err = pcall(other.connect, other, "no_such_source", "SA", "")
assert(not ok and err.sqlstate == nil and err.vendorcode == nil, tostring(err))

-- Cut at the NUL, this would delete every row: it is refused before the engine sees it.
ok, err = pcall(exec.statement, exec, "DELETE FROM qz_err\0 WHERE id = 2")
assert(not ok and err:find("NUL byte at position 19", 1, true), err)
ok, err = pcall(qz.create, "DATABASE.JDBCDB\0junk")
assert(not ok and err:find("class name with a NUL byte is refused", 1, true), err)
ok, err = pcall(function() return exec["execute\0junk"] end)
assert(not ok and err:find("member name with a NUL byte is refused", 1, true), err)
ok, err = pcall(qz.call, exec, "execute\0junk")
assert(not ok and err:find("NUL byte", 1, true), err)

-- '' apart from NULL per record set, and a value beyond its buffer read whole.
local rs = db:createObject("RECORDSET")
assert(rs:option("EMPTYISNULL", 0) == 1)
local query = rs:transaction("SQLEXEC")
query:statement("SELECT id, v FROM qz_err ORDER BY id")
query:execute()
local fields = rs:collection(1)
local seen = {}
while rs.Eof == 0 do
  local v = fields:Field("V", 3)
  if fields:Cut("V") == 1 then v = fields:FullText("V") end
  seen[#seen + 1] = {v = v, indicator = fields:Field("V", 4), byIndex = fields:Field(1, 3)}
  -- Field of two numbers reads through the accessor's native slot: what the call by name reads.
  for c = 0, 1 do
    for code = 0, 5 do assert(fields:Field(c, code) == qz.call(fields, "Field", c, code)) end
  end
  rs:fetch(3, 0)
end
assert(#seen == 3)
assert(seen[1].v == "" and seen[1].indicator == 0)
assert(seen[2].v == nil and seen[2].indicator == -1 and seen[2].byIndex == nil)
assert(seen[3].v == string.rep("x", 9000))
-- nil is NULL (above); a column the result does not have is an error that names it.
local okName, byName = pcall(fields.Field, fields, "NAEM", 3)
assert(not okName and tostring(byName):find("Field: the result has no column 'NAEM' %(2 columns: ID, V%)"),
       tostring(byName))
local okCase, byCase = pcall(fields.field, fields, "NAEM", 3)  -- any spelling of Field
assert(not okCase and tostring(byCase):find("no column 'NAEM'"), tostring(byCase))
local okIndex, byIndex = pcall(qz.call, fields, "Field", 7, 3)
assert(not okIndex and tostring(byIndex):find("no column 7 %(2 columns"), tostring(byIndex))
okIndex, byIndex = pcall(fields.Field, fields, 2, 3)
assert(not okIndex and tostring(byIndex):find("no column 2 %(2 columns"), tostring(byIndex))
for _, far in ipairs {1 << 40, 2.0 ^ 32} do  -- never a column of the low 32 bits
  okIndex, byIndex = pcall(fields.Field, fields, far, 3)
  assert(not okIndex and tostring(byIndex):find("no column"), tostring(byIndex))
end
assert(query:columnType(0) == 4 and query:columnType(1) == 12)  -- INTEGER, VARCHAR
assert(query:columnInfo(1, "precision") == 20000 and query:columnInfo(1, "typename") == "VARCHAR")
local badInfo, infoErr = pcall(query.columnInfo, query, 1, "colour")
assert(not badInfo and tostring(infoErr):find("columnInfo takes precision, scale or typename"))
assert(query:cancel() == 0 and rs:cancel() == 0)                -- nothing in flight

local meta = db:createObject("RECORDSET")
local lists = meta:transaction("SQLEXEC")
lists:metadata("columns", "PUBLIC", "QZ_ERR")
local columns = meta:collection(1)
local names = {}
while meta.Eof == 0 do
  names[#names + 1] = columns:Field("COLUMN_NAME", 3) .. " " .. columns:Field("TYPE_NAME", 3)
  meta:fetch(3, 0)
end
assert(table.concat(names, ",") == "ID INTEGER,V VARCHAR", table.concat(names, ","))
local members = {}
for _, m in ipairs(qz.members(meta)) do members[m.name] = m end
assert(members.fetch.kind == "method" and members.fetch.arguments == 2, "fetch")
assert(members.Eof.kind == "property" and members.cancel.arguments == 0, "Eof, cancel")
ok, err = pcall(function() return meta:fecth(3, 0) end)
assert(not ok and err.description == "Object call failed", tostring(err))
assert(err.detail:find("has no member 'fecth' (did you mean 'fetch'?)", 1, true), err.detail)
ok, err = pcall(function() return meta:fetch(3) end)
assert(err.detail:find("method 'fetch' of .* takes 2 arguments, got 1"), err.detail)
assert(tostring(err):find("Object call failed (method 'fetch'", 1, true), tostring(err))
ok, err = pcall(function() return meta:fetch({}, 0) end)
assert(err.detail:find("argument 1 of 'fetch' of .* is not of a type it takes"), err.detail)

ok, err = pcall(lists.metadata, lists, "triggers", "", "")
assert(not ok and tostring(err):find("metadata takes tables, schemas", 1, true), tostring(err))
db:close()
