#!/bin/sh
# libtelm: a file sent to the simulated card and fetched back. The library
# reads the card's FTP account from the card (objects of group 16, over the
# card's framed protocol on 192.168.234.236) and moves the file over FTP to
# the card's FTP address 192.168.234.237, served here by a real FTP server.
# Runs in the sandbox, which gives loopback those addresses.
set -u
[ "${1:-}" = inside ] ||
    exec "$SOURCE/tests/sandbox/kor-sandbox" --addr 192.168.234.237 -- sh "$0" inside
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "libtelm, the card link library (Linux shared library)" \
    "a file sent to the card comes back byte for byte, and a file the card lacks is reported as failed"
cd "$work" || exit 1
mkdir ftproot

# start NAME READY_LINE COMMAND...: starts a background server, waits for its line.
start() {
    name=$1
    ready=$2
    shift 2
    "$@" >"$name.log" 2>&1 &
    echo $! >"$name.pid"
    for _ in $(seq 100); do
        grep -qF "$ready" "$name.log" && return 0
        sleep 0.1
    done
    echo "$name did not start:"
    cat "$name.log"
    return 1
}
stop_servers() {
    for pidfile in "$work"/*.pid; do
        [ -e "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
    done
    rm -rf "$work"
}
trap stop_servers EXIT
start cardsim "cardsim: ready" "$BUILD/platform/card/cardsim" \
    --config "$SOURCE/platform/card/examples/card.json" || exit 1
start ftpserver ready /usr/bin/python3 "$SOURCE/tests/telm/ftp_server.py" "$work/ftproot" \
    192.168.234.237 21 racuser racpass || exit 1
echo "the simulated card listens on 192.168.234.236 (user racuser, password racpass);"
echo "an FTP server with that account serves 192.168.234.237"

transfer() {
    /usr/bin/python3 "$SOURCE/scripts/demo.d/lib/telm_transfer.py" "$BUILD/src/telm/libtelm.so" "$@"
}
printf 'firmware image\r\nline two\n\000\377 binary tail' >report.bin

echo
echo "\$ tymPutFile(0x103, \"report.bin\", \"report.bin\")   (send the file to the card)"
show transfer put "$work/report.bin" report.bin
expect_code 0 "the call ran to its end"
expect_lines "the call returned 0: the upload completed" "result: 0"
expect_true "the card's copy is byte for byte the file sent" cmp -s report.bin ftproot/report.bin

echo
echo "\$ tymGetFile(0x103, \"fetched.bin\", \"report.bin\")   (fetch it back)"
show transfer get "$work/fetched.bin" report.bin
expect_code 0 "the call ran to its end"
expect_lines "the call returned 0: the download completed" "result: 0"
expect_true "the fetched file is byte for byte the one sent" cmp -s report.bin fetched.bin

echo
echo "\$ tymGetFile(0x103, \"missing.bin\", \"no-such-file\")   (a file the card does not have)"
show transfer get "$work/missing.bin" no-such-file
expect_code 0 "the call ran to its end"
expect_lines "the call returned 1: the download failed" "result: 1"
expect_true "no local file is left behind" test ! -e missing.bin
finish
