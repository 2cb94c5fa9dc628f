-- Expands installation variables in paths with the host's companion zeltools.zelenvcfg, the
-- way the engine expands the paths of its configuration files.
-- usage: qzhost examples/resolve_path.lua '$KESTRAN_SETUP/dbproxy.cfg' ...
local env = qz.create("zeltools.zelenvcfg")
if #arg == 0 then
  io.stderr:write("usage: qzhost resolve_path.lua PATH...\n")
  os.exit(2)
end
for _, path in ipairs(arg) do
  print(path .. " -> " .. env:resolveVar(path))
end
