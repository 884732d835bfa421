#!/bin/sh
# Sweepix, the Windows clean-up program, run silently under wine on a
# fixture: an ini file names files, directories and a registry key to
# remove; the files and keys it does not name must stay.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
. "$SOURCE/scripts/demo.d/lib/wine.sh"
shows "Sweepix, the Windows clean-up program (run under wine)" \
    "it removes what its ini file names, and only that"
fixture="$WINEPREFIX/drive_c/kordemo"
rm -rf "$fixture"
mkdir -p "$fixture/cache/sub" "$fixture/logs" "$fixture/data/sub"
for file in old.log keep.txt cache/sub/a.tmp logs/today.log data/sub/kept.txt; do
    echo x >"$fixture/$file"
done
cp "$WINBUILD/src/windows/Sweepix/Sweepix.exe" "$fixture/"
win reg add 'HKCU\Software\KorDemo\Settings' /v Level /d 3 /f >/dev/null
win reg add 'HKCU\Software\KorDemoKeep' /v Level /d 3 /f >/dev/null
printf '%s\r\n' '[FILES_TO_DELETE]' 'C:\kordemo\old.log' 'C:\kordemo\missing.txt' \
    '[DIRECTORIES_TO_DELETE]' 'C:\kordemo\cache' \
    '[DIRECTORIES_TO_DELETE_IF_EMPTY]' 'C:\kordemo\logs' 'C:\kordemo\data' \
    '[REGISTRY_TO_DELETE]' 'HKEY_CURRENT_USER\Software\KorDemo' >"$fixture/sweep.ini"
echo "--- C:\\kordemo\\sweep.ini"
sed 's/^/    /' "$fixture/sweep.ini" | tr -d '\r'
echo "    (a directory \"to delete if empty\" goes when it holds files only, no subdirectory)"

echo
echo "\$ Sweepix.exe /s /o /fC:\\kordemo\\sweep.ini /lC:\\kordemo\\sweep.log   (silent)"
show win "$fixture/Sweepix.exe" /s /o '/fC:\kordemo\sweep.ini' '/lC:\kordemo\sweep.log'
echo "--- C:\\kordemo\\sweep.log, the actions' part (they run in a fixed order: registry keys"
echo "    first, then files, then directories)"
tr -d '\r' <"$fixture/sweep.log" | sed -n '/^Deleting registry keys/,/^END/p' | grep . | sed 's/^/    /'
echo "(the exit code is the last non-zero result of the actions; an action answers 1 when it"
echo "changed something, but file and directory deletions always answer 0)"
expect_code 1 "the registry deletion, the only action here that can answer 1, deleted its key"
expect_true "old.log deleted" test ! -e "$fixture/old.log"
expect_true "the cache tree deleted" test ! -e "$fixture/cache"
expect_true "logs (files only) deleted" test ! -e "$fixture/logs"
expect_true "data (with a subdirectory) kept, with its file" test -e "$fixture/data/sub/kept.txt"
expect_true "keep.txt, not named, kept" test -e "$fixture/keep.txt"
expect_true "the key HKCU\\Software\\KorDemo deleted" \
    sh -c "! '$WINE64' reg query 'HKCU\\Software\\KorDemo' >/dev/null 2>&1"
expect_true "the key HKCU\\Software\\KorDemoKeep, not named, kept" \
    sh -c "'$WINE64' reg query 'HKCU\\Software\\KorDemoKeep' >/dev/null 2>&1"
win reg delete 'HKCU\Software\KorDemoKeep' /f >/dev/null
rm -rf "$fixture"
finish
