-- What the examples share: the data source named on the command line, a check that stops a
-- script where a result is not what it shows, a connection, and queries through record sets.
-- An example loads it from its own folder:
--
--   local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local example = {}

example.dsn = arg[1] or "demo"

function example.check(ok, what)
  if not ok then error("unexpected: " .. what, 2) end
end

-- A connection to the data source, as user SA without a password.
function example.connect()
  local db = qz.create("DATABASE.JDBCDB")
  db:connect(example.dsn, "SA", "")
  return db
end

-- A function that runs each statement it is given on one SQLEXEC of the connection, and that
-- SQLEXEC.
function example.runner(db)
  local exec = db:createObject("SQLEXEC")
  local function run(...)
    for _, sql in ipairs {...} do
      exec:statement(sql)
      exec:execute()
    end
  end
  return run, exec
end

-- A record set whose query has run, its fields (collection(1)) and its SQLEXEC. Cursor options
-- go through the native interface and must come before the query runs: options {[1] = 2} makes
-- the result scrollable, {[2] = 2} updatable.
function example.query(db, sql, options)
  local rs = db:createObject("RECORDSET")
  for key, value in pairs(options or {}) do
    qz.native(rs, "DATABASE.RECORDSET"):option(key, value)
  end
  local query = rs:transaction("SQLEXEC")
  query:statement(sql)
  query:execute()
  return rs, rs:collection(1), query
end

return example
