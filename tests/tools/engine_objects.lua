-- Objects of the loaded engine, held until the state closes: they must go before the engine
-- is terminated and unloaded, or the exit would call into a terminated engine.
local first = qz.create("DATABASE.JDBCDB")
local second = qz.create("database.jdbcdb")
assert(qz.isObject(first) and not rawequal(first, second))
assert(type(first.connect) == "function" and type(first.commit) == "function")
KEPT = {first, second, qz.create("DATABASE.JDBCDB")}
