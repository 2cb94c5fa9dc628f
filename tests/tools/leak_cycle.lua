-- An object that holds itself outlives every script reference; qzhost says so and fails.
-- expect status: 1
-- expect stderr: qzhost: 1 object\(s\) served by qzhost are still alive
local e = qz.create("QZTEST.ECHO")
e.Value = e
