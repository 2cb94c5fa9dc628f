-- The SQL execution object (SQLEXEC): one statement text, run by execute as often as needed.
-- A text with SELECT in its first six characters runs as a query, any other (DDL included) as
-- an update. The rows an update touched are answered by a record set's own SQLEXEC.
--
--   qzhost examples/sql_exec.lua [data source]      (default data source: demo)
local example = dofile(arg[0]:match("^(.-)[^/\\]*$") .. "example.lua")
local check = example.check

local db = example.connect()
local run, exec = example.runner(db)

run("DROP TABLE IF EXISTS exec_items")
run([[CREATE TABLE exec_items (id INTEGER PRIMARY KEY, name VARCHAR(40), price DECIMAL(8, 2),
                                stock INTEGER)]])
-- Quoted literals travel as bound parameters: '' inside one is a quote, nothing else is special.
run("INSERT INTO exec_items VALUES (1, 'Tea', 4.50, 10)")
run("INSERT INTO exec_items VALUES (2, 'O''Neil''s biscuits', 2.20, 5)")
run("INSERT INTO exec_items VALUES (3, 'Kaffeemühle', 89.90, 1)")

-- execute runs the same statement again each time.
exec:statement("UPDATE exec_items SET stock = stock - 1 WHERE id = 1")
for _ = 1, 3 do exec:execute() end

-- SQLEXEC has no member for the update count; the record set's Count gives it when its
-- statement was an update.
local counter = db:createObject("RECORDSET")
local update = counter:transaction("SQLEXEC")
update:statement("UPDATE exec_items SET price = price * 2 WHERE price < 5")
update:execute()
print(("price doubled on %d items"):format(counter.Count))
check(counter.Count == 2, "the update count")

-- A query, counted and read through its record set.
local rs, fields, query = example.query(db, "SELECT name, price, stock FROM exec_items ORDER BY id")
local lines = {}
while rs.Eof == 0 do
  lines[#lines + 1] = ("%s | %.2f | %d"):format(fields:Field(0, 3), fields:Field(1, 3),
                                               fields:Field(2, 3))
  rs:fetch(3, 0)
end
print(table.concat(lines, "\n"))
check(#lines == 3 and lines[1] == "Tea | 9.00 | 7" and lines[2]:find("O'Neil's", 1, true),
      "the rows after the updates")

-- Only SELECT near the start makes a query: a WITH query goes to the driver as an update,
-- which refuses it. Failures raise a call error whose inner level has the driver's message.
exec:statement("WITH cheap AS (SELECT name FROM exec_items WHERE price < 5) SELECT name FROM cheap")
local ok, err = pcall(exec.execute, exec)
check(not ok and err.inner.source == "ZIRUV:execute", "a WITH query run as an update")
print("WITH ... SELECT: " .. err.inner.description)
exec:statement("SELEC name FROM exec_items")
ok, err = pcall(exec.execute, exec)
check(not ok and err.inner.source == "ZIRUV:execute", "a misspelt statement")
print("SELEC: " .. err.inner.description)

-- The object stays usable after a failure; running the query again shows the new rows.
run("DELETE FROM exec_items WHERE stock < 2")
query:execute()
print(("%d items left in stock"):format(rs.Count))
check(rs.Count == 2, "the rows after the delete")
db:close()
