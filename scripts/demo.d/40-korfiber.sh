#!/bin/sh
# The Fibre Channel HBA diagnostic korfiber, through the stand-in host
# library and the stand-in SDM library serving the example adapters (two
# QLA2312 cards, one of whose ports is not ready, and one other model that
# is filtered out). Exit codes: 0 passed, 2 failed, 8 aborted.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "korfiber, the Fibre Channel HBA diagnostic (Linux program)" \
    "it lists the supported cards, passes a good port, fails the port that is not ready and stops when the host asks"
cd "$work" || exit 1
korfiber() {
    show "$BUILD/src/PCIFiberDiag/korfiber" "$@"
}
export QLSDM_STANDIN_FILE="$SOURCE/platform/sdm/examples/adapters.json"

echo "\$ korfiber list"
korfiber list
expect_code 0 "the adapters were enumerated"
expect_text "devices: 2" "the two QLA2312 cards; the other model is left out"
echo "    (a device descriptor longer than 80 characters is split over VarnDeviceDNAstr and"
echo "    VarnDeviceDNAstr2)"

echo
echo "\$ korfiber run -d 0 -t 0   (NVRAM test on the dual-port card)"
korfiber run -d 0 -t 0
expect_code 0 "passed"
expect_text 'warning: 0 " "' "the summary: event 0, test completed successfully"

echo
echo "\$ korfiber run -d 1 -t 1   (state test on the card whose port is not ready)"
korfiber run -d 1 -t 1
expect_code 2 "failed"
expect_text 'error: 151 " "' "event 151: the HBA state test failed"

echo
echo "\$ korfiber run -t 1 --stop-after-polls 1   (each port check takes 1.5 s; the host stops the test)"
export QLSDM_STANDIN_FILE="$SOURCE/platform/sdm/examples/slow-adapter.json"
korfiber run -t 1 --stop-after-polls 1
expect_code 8 "aborted"
expect_text "stop: after 1 polls" "the host asked the test to stop"
expect_text 'warning: 1 " "' "event 1, aborted: said once as the progress loop stops, once as the summary"
finish
