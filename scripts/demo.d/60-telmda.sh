#!/bin/sh
# Card data-access module: the management host stand-in loads libtelmda.so
# over the example card (SMIL_STANDIN_FILE), sends it one request at a time
# (name=value words, "qvacmd" names the command) and prints its XML answer;
# --log adds the command-log entries that setting commands write. Every
# answer ends with its status node <SMStatus> (0: done).
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "libtelmda, the card data-access module (Linux shared library, a plug-in of the management host)" \
    "each request gets its XML answer with the expected status; settings are logged, the password never shows"
export SMIL_STANDIN_FILE="$SOURCE/platform/mgmthost/examples/card.json"
telmda() {
    echo "\$ telmda-host $*"
    show "$BUILD/platform/mgmthost/telmda-host" --module "$BUILD/src/telmda/libtelmda.so" --log "$@"
}
# The answer (the output's first line) is well-formed XML.
well_formed() {
    head -n 1 "$out" | sed 's/^/<answer>/; s/$/<\/answer>/' | xmllint --noout - 2>/dev/null
}

telmda qvacmd=getmenucomps
expect_code 0 "answered"
expect_text "<IsTYMCPresent>1</IsTYMCPresent></TYMC><SMStatus>0</SMStatus>" "the card is present"
expect_true "the answer is well-formed XML" well_formed

echo
telmda qvacmd=getrscnetworkconf
expect_code 0 "answered"
expect_text "<Gateway>192.168.1.1</Gateway>" "the card's network settings"
expect_true "the answer is well-formed XML" well_formed

echo
telmda qvacmd=setrscnetworkconf qvausrinfo=admin RSCGateway=192.168.1.254 RSCNICEnable=true
expect_code 0 "answered"
expect_text "<Param name=\"RSCGateway\"><Old>192.168.1.1</Old><New>192.168.1.254</New></Param>" \
    "the change is in the command log, old and new value, with the user"

echo
telmda qvacmd=setrscipaddress
expect_code 0 "answered"
expect_text "<CmdHelp>qvausrinfo input missing or bad</CmdHelp><SMStatus>269</SMStatus>" \
    "a setting without the user's name is refused with status 269"

echo
telmda qvacmd=nosuchcommand
expect_code 1 "telmda-host got no answer from the module: an unknown command is not answered"
expect_no_text "<SMStatus>" "no answer printed"

echo
echo "(each run below is a fresh host over the example card)"
telmda qvacmd=getrscuserlist
expect_text '<TYMCUserList count="2">' "the card's two users"
expect_true "the answer is well-formed XML" well_formed
telmda qvacmd=getrscnextavailableuser
expect_text '<SMStatus msg="oid 401">0</SMStatus>' "the next free user entry"
telmda qvacmd=setrscuserentry qvausrinfo=admin RSCUserName=operator RSCUserPassword=secret \
    RSCUserEmailAddress=op@example.com
expect_text '<Param name="RSCUserName"><Value>operator</Value></Param>' "the new user, logged"
expect_no_text "secret" "the password appears in neither the answer nor the log"

echo
echo "(a certificate upload through the card's tool; the tool's stand-in records its call)"
export PATH="$BUILD/platform/vorlic/bin:$PATH"
export VORLIC_STANDIN_LOG="$work/vorlic.log"
telmda qvacmd=sslcertupload RSCSSLCertFilename=cert.pem RSCSSLCertType=server
expect_text "<SMStatus>0</SMStatus>" "done"
expect_text '["sslcertupload","-tserver","-f","cert.pem"]' "the card tool got the upload" \
    "$VORLIC_STANDIN_LOG"
finish
