-- os.exit ends the run at once with its status, even inside pcall, after the same orderly
-- shutdown: objects released, output flushed.
-- expect status: 3
-- expect stdout: before exit
-- forbid stdout: after exit
-- forbid stderr: still
local e = qz.create("QZTEST.ECHO")
KEPT = e:child()
io.write("before exit\n")
pcall(os.exit, 3)
print("after exit")
