#!/bin/sh
# vorbdb.dll, the install database for Windows, under wine: a small caller
# loads the DLL by name and calls its Java natives with a JNIEnv of its own,
# as a JVM would. The database is qvinstal.db in the Windows directory.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
. "$SOURCE/scripts/demo.d/lib/wine.sh"
shows "vorbdb.dll, the install database library for Windows (DLL, the Linux libvorbdb's sources)" \
    "records written through the DLL's natives are in the database file and read back; the one deleted alone goes and the other stays until all are deleted"
call="$WINBUILD/tests/vorbdb/vorbdb_dll_call.exe"
db="$WINEPREFIX/drive_c/windows/qvinstal.db"
rm -f "$db"
echo "vorbdb_dll_call.exe loads vorbdb.dll from its own directory, where the build copies it"
expect_true "that copy is the vorbdb.dll just built (src/vorbdb/vorbdb.dll)" \
    cmp -s "$WINBUILD/src/vorbdb/vorbdb.dll" "$(dirname "$call")/vorbdb.dll"

echo
echo "\$ vorbdb_dll_call set zutr installpath C:\\Zutr"
show win "$call" set zutr installpath 'C:\Zutr'
expect_code 0 "the call was made"
expect_text 'AuQVDBInstallUpdateString(15, "installpath", "C:\Zutr") -> 0' "the record was written"
echo "--- C:\\windows\\qvinstal.db"
tr -d '\r' <"$db" | sed 's/^/    /'
expect_text 'zutr.installpath=C:\Zutr' "one line per record, project.parameter=value" "$db"

echo
echo "\$ vorbdb_dll_call get zutr installpath"
show win "$call" get zutr installpath
expect_text 'AuQVDBInstallSelectString(15, "installpath") -> "C:\Zutr"' "the record read back"

# zutr_records: the database's records of zutr, one a line, in file order.
zutr_records() {
    tr -d '\r' <"$db" | grep '^zutr\.'
}
echo
echo "\$ vorbdb_dll_call set zutr uninstallstring 'unins.exe /s'; vorbdb_dll_call delete zutr uninstallstring"
show win "$call" set zutr uninstallstring 'unins.exe /s'
expect_text 'AuQVDBInstallUpdateString(15, "uninstallstring", "unins.exe /s") -> 0' \
    "a second record was written"
expect_text 'zutr.uninstallstring=unins.exe /s' "it is in the database file beside the first" "$db"
show win "$call" delete zutr uninstallstring
expect_text 'AuQVDBConvertStringToParameterID("uninstallstring") -> 5' "the parameter's number"
expect_text 'AuQVDBInstallDelete(15, 5) -> 0' "the record was deleted by its project's and parameter's numbers"
echo "--- C:\\windows\\qvinstal.db"
tr -d '\r' <"$db" | sed 's/^/    /'
expect_true "the deleted record is gone and the other one is as written" \
    test "$(zutr_records)" = 'zutr.installpath=C:\Zutr'

echo
echo "\$ vorbdb_dll_call delete-all zutr; vorbdb_dll_call get zutr installpath"
show win "$call" delete-all zutr
expect_text "AuQVDBInstallDeleteAll(15) -> 0" "the call succeeded"
expect_no_text "zutr." "the database file holds no record of zutr any more" "$db"
show win "$call" get zutr installpath
expect_text 'AuQVDBInstallSelectString(15, "installpath") -> null' "nothing left to read"
rm -f "$db"
finish
