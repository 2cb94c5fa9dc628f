-- Member access by name: properties, methods and the rule between them, on an object that
-- describes itself (QZTEST.ECHO) and on one that does not (QZTEST.PLAIN).
for _, class in ipairs {"QZTEST.ECHO", "QZTEST.PLAIN"} do
  local e = qz.create(class)
  local ok, err

  -- Properties read and written; member names ignore case.
  assert(e.Value == nil)
  e.Value = 42
  assert(e.Value == 42 and e.value == 42 and e.VALUE == 42)
  e.value = "text"
  assert(e.Value == "text")
  e.Value = e:child()
  assert(qz.isObject(e.Value) and tostring(e.Value):find(class, 1, true))
  e.Value = nil
  assert(e.Value == nil)

  -- Methods through the colon; the function is the member, not bound to one object.
  assert(e:add(2, 3) == 5 and e:ADD(2, 3) == 5)
  assert(type(e.add) == "function")
  local other = qz.create(class)
  assert(e.echo(other, 7) == 7 and rawequal(e.add, other.add))
  ok, err = pcall(e.add, 1, 2)
  assert(not ok and err:find("call it as obj:add(...)", 1, true), err)

  -- A name with a property read and a method reads the property; qz.call reaches the method.
  assert(e.Both == "property" and qz.call(e, "Both") == "method")

  -- A property whose read fails raises that failure; it never turns into a method.
  ok, err = pcall(function() return e.Broken end)
  assert(not ok and err.source == "echo:Broken" and err.description == "cannot read Broken")

  -- Names that no property read takes are methods; a call no row takes fails.
  assert(type(e.NoSuchMember) == "function")
  ok, err = pcall(function() return e:NoSuchMember(1) end)
  assert(not ok and err.source == "methode:NoSuchMember" and err.description == "Object call failed")
  e.WriteOnly = 9
  assert(e.Value == 9 and type(e.WriteOnly) == "function")
  ok, err = pcall(function() e.add = 1 end)
  assert(not ok and err.source == "methode:add", tostring(err))

  -- Explicit kinds.
  assert(qz.get(e, "Value") == 9)
  qz.set(e, "Value", 10)
  assert(e.Value == 10 and qz.call(e, "add", 4, 5) == 9)
  ok, err = pcall(qz.get, e, "Value", "extra")
  assert(not ok and err.source == "methode:Value")

  -- Only strings name members.
  ok, err = pcall(function() return e[1] end)
  assert(not ok and err:find("named by strings", 1, true), err)
  ok, err = pcall(function() e[true] = 1 end)
  assert(not ok and err:find("named by strings", 1, true), err)

  assert(tostring(e):find("qz object " .. class, 1, true) == 1)
  assert(getmetatable(e) == "qz.object")
end

-- A companion object of the host, reached the same way.
local env = qz.create("zeltools.zelenvcfg")
assert(env:resolveVar("no variables here") == "no variables here")
