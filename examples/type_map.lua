-- The system type map (SYSTYPEMAP): which value kind (1 integer, 2 floating point, 4 text) a
-- JDBC column type is read as, in place of the built-in choice. The connection keeps the map
-- it made last, and record sets read it when they describe a result.
--
--   addTranslation(jdbcType, kind)   a rule; the first rule for a type wins
--   getTranslation(jdbcType)         the kind of the rule, 0 when there is none
--
--   qzhost examples/type_map.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = example.connect()
example.runner(db)(
  "DROP TABLE IF EXISTS map_accounts",
  "CREATE TABLE map_accounts (id BIGINT, balance DECIMAL(20, 2), active BOOLEAN)",
  "INSERT INTO map_accounts VALUES (9007199254740993, 12345678901234567.89, TRUE)")

local function row()
  local _, f = example.query(db, "SELECT id, balance, active FROM map_accounts")
  return f:Field("id", 3), f:Field("balance", 3), f:Field("active", 3), f:Field("active", 2)
end

-- Built in, a BIGINT beyond 32 bits and a DECIMAL read as floating-point numbers, nearly
-- right; a BOOLEAN has no reading at all (kind 0, value nil).
local id, balance, active, kind = row()
print(("built in:  id %.17g, balance %.17g, active %s (kind %d)"):format(id, balance,
                                                                      tostring(active), kind))
check(math.type(id) == "float" and active == nil and kind == 0, "the built-in reading")

-- Read them as text: every digit exact, and the BOOLEAN's word. JDBC types: -5 BIGINT,
-- 3 DECIMAL, 16 BOOLEAN.
local map = db:createObject("SYSTYPEMAP")
map:addTranslation(-5, 4)
map:addTranslation(3, 4)
map:addTranslation(16, 4)
check(map:getTranslation(16) == 4 and map:getTranslation(12) == 0, "the rules")
id, balance, active = row()
print(("as text:   id %s, balance %s, active %s"):format(id, balance, active))
check(id == "9007199254740993" and balance == "12345678901234567.89" and active == "TRUE",
      "the mapped reading")

-- A new map starts empty and replaces the old one: the built-in reading is back.
db:createObject("SYSTYPEMAP")
id, balance, active = row()
print(("new map:   id %.17g, active %s"):format(id, tostring(active)))
check(math.type(id) == "float" and active == nil, "the reading with an empty map")
db:close()
