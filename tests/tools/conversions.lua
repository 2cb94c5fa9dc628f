-- Values crossing between Lua and objects, both ways, at their edges. QZTEST.ECHO's echo
-- hands back what it got, typeOf names the variant type it received and length the number of
-- bytes of the text it received.
local e = qz.create("QZTEST.ECHO")
local VT = {undef = 0, int = 1, float = 2, string = 4, object = 8, byte = 16, array = 0x8000}

-- Integers within 32 bits stay integers.
for _, v in ipairs {0, 1, -1, 2147483647, -2147483648} do
  assert(e:typeOf(v) == VT.int, v)
  local back = e:echo(v)
  assert(math.type(back) == "integer" and back == v, v)
end
-- Beyond 32 bits they travel as floats, exactly.
for _, v in ipairs {2147483648, -2147483649, 1 << 40, 1 << 53, -(1 << 53), math.mininteger} do
  assert(e:typeOf(v) == VT.float, v)
  local back = e:echo(v)
  assert(math.type(back) == "float" and back == v, v)
end
-- An integer that no float holds exactly is refused, not rounded.
for _, v in ipairs {(1 << 53) + 1, math.maxinteger, -(1 << 60) - 1} do
  local ok, err = pcall(e.echo, e, v)
  assert(not ok and err:find("fits neither 32 bits nor a float exactly", 1, true), err)
end

-- Floats keep their subtype and every bit.
for _, v in ipairs {0.0, 3.0, 0.1, -2.5, 1e308, -1e-308, 5e-324, math.huge, -math.huge} do
  assert(e:typeOf(v) == VT.float, v)
  local back = e:echo(v)
  assert(math.type(back) == "float" and back == v, v)
end
assert(1 / e:echo(-0.0) == -math.huge)
local nan = e:echo(0 / 0)
assert(nan ~= nan)

-- Strings: the object gets exactly the bytes, UTF-8 or not.
local long = string.rep("0123456789", 10000)
for _, s in ipairs {"", "plain", "héllo wörld", "日本語", "\u{1F600}", "\xff\xfe\x80", long} do
  assert(e:typeOf(s) == VT.string)
  assert(e:length(s) == #s, s)
  assert(e:echo(s) == s)
end
-- Object strings end at their first NUL; a string holding one is refused rather than cut.
local ok, err = pcall(e.echo, e, "ab\0cd")
assert(not ok and err:find("NUL byte at position 3", 1, true), err)
ok, err = pcall(function() e.Value = "\0" end)
assert(not ok and err:find("NUL", 1, true), err)
ok, err = pcall(e.echo, e, {"fine", "no\0t"})
assert(not ok and err:find("element 2: a string with a NUL", 1, true), err)

-- Booleans become 1 and 0; nil is undef and comes back nil.
assert(e:typeOf(true) == VT.int and e:echo(true) == 1 and e:echo(false) == 0)
assert(e:typeOf(nil) == VT.undef and e:echo(nil) == nil and e:echo() == nil)

-- Bytes come back as integers 0..255.
assert(e:toByte(200) == 200 and e:toByte(300) == 44 and e:toByte(-1) == 255)
assert(math.type(e:toByte(7)) == "integer")

-- Objects go as objects and come back as the same wrapper.
assert(e:typeOf(e) == VT.object)
assert(rawequal(e:echo(e), e))
local c = e:child()
assert(qz.isObject(c) and not rawequal(c, e) and not qz.isObject({}))

-- Arrays from the object side: 1-based tables with n, nested, with holes, bytes and objects.
local t = e:echo(1, "two", 3.5)
assert(#t == 3 and t.n == 3 and t[1] == 1 and t[2] == "two" and t[3] == 3.5)
local a = e:makeArray()
assert(a.n == 5 and a[1] == 1 and a[2] == nil and a[3] == "x" and rawequal(a[5], e))
assert(a[4].n == 2 and a[4][1] == 2.5 and a[4][2] == 200)

-- Tables to the object side: sequences become arrays, n counts holes, nesting is kept.
assert(e:typeOf({1, 2}) == VT.array and e:typeOf({}) == VT.array)
local back = e:echo({1, {2, {3}}, {}})
assert(back[1] == 1 and back[2][1] == 2 and back[2][2][1] == 3 and back[3].n == 0)
back = e:echo(table.pack(nil, 2, nil))
assert(back.n == 3 and back[1] == nil and back[2] == 2 and back[3] == nil)
back = e:echo(a)
assert(back.n == 5 and back[2] == nil and rawequal(back[5], e) and back[4][2] == 200)

-- Keys that are not indices would be lost: such tables are refused.
for _, bad in ipairs {{x = 1}, {[0] = 1}, {n = "3"}, {1, n = 0}, {[1.5] = 1}} do
  ok, err = pcall(e.echo, e, bad)
  assert(not ok and err:find("not a sequence", 1, true), err)
end
local loop = {}
loop[1] = loop
ok, err = pcall(e.echo, e, loop)
assert(not ok and err:find("nested deeper than 64", 1, true), err)

-- Values with no variant form.
for _, bad in ipairs {print, coroutine.create(print), io.stdout} do
  ok, err = pcall(e.echo, e, bad)
  assert(not ok and err:find("argument 1 of 'echo'", 1, true), err)
end
