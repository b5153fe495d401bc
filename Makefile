# make run   installs what is missing, builds, starts Pelmora
# make test  installs what is missing, builds, runs every test
# make bench builds Release and runs the benchmarks and the peer timings
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all build run test bench fuzz test-asan clean packages

all: build

packages:
	@setup/ensure-packages.sh build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

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

clean:
	rm -rf $(BUILD) build-bench build-asan build-fuzz
