#!/usr/bin/env bash
# Makes the class-data archive of the JDBC drivers that the engine's VM maps at start (a fifth
# of a start saved), for the class path the engine computes: QZ_CLASSPATH, then the driver jars
# under /usr/share/java. The archive is ${XDG_CACHE_HOME:-$HOME/.cache}/qzjdbc/drivers.jsa (or
# QZ_CDS_ARCHIVE), with the class path beside it; run again after installing another driver.
set -euo pipefail
cd "$(dirname "$0")/.."

archive=${QZ_CDS_ARCHIVE-${XDG_CACHE_HOME:-$HOME/.cache}/qzjdbc/drivers.jsa}
[ -n "$archive" ] || { echo "make-cds: QZ_CDS_ARCHIVE is empty: no archive"; exit 0; }
classpath=${QZ_CLASSPATH:-}
for jar in hsqldb postgresql h2 derby sqlite-jdbc; do
  [ -f "/usr/share/java/$jar.jar" ] || continue
  classpath=${classpath:+$classpath:}/usr/share/java/$jar.jar
done
java=${JAVA_HOME:+$JAVA_HOME/bin/}java
mkdir -p "$(dirname "$archive")"
rm -f "$archive" "$archive.classpath"
# Source-file mode keeps the warm-up class off the class path, which must match the engine's.
"$java" -XX:ArchiveClassesAtExit="$archive" -Xlog:cds=off,cds+dynamic=off -cp "$classpath" \
  tools/cds/WarmUp.java
printf '%s' "$classpath" >"$archive.classpath"
echo "class-data archive: $archive"
