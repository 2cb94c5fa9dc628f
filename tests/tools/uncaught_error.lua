-- An error nobody catches: every level of the chain is printed, one per line, and qzhost
-- exits with 1.
-- expect status: 1
-- expect stderr: qzhost: .*uncaught_error\.lua:[0-9]+: methode:failNested: Object call failed
-- expect stderr: \n  inner: echo:outer: lost connection\n  inner: echo:inner: the root cause\n
-- expect stderr: stack traceback:
-- forbid stderr: still
local e = qz.create("QZTEST.ECHO")
e:failNested("lost connection")
print("not reached")
