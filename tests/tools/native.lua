-- Native interfaces through qz.native, with the test interface QZTEST.NATIVE.
local start = qz.liveObjects()
for _, class in ipairs {"QZTEST.ECHO", "QZTEST.PLAIN"} do
  qz.collect()
  local e = qz.create(class)
  local n = qz.native(e, "QZTEST.NATIVE")
  assert(qz.liveObjects() == start + 2)
  assert(tostring(n):find("qz native QZTEST.NATIVE: ", 1, true) == 1)
  assert(n:add(2, 40) == 42 and n:ADD(-1, 1) == 0)
  local same = qz.native(e, "qztest.native")
  assert(same:add(1, 1) == 2)

  -- It reaches the same object.
  n:storeValue("stored natively")
  assert(e.Value == "stored natively")
  n:storeValue(e:child())
  assert(qz.isObject(e.Value))

  -- Several results.
  local q, r = n:divide(17, 5)
  assert(q == 3 and r == 2)

  -- Failures: the binding's texts, with the interface's error object as the inner level.
  local ok, err = pcall(n.add, n, 2147483647, 1)
  assert(not ok and err.source == "QZTEST.NATIVE::add")
  assert(err.description == "the sum does not fit 32 bits" and err.inner == nil)
  ok, err = pcall(n.fail, n, "refused")
  assert(err.source == "QZTEST.NATIVE::fail" and err.description == "failed with status 1")
  assert(err.inner.source == "QZTEST.NATIVE::fail" and err.inner.description == "refused")
  ok, err = pcall(n.add, n, "1", 2)
  assert(err.description == "argument 1: a 32-bit integer expected, got a string", err.description)
  ok, err = pcall(n.add, n, 1.5, 2)
  assert(err.description == "argument 1: a 32-bit integer expected, got a float")
  ok, err = pcall(n.add, n, 1)
  assert(err.description == "argument 2: a 32-bit integer expected, got nothing")
  assert(n:add(3.0, 4) == 7)

  ok, err = pcall(function() return n.nothing end)
  assert(not ok and err:find("has no bound method 'nothing'", 1, true), err)
  ok, err = pcall(n.add, e, 1, 2)
  assert(not ok and err:find("needs its QZTEST.NATIVE wrapper", 1, true), err)
  ok, err = pcall(function() n.x = 1 end)
  assert(not ok and err:find("no properties", 1, true), err)

  -- Each native wrapper holds its own reference.
  assert(e.Refs == 3)
  qz.release(same)
  assert(e.Refs == 2)
  ok, err = pcall(same.add, same, 1, 2)
  assert(not ok and err:find("released", 1, true), err)
end

-- An object without the interface, an interface without bindings, no object at all.
local env = qz.create("zeltools.zelenvcfg")
local ok, err = pcall(qz.native, env, "QZTEST.NATIVE")
assert(not ok and err:find("does not offer interface 'QZTEST.NATIVE' (status 2)", 1, true), err)
ok, err = pcall(qz.native, env, "NO.BINDINGS")
assert(not ok and err:find("no bindings for interface 'NO.BINDINGS'", 1, true), err)
ok, err = pcall(qz.native, 5, "QZTEST.NATIVE")
assert(not ok and err:find("qz object expected", 1, true), err)
env = nil
qz.collect()
assert(qz.liveObjects() == start)
