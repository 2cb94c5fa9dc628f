-- The connection (DATABASE.JDBCDB): connect to a data source of jdbc.cfg, group statements
-- into a transaction by switching auto-commit off, commit or roll back, close.
--
--   qzhost examples/connection.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = qz.create("DATABASE.JDBCDB")

-- A failed connect raises a call error; its inner level names the step that failed and why.
local ok, err = pcall(db.connect, db, "no-such-source", "SA", "")
check(not ok and err.inner.source == "ZIRUV:CONNECT::RegisterDBDriver", "connect to no-such-source")
print("connect to no-such-source: " .. err.inner.description)
-- Unconnected, the connection makes none of the objects that need the database.
check(db:createObject("SQLEXEC") == nil, "an SQLEXEC without a connection")

-- The login time-out (seconds) holds for the connects that follow.
db:option("CONNECTTIMEOUT", 10)
db:connect(example.dsn, "SA", "")
print("connected to " .. example.dsn)

local run = example.runner(db)
-- What the table holds now, as "id:note" pairs.
local function notes()
  local rs, fields = example.query(db, "SELECT id, note FROM conn_notes ORDER BY id")
  local seen = {}
  while rs.Eof == 0 do
    seen[#seen + 1] = fields:Field("id", 3) .. ":" .. fields:Field("note", 3)
    rs:fetch(3, 0)
  end
  return table.concat(seen, " ")
end

run("DROP TABLE IF EXISTS conn_notes")
run("CREATE TABLE conn_notes (id INTEGER PRIMARY KEY, note VARCHAR(40))")

-- After connect every statement commits as it runs. Option 1 (auto-commit) 0 turns that off:
-- what follows waits for commit or rollback.
check(db:option(1, 0) == 1, "auto-commit off")
run("INSERT INTO conn_notes VALUES (1, 'kept')")
db:commit()
run("INSERT INTO conn_notes VALUES (2, 'lost')")
run("UPDATE conn_notes SET note = 'changed' WHERE id = 1")
print("before rollback: " .. notes())
db:rollback()
print("after rollback:  " .. notes())
check(notes() == "1:kept", "the rollback keeps only what was committed")

-- Auto-commit on again: each statement is committed on its own.
db:option(1, 1)
run("INSERT INTO conn_notes VALUES (3, 'auto')")

-- close answers 1, and 0 when nothing was open; a closed connection connects again.
check(db:close() == 1 and db:close() == 0, "close twice")
ok, err = pcall(db.commit, db)
check(not ok and err.inner.source == "ZIRUV:COMMIT", "commit without a connection")
print("commit when closed: " .. err.inner.source)
db:connect(example.dsn, "SA", "")
print("after reconnect: " .. notes())
check(notes() == "1:kept 3:auto", "the committed rows outlive the connection")
db:close()
