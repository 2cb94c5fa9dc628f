-- References: one per wrapper, given back when the wrapper goes. qz.liveObjects() counts the
-- wrappers that hold one; the Refs property is the object's own reference count.
local start = qz.liveObjects()
do
  local e = qz.create("QZTEST.ECHO")
  assert(qz.liveObjects() == start + 1 and e.Refs == 1)
  -- However often an object comes back, it has one wrapper holding one reference.
  for _ = 1, 100 do assert(rawequal(e:echo(e), e)) end
  assert(e.Refs == 1 and qz.liveObjects() == start + 1)
  -- Objects held by objects, and in arrays.
  local c = e:child()
  assert(c.Refs == 1)
  e.Value = c
  assert(c.Refs == 2 and rawequal(e.Value, c))
  e.Value = nil
  assert(c.Refs == 1)
  -- An object no one else held comes back from its own members in its one wrapper (the
  -- first read of a name, a later one, and qz.get).
  for _ = 1, 2 do
    local fresh = e:child()
    assert(rawequal(fresh.Self, fresh) and fresh.Refs == 1)
  end
  local fresh = e:child()
  assert(rawequal(qz.get(fresh, "Self"), fresh))
  -- Its name before and after its first use, and an object stored and read back from a
  -- coroutine (which has wrappers of its own state).
  local made = e:child()
  local name = tostring(made)
  coroutine.wrap(function()
    e.Value = made
    assert(rawequal(e.Value, made) and made.Refs == 2)
  end)()
  assert(tostring(made) == name and name:find("QZTEST", 1, true), name)
  e.Value = nil
  local t = e:echo(c, c, e)
  assert(rawequal(t[1], c) and rawequal(t[3], e) and c.Refs == 1)
  -- Failed calls keep nothing.
  for _ = 1, 100 do pcall(e.failNested, e, "x") end
  assert(e.Refs == 1 and c.Refs == 1)
end
qz.collect()
assert(qz.liveObjects() == start)

for _ = 1, 1000 do local _ = qz.create("QZTEST.ECHO"):child() end
qz.collect()
assert(qz.liveObjects() == start)
-- A wrapper collected while its object lives on: the object comes back in one new wrapper.
do
  local holder = qz.create("QZTEST.ECHO")
  holder.Value = qz.create("QZTEST.ECHO")
  qz.collect()
  local back = holder.Value
  assert(back.Refs == 2 and rawequal(holder.Value, back))
end
qz.collect()
assert(qz.liveObjects() == start)

-- Released early: qz.release and to-be-closed variables.
local e = qz.create("QZTEST.ECHO")
local keep = qz.create("QZTEST.ECHO")
keep.Value = e
assert(e.Refs == 2)
qz.release(e)
qz.release(e)
assert(qz.liveObjects() == start + 1)
local ok, err = pcall(function() return e.Value end)
assert(not ok and err:find("released", 1, true), err)
-- A name already resolved for the class (Refs, read above) still meets the released check.
ok, err = pcall(function() return e.Refs end)
assert(not ok and err:find("released", 1, true), err)
ok, err = pcall(keep.echo, keep, e)
assert(not ok and err:find("released", 1, true), err)
assert(tostring(e) == "qz object (released)")
-- The object lives on in keep and comes back in a new wrapper.
local again = keep.Value
assert(not rawequal(again, e) and again.Refs == 2)
do
  local scoped <close> = qz.create("QZTEST.ECHO")
  assert(qz.liveObjects() == start + 3)
end
assert(qz.liveObjects() == start + 2)
keep.Value = nil
assert(again.Refs == 1)
again, keep = nil, nil
qz.collect()
assert(qz.liveObjects() == start)

-- Blocks the state freed are handed out again (qzhost keeps small ones per size): what is made
-- from them, and grown from them, keeps every value, over several rounds of collection.
for round = 1, 3 do
  local made = {}
  for size = 1, 300 do
    local t = {string.rep(string.char(65 + size % 26), size), size}
    for i = 3, size % 40 + 3 do t[i] = i * round end
    made[size] = t
  end
  local o = qz.create("QZTEST.ECHO")
  o.Value = made[120][1]
  qz.collect()
  for size = 1, 300 do
    local t = made[size]
    assert(t[1] == string.rep(string.char(65 + size % 26), size) and t[2] == size)
    for i = 3, size % 40 + 3 do assert(t[i] == i * round) end
  end
  assert(o.Value == made[120][1])
end
qz.collect()
assert(qz.liveObjects() == start)

-- Left in a global at the end: closing the state releases it (qzhost checks that).
KEPT = qz.create("QZTEST.ECHO"):child()
