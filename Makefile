# make demo: install what is missing, build the release tree and the Windows
#            files the demo runs under wine, run the demo (fails when a step's
#            result is not the expected one).
# make test: install what is missing, check that the C and C++ files are laid
#            out as .clang-format says, build the sanitizer, ThreadSanitizer
#            (threaded code only), Windows (x86-64 and 32-bit) and fuzz trees
#            and run every test; every part runs even when one before it
#            failed, and the end lists the failed parts and tests.
# make test-tsan: build the ThreadSanitizer tree for the tests of threaded code
#            and run those (part of make test).
# make bench: build the release tree, run every benchmark and the peer
#            programs, print one table of the ratios (not part of make test).

PACKAGES := build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
            googletest libgtest-dev libgmock-dev libbenchmark-dev \
            nlohmann-json3-dev libssl-dev libxml2-dev libxml2-utils \
            python3 python3-pyftpdlib openjdk-17-jdk-headless \
            mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
            g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 \
            wine wine64 xvfb xauth iproute2 util-linux procps cron curl ccache \
            clang-format-14

# The peer programs bench/orbisk/peers.sh compares with (and its timer).
BENCH_PACKAGES := stressapptest memtester bc

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 5

.PHONY: all deps demo test check-format test-linux test-windows test-windows32 test-tsan test-fuzz tsan random-long bench clean

all: demo

deps:
	@scripts/install-deps $(PACKAGES)

# $(call build-tree,<configure preset>,<build preset>[,<targets>]): configure a
# tree and build it (only the targets, when named).
define build-tree
cmake --preset $(1)
cmake --build --preset $(2) -j $(JOBS)$(if $(3), --target $(3))
endef

# $(call test-tree,<configure preset>,<build and test preset>): configure and
# build a tree, then run its tests. The list of failed tests that CTest keeps
# is removed first, so that one found afterwards is this run's.
define test-tree
rm -f build/$(1)/$(FAILED_TESTS)
$(call build-tree,$(1),$(2))
ctest --preset $(2) -j $(JOBS)
endef

# Where CTest lists the failed tests of a tree's last run.
FAILED_TESTS := Testing/Temporary/LastTestsFailed.log

# The Windows files of the demo, from the x86-64 tree (run under wine).
DEMO_WINDOWS_TARGETS := Sweepix Haltrix HaltrixToolhelp kor_sleeper vorbdb_dll_call

demo: deps
	$(call build-tree,release,release)
	$(call build-tree,windows,windows,$(DEMO_WINDOWS_TARGETS))
	scripts/demo build/release build/windows

# The parts of make test, in their order. Each runs even when one before it
# failed; the end names every part that failed and the failed tests of every
# tree (scripts/test-summary).
TEST_PARTS := check-format test-linux test-tsan test-windows test-windows32 test-fuzz

test: deps
	@mkdir -p build && touch build/.make-test-started
	@failed=""; \
	for part in $(TEST_PARTS); do \
	    $(MAKE) --no-print-directory $$part || failed="$$failed $$part"; \
	done; \
	scripts/test-summary build/.make-test-started "$(FAILED_TESTS)" $$failed

# Formatting first: it takes seconds, the trees take many minutes.
check-format:
	scripts/check-format

test-linux:
	$(call test-tree,sanitize,sanitize)

test-windows:
	$(call test-tree,windows,windows)

test-tsan:
	$(call test-tree,tsan,tsan-threaded)

# The 32-bit Windows files cannot run here: their tests read them.
test-windows32:
	$(call test-tree,windows32,windows32)

test-fuzz:
	$(call build-tree,fuzz,fuzz)
	scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

# Every test but those in a JVM, in the ThreadSanitizer tree.
tsan:
	$(call test-tree,tsan,tsan)

# Not part of `make test`: a long random sequence of controller configuration
# calls under injected faults (SEED=N STEPS=N; the seed is printed).
SEED ?= $(shell date +%s)
STEPS ?= 1000
random-long:
	$(call build-tree,sanitize,sanitize,fsa_random_sequence_test)
	tests/sandbox/kor-sandbox -- build/sanitize/tests/fsa/sweep/fsa_random_sequence_test \
	    --seed=$(SEED) --steps=$(STEPS)

bench: deps
	@scripts/install-deps $(BENCH_PACKAGES)
	$(call build-tree,release,release)
	bench/run-all build/release

clean:
	rm -rf build
