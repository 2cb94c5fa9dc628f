-- Rows(n, code) of two numbers reads through the field accessor's rows interface, building the
-- tables as the engine hands the values over; qz.call goes by name. Both must give the same
-- tables, move the record set alike and keep no reference.
local db = qz.create("DATABASE.JDBCDB")
db:connect("demo", "SA", "")
local exec = db:createObject("SQLEXEC")
local function run(sql)
  exec:statement(sql)
  return exec:execute()
end
run("DROP TABLE IF EXISTS qz_rows")
run([[CREATE TABLE qz_rows (id INT, b BIGINT, d DECIMAL(12,2), v VARCHAR(40), t TIMESTAMP,
                            day DATE, note VARCHAR(40))]])
run([[INSERT INTO qz_rows SELECT c, c * 1000003, c / 7.0,
        CASE MOD(c, 3) WHEN 0 THEN '' WHEN 1 THEN 'Reykjavík ' || CAST(c AS VARCHAR(9)) ELSE 'name ' || CAST(c AS VARCHAR(9)) END,
        TIMESTAMP '2024-01-02 03:04:05.25' + CAST(c AS INTERVAL SECOND(4)), DATE '2020-02-29' + CAST(c AS INTERVAL DAY(4)),
        CASE WHEN MOD(c, 10) = 0 THEN CAST('note' AS VARCHAR(40)) END
      FROM UNNEST(SEQUENCE_ARRAY(1, 300, 1)) AS s(c)]])
local sql = "SELECT id, b, d, v, t, day, note FROM qz_rows ORDER BY id"

local function open()
  local rs = db:createObject("RECORDSET")
  local q = rs:transaction("SQLEXEC")
  q:statement(sql)
  q:execute()
  return rs, rs:collection(1), q
end

local parts = {"Year", "Month", "Day", "Hour", "Minute", "Second", "Fraction"}
local function same(a, b, where)
  if qz.isObject(a) or qz.isObject(b) then
    assert(qz.isObject(a) and qz.isObject(b) and not rawequal(a, b), where)
    assert(tostring(a):match("^qz object (%S+)") == tostring(b):match("^qz object (%S+)"), where)
    for _, part in ipairs(parts) do
      local okA, x = pcall(function() return a[part] end)
      local okB, y = pcall(function() return b[part] end)
      assert(okA == okB and (not okA or x == y), where .. " " .. part)
    end
    return
  end
  assert(math.type(a) == math.type(b) and type(a) == type(b) and a == b,
         ("%s: %s %s"):format(where, tostring(a), tostring(b)))
end
local function sameBlock(a, b, where)
  assert(type(a) == type(b), where)
  if a == nil then return end
  local keys = {}
  for k in pairs(a) do keys[#keys + 1] = tostring(k) end
  local other = {}
  for k in pairs(b) do other[#other + 1] = tostring(k) end
  assert(table.concat(keys, " ") == table.concat(other, " "), where .. ": keys in order")
  assert(a.n == b.n and #a == #b, where)
  for i = 1, a.n do
    assert(a[i].n == b[i].n and #a[i] == #b[i], where)
    for c = 1, a[i].n do same(a[i][c], b[i][c], ("%s row %d column %d"):format(where, i, c)) end
  end
end
local function sameRow(a, b, where)
  assert(type(a) == type(b), where)
  if a ~= nil then sameBlock({a, n = 1}, {b, n = 1}, where) end
end

local start = qz.liveObjects()
for _, code in ipairs({3, 1, 2, 4, 9}) do
  for _, size in ipairs({1, 7, 256, 1000}) do
    local rsA, fA = open()
    local rsB, fB = open()
    local where = ("code %d, blocks of %d"):format(code, size)
    repeat
      local a, b = fA:Rows(size, code), qz.call(fB, "Rows", size, code)
      sameBlock(a, b, where)
      assert(rsA.Eof == rsB.Eof and fA:Field(0, 3) == fB:Field(0, 3), where)
    until a.n == 0
    for _, count in ipairs({0, -5}) do
      sameBlock(fA:Rows(count, code), qz.call(fB, "Rows", count, code), where)
    end
  end
end
-- Row(code) alike, on rows and past the end.
for _, code in ipairs({3, 1, 4, 7}) do
  local rsA, fA = open()
  local rsB, fB = open()
  for step = 1, 30 do
    local a, b = fA:Row(code), qz.call(fB, "Row", code)
    sameRow(a, b, ("Row(%d) at row %d"):format(code, step))
    for _ = 1, 13 do
      if rsA.Eof == 0 then rsA:fetch(3, 0) end
      if rsB.Eof == 0 then rsB:fetch(3, 0) end
    end
  end
  assert(rsA.Eof == 1 and rsB.Eof == 1)
end

-- Arguments the rows interface does not take go by name: answers and failures as by name.
do
  local rsA, fA = open()
  local rsB, fB = open()
  -- The same tables, or the same error but for the line each names.
  local function sameOutcome(member, same, ...)
    local okA, a = pcall(fA[member], fA, ...)
    local okB, b = pcall(qz.call, fB, member, ...)
    assert(okA == okB, tostring(a) .. " / " .. tostring(b))
    if okA then
      same(a, b, member .. "'s odd arguments")
    else
      local x, y = tostring(a):gsub("^[^:]*:%d+: ", ""), tostring(b):gsub("^[^:]*:%d+: ", "")
      assert(x == y, x .. " / " .. y)
    end
  end
  local function both(...)
    sameOutcome("Rows", sameBlock, ...)
    assert(rsA.Eof == rsB.Eof and fA:Field(0, 3) == fB:Field(0, 3))
  end
  both("many", 3)
  both(2, "3")
  both(2.0, 3)
  both(2.5, 3)
  both(2 ^ 40, 3)
  both(3, 2 ^ 33)
  both(2)
  both(2, 3, 4)
  for _, args in ipairs({{"3"}, {3.0}, {2 ^ 33}, {}, {3, 4}}) do
    sameOutcome("Row", sameRow, table.unpack(args))
  end
  local ok, err = pcall(fA.Rows, {}, 2, 3)
  assert(not ok and err:find("needs its object", 1, true), err)
end
qz.collect()
assert(qz.liveObjects() == start, "the date values' references go with their wrappers")

-- Finalizers run while the engine hands a block over: one that moves, reads and runs the
-- record set again under it must leave it sound (the values it reads are then its business).
do
  local rs, f, q = open()
  collectgarbage("incremental", 10, 400)
  local busy, inside = 0, 0
  local rowsFn = f.Rows
  local meta = {
    __gc = function()
      busy = busy + 1
      for level = 2, 40 do
        local info = debug.getinfo(level, "f")
        if not info then break end
        if info.func == rowsFn then
          inside = inside + 1
          if inside % 3 == 0 then
            q:statement(inside % 2 == 0 and "SELECT id FROM qz_rows" or sql)
            pcall(q.execute, q)
          end
          break
        end
      end
      pcall(rs.fetch, rs, 3, 0)
      pcall(f.Field, f, 0, 3)
    end,
  }
  local rows = 0
  for _ = 1, 40 do
    for _ = 1, 200 do setmetatable({}, meta) end
    local ok, block = pcall(f.Rows, f, 64, 3)
    if ok and block then rows = rows + block.n end
  end
  collectgarbage("incremental", 200, 100)
  collectgarbage("collect")
  assert(inside > 0 and rows > 0, "finalizers ran during the walk")
end
qz.collect()
assert(qz.liveObjects() == start)
