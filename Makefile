# make run   installs what is missing, builds, starts Pelmora
# make test  installs what is missing, builds, runs every test
# make bench builds Release and runs the benchmarks and the peer timings
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
# Line tables only: backtraces and sanitizer reports keep file and line, and
# the build is a quarter (the sanitizer build half) cheaper than with full -g.
DEBUG_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
ASAN_DEBUG_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

FUZZ_SECONDS ?= 60

.PHONY: all build run test bench fuzz fuzz-build fuzz-replay test-asan clean packages

all: build

packages:
	@setup/ensure-packages.sh build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEBUG_FLAGS) $(CMAKE_FLAGS)

build: packages $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/pelmora $(ARGS)

test:
	@setup/ensure-packages.sh build test
	@$(MAKE) --no-print-directory build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench:
	@setup/ensure-packages.sh build bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPELMORA_BUILD_BENCH=ON -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_APP=ON
	cmake --build build-bench -j$(JOBS)
	bench/run.sh build-bench

# The whole test suite again with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	@setup/ensure-packages.sh build test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo $(ASAN_DEBUG_FLAGS) -DPELMORA_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)

# The fuzzers: clang with libFuzzer and sanitizers, in build-fuzz/.
build-fuzz/CMakeCache.txt:
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo $(ASAN_DEBUG_FLAGS) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPELMORA_FUZZ=ON

fuzz-build:
	@setup/ensure-packages.sh build fuzz
	@$(MAKE) --no-print-directory build-fuzz/CMakeCache.txt
	cmake --build build-fuzz -j$(JOBS)

fuzz: fuzz-build
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS) 2

fuzz-replay: fuzz-build
	fuzz/run.sh build-fuzz 0 2

clean:
	rm -rf $(BUILD) build-bench build-asan build-fuzz
