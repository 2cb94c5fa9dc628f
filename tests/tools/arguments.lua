-- Run as: qzhost --no-engine arguments.lua one "two words" ""
assert(arg[0]:find("arguments%.lua$"))
assert(#arg == 3 and arg[1] == "one" and arg[2] == "two words" and arg[3] == "")
assert(arg[-1] == "--no-engine" and arg[-2]:find("qzhost$") and arg[-3] == nil)
local a, b, c = ...
assert(select("#", ...) == 3 and a == "one" and b == "two words" and c == "")

-- Without an engine the host still serves its own classes, and only those.
assert(qz.create("zeltools.zelenvcfg"):resolveVar("x") == "x")
assert(not pcall(qz.create, "DATABASE.JDBCDB"))
assert(type(qz.version) == "string")
