-- A script that does not compile: Lua's message, exit status 1.
-- expect status: 1
-- expect stderr: qzhost: .*syntax_error\.lua:[0-9]+: .*near
local x = = 1
