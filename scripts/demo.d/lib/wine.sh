# Wine for the demo steps of the Windows files (sourced after checks.sh):
# the x86-64 build of the Windows tree ($WINBUILD) runs under wine64 in a
# prefix of the demo's own, made at its first use.
export WINEPREFIX="$WINBUILD/demo-wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "(making the demo's wine prefix $WINEPREFIX)"
    "$SOURCE/cmake/wine-prefix-make" "$WINEPREFIX" >/dev/null 2>&1 ||
        { echo "WRONG: wineboot could not make the prefix"; exit 1; }
fi
# One wine server for the whole step, ended with it.
wineserver -p
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
win() {
    "$WINE64" "$@"
}
