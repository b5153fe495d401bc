# make run   installs what is missing, builds, starts Pelmora
# make test  installs what is missing, builds, runs every test
# make bench builds Release and runs the benchmarks and the peer timings
# make install    installs the programs, the plugin and the desktop files
#                 (PREFIX, default /usr/local; DESTDIR for a staging folder;
#                 QT_PLUGIN_DIR when Qt's own plugin folder is not writable)
# make uninstall  removes what the last install put in place
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
# Line tables only: backtraces and sanitizer reports keep file and line, and
# the build is a quarter (the sanitizer build half) cheaper than with full -g.
# -O3 as in the benchmarks' build: at -O2 GCC vectorises almost none of the
# readers' and effects' row loops, so users would run slower code than the
# figures say (the build takes about 3% longer).
DEBUG_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG"
ASAN_DEBUG_FLAGS = -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
QT_PLUGIN_DIR ?=

.PHONY: all build run test bench fuzz fuzz-build fuzz-replay test-asan clean packages install uninstall

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

# Desktops read MIME types, menus and icons through caches: a live install
# (no DESTDIR) refreshes those of the share folder $(1) that the system has tools for.
define refresh_desktop_caches
	@if [ -z "$(DESTDIR)" ]; then \
	  ! command -v update-mime-database >/dev/null || update-mime-database "$(1)/mime"; \
	  ! command -v update-desktop-database >/dev/null || update-desktop-database -q "$(1)/applications"; \
	  ! command -v gtk-update-icon-cache >/dev/null || gtk-update-icon-cache -q -t -f "$(1)/icons/hicolor"; \
	fi
endef

install: build
	$(if $(QT_PLUGIN_DIR),cmake -DPELMORA_QT_PLUGIN_DIR="$(QT_PLUGIN_DIR)" $(BUILD))
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	@# What is now in place, DESTDIR included; kept apart from CMake's
	@# manifest, which the install test rewrites.
	sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt > $(BUILD)/installed-files.txt
	$(call refresh_desktop_caches,$(PREFIX)/share)

# Removes exactly the files the last install put in place, and the data
# folder of our own when that leaves it empty.
uninstall:
	@test -f $(BUILD)/installed-files.txt || { echo "No install to undo: $(BUILD)/installed-files.txt is missing"; exit 1; }
	xargs -d '\n' rm -f < $(BUILD)/installed-files.txt
	sed -n 's|/Pelmora.txt$$||p' $(BUILD)/installed-files.txt | xargs -r -d '\n' rmdir --ignore-fail-on-non-empty
	$(call refresh_desktop_caches,$(shell sed -n 's|/mime/packages/pelmora.xml$$||p' $(BUILD)/installed-files.txt))
	rm $(BUILD)/installed-files.txt

clean:
	rm -rf $(BUILD) build-bench build-asan build-fuzz
