# make demo: install what is missing, build the release tree and the Windows
#            files the demo runs under wine, run the demo (fails when a step's
#            result is not the expected one).
# make test: install what is missing, build the sanitizer, ThreadSanitizer
#            (threaded code only), Windows (x86-64 and 32-bit) and fuzz trees
#            and run every test.
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
            wine wine64 xvfb xauth iproute2 util-linux procps cron curl ccache

# The peer programs bench/orbisk/peers.sh compares with (and its timer).
BENCH_PACKAGES := stressapptest memtester bc

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 5

.PHONY: all deps demo test test-linux test-windows test-windows32 test-tsan test-fuzz tsan random-long bench clean

all: demo

deps:
	@scripts/install-deps $(PACKAGES)

# The Windows files of the demo, from the x86-64 tree (run under wine).
DEMO_WINDOWS_TARGETS := Sweepix Haltrix HaltrixToolhelp kor_sleeper vorbdb_dll_call

demo: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target $(DEMO_WINDOWS_TARGETS)
	scripts/demo build/release build/windows

test: deps
	$(MAKE) test-linux test-tsan test-windows test-windows32 test-fuzz

test-linux:
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

test-windows:
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	ctest --preset windows -j $(JOBS)

test-tsan:
	cmake --preset tsan
	cmake --build --preset tsan-threaded -j $(JOBS)
	ctest --preset tsan-threaded -j $(JOBS)

# The 32-bit Windows files cannot run here: their tests read them.
test-windows32:
	cmake --preset windows32
	cmake --build --preset windows32 -j $(JOBS)
	ctest --preset windows32 -j $(JOBS)

test-fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

# Every test but those in a JVM, in the ThreadSanitizer tree.
tsan:
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# Not part of `make test`: a long random sequence of controller configuration
# calls under injected faults (SEED=N STEPS=N; the seed is printed).
SEED ?= $(shell date +%s)
STEPS ?= 1000
random-long:
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS) --target fsa_random_sequence_test
	tests/sandbox/kor-sandbox -- build/sanitize/tests/fsa/sweep/fsa_random_sequence_test \
	    --seed=$(SEED) --steps=$(STEPS)

bench: deps
	@scripts/install-deps $(BENCH_PACKAGES)
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	bench/run-all build/release

clean:
	rm -rf build
