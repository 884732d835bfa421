#!/bin/sh
# The Fibre Channel HBA diagnostic korfiber, through the stand-in host
# library and the stand-in SDM library serving the example adapters (two
# QLA2312 cards, one of whose ports is not ready, and one other model that
# is filtered out).
set -u
PROG="$BUILD/src/PCIFiberDiag/korfiber"
export QLSDM_STANDIN_FILE="$SOURCE/platform/sdm/examples/adapters.json"

echo "\$ korfiber list"
"$PROG" list
echo "exit code $?"

echo
echo "\$ korfiber run -d 0 -t 0   (NVRAM test on the dual-port card)"
"$PROG" run -d 0 -t 0
echo "exit code $? (0: passed)"

echo
echo "\$ korfiber run -d 1 -t 1   (state test on the card whose port is not ready)"
"$PROG" run -d 1 -t 1
echo "exit code $? (2: failed)"

echo
echo "\$ korfiber run -t 1 --stop-after-polls 1   (each port check takes 1.5 s; the host stops the test)"
QLSDM_STANDIN_FILE="$SOURCE/platform/sdm/examples/slow-adapter.json" "$PROG" run -t 1 --stop-after-polls 1
echo "exit code $? (8: aborted)"
