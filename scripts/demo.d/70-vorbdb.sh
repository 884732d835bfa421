#!/bin/sh
# libvorbdb: the installer's native methods called from a real JVM write
# records of a project into the install database /etc/qvinstal.db, read them
# back and delete one. Runs in the sandbox, where /etc is private.
set -u
[ "${1:-}" = inside ] || exec "$SOURCE/tests/sandbox/kor-sandbox" -- sh "$0" inside
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "libvorbdb, the install database library (Linux shared library)" \
    "records written through the Java natives are in /etc/qvinstal.db and read back; the deleted one is gone"
javac -d "$work/classes" "$SOURCE/platform/java/vorbinst/tools/QVDBJIntf.java" \
    "$SOURCE/scripts/demo.d/lib/InstallDbCalls.java" || exit 1
rm -f /etc/qvinstal.db

echo "--- calls through the JVM (each with its result)"
show java -Xcheck:jni -Djava.library.path="$BUILD/src/vorbdb" -cp "$work/classes" InstallDbCalls
expect_code 0 "every call returned what it should"
echo "--- /etc/qvinstal.db afterwards (one line per record: project.parameter=value)"
sed 's/^/    /' /etc/qvinstal.db
expect_text "zutr.installpath=/opt/zutr" "the record written and not deleted" /etc/qvinstal.db
expect_no_text "zutr.uninstallstring" "the deleted record is gone" /etc/qvinstal.db
finish
