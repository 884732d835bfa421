#!/bin/sh
# Card data-access module: the host harness loads libtelmda.so over the
# management-host stand-ins and the example card, reads views and changes a
# setting (with its command-log entry).
set -u
HOST="$BUILD/platform/mgmthost/telmda-host"
MODULE="$BUILD/src/telmda/libtelmda.so"
export SMIL_STANDIN_FILE="$SOURCE/platform/mgmthost/examples/card.json"
run() {
    echo "--- telmda-host $*"
    "$HOST" --module "$MODULE" --log "$@"
    echo "(exit code $?)"
}
run qvacmd=getmenucomps
run qvacmd=getrscnetworkconf
run qvacmd=setrscnetworkconf qvausrinfo=admin RSCGateway=192.168.1.254 RSCNICEnable=true
run qvacmd=setrscipaddress
run qvacmd=nosuchcommand
