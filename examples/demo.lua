-- The qzjdbc demo: a small shop in a database, driven through the engine's objects by member
-- name, as any script of the host drives them. scripts/demo.sh runs it:
--
--   qzhost examples/demo.lua [data source]      (default data source: demo)
--
-- It makes two tables with keys, fills them with rows that hold NULLs and text beyond
-- ASCII, walks a join through a record set, changes one row through the field accessor's
-- native setField and the record set's update, prints the table information of a table,
-- and commits. It drops its tables first, so it can run any number of times.
local dsn = arg[1] or "demo"

local function step(text)
  print("\n== " .. text)
end

local function show(v)
  if v == nil then return "NULL" end
  return tostring(v)
end

step("connect to data source '" .. dsn .. "'")
local db = qz.create("DATABASE.JDBCDB")
db:connect(dsn, "SA", "")
local info = db:createObject("DATABASEINFO")
print(("connected to %s %s (%s)"):format(info.dbmsname, info.dbmsversion, info.databasename))
-- Auto-commit off: everything below is one transaction, committed at the end.
db:option(1, 0)

local exec = db:createObject("SQLEXEC")
local function run(sql)
  exec:statement(sql)
  exec:execute()
end

step("two tables with keys")
run("DROP TABLE IF EXISTS orders")
run("DROP TABLE IF EXISTS customers")
run([[CREATE TABLE customers (
        id INTEGER PRIMARY KEY,
        name VARCHAR(60) NOT NULL,
        city VARCHAR(60))]])
run([[CREATE TABLE orders (
        id INTEGER PRIMARY KEY,
        customer_id INTEGER NOT NULL REFERENCES customers (id),
        item VARCHAR(60) NOT NULL,
        amount DECIMAL(10, 2),
        ordered DATE)]])
print("customers (id primary key), orders (id primary key, customer_id foreign key)")

step("rows with NULLs and text beyond ASCII")
-- Every quoted literal goes to the database as a bound parameter, so a date is written as
-- CAST('...' AS DATE): a typed literal (DATE '...') would leave the database a bare "?".
local customers = {
  {1, "Zoë Müller", "Zürich"},
  {2, "山田 太郎", "東京"},
  {3, "Ólafur Þórsson", nil},
  {4, "Ann O'Neil", "Cork"},
}
for _, c in ipairs(customers) do
  local city = c[3] and ("'" .. c[3] .. "'") or "NULL"
  run(("INSERT INTO customers VALUES (%d, '%s', %s)"):format(c[1], c[2]:gsub("'", "''"), city))
end
run("INSERT INTO orders VALUES (10, 1, 'Kaffeemühle', 89.90, CAST('2024-03-05' AS DATE))")
run("INSERT INTO orders VALUES (11, 2, '急須 (teapot)', 45.00, CAST('2024-03-07' AS DATE))")
run("INSERT INTO orders VALUES (12, 2, 'Matcha', NULL, NULL)")
run("INSERT INTO orders VALUES (13, 4, 'Tea towel', 7.50, CAST('2024-04-01' AS DATE))")
print("4 customers, 4 orders")

step("a join, walked through a record set")
local rs = db:createObject("RECORDSET")
local query = rs:transaction("SQLEXEC")
query:statement([[SELECT c.name AS customer, o.item, o.amount, o.ordered
                    FROM orders o JOIN customers c ON c.id = o.customer_id
                   ORDER BY o.id]])
query:execute()
local fields = rs:collection(1)
local names = {}
for i = 0, fields.Count - 1 do names[#names + 1] = fields:Field(i, 1) end
print(table.concat(names, " | "))
local months = {"January", "February", "March", "April", "May", "June", "July", "August",
                "September", "October", "November", "December"}
local weekdays = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}
-- The first row is already loaded: read the fields, then move on.
while rs.Eof == 0 do
  local amount = fields:Field("amount", 3)
  local ordered = fields:Field("ordered", 3)
  local when = "NULL"
  if ordered then
    -- A date value object: years since 1900, months from 0, Day is the day of the week.
    when = ("%s %d, a %s"):format(months[ordered.Month + 1], ordered.Year + 1900,
                                  weekdays[ordered.Day + 1])
  end
  print(("%s | %s | %s | %s"):format(fields:Field("customer", 3), fields:Field("item", 3),
                                     amount and ("%.2f"):format(amount) or "NULL", when))
  rs:fetch(3, 0)
end
print(("(%d rows, as Count counts them)"):format(rs.Count))

step("one row changed through setField and update")
local change = db:createObject("RECORDSET")
local native = qz.native(change, "DATABASE.RECORDSET")
native:option(1, 2)  -- a scrollable result ...
native:option(2, 2)  -- ... that can be updated
local pick = change:transaction("SQLEXEC")
pick:statement("SELECT id, name, city FROM customers WHERE id = 3")
pick:execute()
local row = change:collection(1)
print(("before: %s lives in %s"):format(row:Field("name", 3), show(row:Field("city", 3))))
qz.native(row, "DATABASE.RECORDSETFIELDS"):setField("city", 3, "Reykjavík")
change:update()
local check = db:createObject("RECORDSET")
local again = check:transaction("SQLEXEC")
again:statement("SELECT name, city FROM customers WHERE id = 3")
again:execute()
local now = check:collection(1)
print(("after:  %s lives in %s"):format(now:Field("name", 3), show(now:Field("city", 3))))

step("table information of ORDERS")
local tableInfo = db:createObject("TABLEINFO")
tableInfo.tablename = "ORDERS"
tableInfo:execute()
local result = tableInfo.result
print(("table %s.%s"):format(result:tableinfo(3), result:tableinfo(1)))
local roles = {[1] = "", [2] = "primary key", [3] = "foreign key"}
for i = 0, result.countColumns - 1 do
  local ok, role = pcall(result.columnInfo, result, i, 5)
  print(("  %-12s JDBC type %4d, size %3d  %s"):format(result:columnInfo(i, 1),
                                                      result:columnInfo(i, 6),
                                                      result:columnInfo(i, 7),
                                                      ok and roles[role] or "(keys unknown)"))
end

step("commit")
db:commit()
db:close()
print("committed and closed")
