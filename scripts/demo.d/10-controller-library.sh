# The controller library against the simulated RAID controller: adapter
# list, then one process through open, FIBs, events, tasks and the trace.
sim="$SOURCE/platform/qorsim"
run="$SOURCE/tests/sandbox/kor-sandbox -- $sim/qorsim-run $BUILD/platform/qorsim/libqorsim_preload.so"
echo "--- adapters"
$run "$sim/examples/two-adapters.json" "$BUILD/tests/fsa/adapters/fsa_probe" enum || exit 1
echo "--- main road on qor0"
$run "$sim/examples/two-adapters.json" "$BUILD/tests/fsa/adapters/fsa_probe" scenario qor0 || exit 1
echo "--- no adapters"
$run "$sim/examples/no-adapters.json" "$BUILD/tests/fsa/adapters/fsa_probe" enum
