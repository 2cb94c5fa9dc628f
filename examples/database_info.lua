-- Database information (DATABASEINFO): what a connection is connected to. Each property is
-- asked anew at every read, so one object follows its connection through connect and close.
--
--   databasename     the data source's ServerDB in jdbc.cfg
--   dbmsname         the database product, from the driver
--   dbmsversion      its version
--   dbiid            the engine's class name
--   connectionState  1 open, 2 closed, 0 never connected
--
--   qzhost examples/database_info.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = qz.create("DATABASE.JDBCDB")
-- The object can be made before the connect; then only its state and class name answer.
local info = db:createObject("DATABASEINFO")
print(("before connect: state %d, class %s"):format(info.connectionState, info.dbiid))
check(info.connectionState == 0 and info.dbiid == "DATABASE.JDBCDB", "before connect")

db:connect(example.dsn, "SA", "")
print(("connected to '%s': %s %s, state %d"):format(info.databasename, info.dbmsname,
                                                   info.dbmsversion, info.connectionState))
check(info.connectionState == 1 and info.dbmsname ~= "" and info.dbmsversion ~= "", "when open")

-- Closed, the product questions raise: they need the driver. The name comes from jdbc.cfg.
db:close()
local ok, err = pcall(function() return info.dbmsname end)
check(not ok and err.description == "cant read dbms name", "the product of a closed connection")
print(("closed: state %d, databasename '%s', dbmsname: %s"):format(info.connectionState,
                                                                  info.databasename,
                                                                  err.description))
check(info.connectionState == 2, "the state when closed")
