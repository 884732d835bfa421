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
# Card users (each run is a fresh host over the example card): the list, the
# next free entry, and adding a user.
run qvacmd=getrscuserlist
run qvacmd=getrscnextavailableuser
run qvacmd=setrscuserentry qvausrinfo=admin RSCUserName=operator RSCUserPassword=secret \
    RSCUserEmailAddress=op@example.com
# A certificate upload through the card's tool (the stand-in records its call).
export PATH="$BUILD/platform/vorlic/bin:$PATH"
export VORLIC_STANDIN_LOG="$(mktemp)"
run qvacmd=sslcertupload RSCSSLCertFilename=cert.pem RSCSSLCertType=server
echo "--- the card tool received: $(cat "$VORLIC_STANDIN_LOG")"
rm -f "$VORLIC_STANDIN_LOG"
