-- Failed calls as error values: tables with source, description, inner and where.
local e = qz.create("QZTEST.ECHO")

-- A handler's own message and source.
local ok, err = pcall(e.fail, e, "the disk is full", "echo:store")
assert(not ok and type(err) == "table")
assert(err.source == "echo:store" and err.description == "the disk is full" and err.inner == nil)
assert(err.where:find("errors%.lua:%d+: $"), err.where)
assert(tostring(err) == err.where .. "echo:store: the disk is full")
assert("failed: " .. err == "failed: " .. tostring(err) and err .. "!" == tostring(err) .. "!")

-- An error object carried by the failure, with its own inner one: three levels.
ok, err = pcall(e.failNested, e, "lost connection")
assert(err.source == "methode:failNested" and err.description == "Object call failed")
assert(err.inner.source == "echo:outer" and err.inner.description == "lost connection")
assert(err.inner.inner.source == "echo:inner" and err.inner.inner.description == "the root cause")
assert(err.inner.inner.inner == nil)
local lines = {}
for line in tostring(err):gmatch("[^\n]+") do lines[#lines + 1] = line end
assert(#lines == 3, tostring(err))
assert(lines[1] == err.where .. "methode:failNested: Object call failed")
assert(lines[2] == "  inner: echo:outer: lost connection")
assert(lines[3] == "  inner: echo:inner: the root cause")

-- Arguments that do not convert name their position; counts no row takes do not.
ok, err = pcall(e.add, e, 1, "two")
assert(err.source == "methode:add(Para:2)" and err.description == "Object call failed")
ok, err = pcall(e.add, e, 1)
assert(err.source == "methode:add" and err.description == "Object call failed")

-- Error values pass through error() and nested pcalls unchanged.
ok, err = pcall(function()
  local _, inner = pcall(e.fail, e, "m", "s")
  error(inner)
end)
assert(not ok and err.source == "s" and err.description == "m")

-- Failures in the script's own use of qz are messages with a position.
ok, err = pcall(qz.create, "NO.SUCH.CLASS")
assert(not ok and err:find("cannot create class 'NO.SUCH.CLASS' (status 1)", 1, true), err)
ok, err = pcall(qz.call, "not an object", "x")
assert(not ok and err:find("qz object expected, got string", 1, true), err)
ok, err = pcall(qz.call, {}, "x")
assert(not ok and err:find("errors.lua:", 1, true), err)

-- A failed call leaves the object usable.
assert(e:add(1, 2) == 3)
