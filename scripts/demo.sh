#!/usr/bin/env bash
# The demo: installs what is missing, builds, makes an embedded HSQLDB file database and its
# jdbc.cfg in a folder of the user's own (no root, no server), runs examples/demo.lua in
# qzhost, then a qzsql query on the same data, and says how to go on.
#
#   bash scripts/demo.sh               the whole demo
#   bash scripts/demo.sh --core BUILD  only the demo itself, with the programs of an existing
#                                      build tree (the tests run it this way)
#
# The data folder is ${XDG_DATA_HOME:-$HOME/.local/share}/qzjdbc/demo. Running the demo again
# starts its tables afresh; a jdbc.cfg already there is kept (a [demo] block is added when it
# has none).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--core" ]; then
  build=${2:?"--core needs the build folder"}
else
  bash scripts/install-deps.sh
  build=build
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target qzjdbc qzhost qzsql
  bash scripts/make-cds.sh
fi
qzhost=$build/tools/qzhost/qzhost
qzsql=$build/tools/qzsql/qzsql

data=${XDG_DATA_HOME:-$HOME/.local/share}/qzjdbc/demo
mkdir -p "$data"
config=$data/jdbc.cfg
if ! grep -qi '^\[demo\]' "$config" 2>/dev/null; then
  # shutdown=true: the files are complete once the last connection closes.
  cat >>"$config" <<CFG
[demo]
URL = jdbc:hsqldb:file:$data/db/demo;shutdown=true
DriverClass = org.hsqldb.jdbc.JDBCDriver
ServerDB = qzjdbc demo (HSQLDB file database)
CFG
fi

# jdbc.cfg is found at $KESTRAN_USER/jdbc.cfg. Registry stores could name another
# KESTRAN_USER and win over the environment: for the demo there are none.
export KESTRAN_USER=$data
export QZ_REGISTRY_USER=$data/no-registry
export QZ_REGISTRY_MACHINE=$data/no-registry

echo "== data folder: $data"
"$qzhost" examples/demo.lua demo

echo
echo "== the same data through qzsql"
"$qzsql" demo -c "SELECT c.name, c.city, COUNT(o.id) AS orders, SUM(o.amount) AS total
                    FROM customers c LEFT JOIN orders o ON o.customer_id = c.id
                   GROUP BY c.id, c.name, c.city ORDER BY c.id" -c '\d orders'

cat <<TEXT
== how to go on
Open the demo database at the prompt (line editing, history, \\? for help):
    KESTRAN_USER=$data $qzsql demo
Connect a PostgreSQL database: add a block to $config, for example
    [shop]
    URL = jdbc:postgresql://localhost:5432/shop?stringtype=unspecified
    DriverClass = org.postgresql.Driver
and run
    KESTRAN_USER=$data $qzsql shop -U ann        (the password: \$QZSQL_PASSWORD, or it asks)
Write scripts of your own like examples/demo.lua:
    KESTRAN_USER=$data $qzhost examples/demo.lua demo
TEXT
