-- A plain Lua error: its message and position, exit status 1; objects are still released.
-- expect status: 1
-- expect stderr: qzhost: .*runtime_error\.lua:[0-9]+: plain failure
-- forbid stderr: still
-- forbid stdout: not reached
local e = qz.create("QZTEST.ECHO")
e.Value = e:child()
error("plain failure")
print("not reached")
