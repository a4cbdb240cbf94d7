# Top-level entry points. `make test` installs what is missing, builds the
# host, sanitizer and Windows trees, and runs every test level.

BUILD := build
HOST := $(BUILD)/host
ASAN := $(BUILD)/asan
WIN := $(BUILD)/win
FUZZ := $(BUILD)/fuzz
JOBS ?= 2
FUZZ_SECONDS ?= 600

CONFIGURE := cmake -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps demo host asan win fuzz-build fuzz bench test test-host test-asan test-win test-e2e test-fuzz clean

all: host win

# The viewer on the built-in sample: on your display, or as a screenshot.
demo: host win
	tools/demo $(BUILD)

deps:
	@tools/install-deps

$(HOST)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(HOST) >/dev/null

$(ASAN)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(ASAN) -DPANO_SANITIZE=ON >/dev/null

$(WIN)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null

$(FUZZ)/build.ninja: | deps
	CC=clang CXX=clang++ $(CONFIGURE) -S . -B $(FUZZ) -DPANO_FUZZ=ON >/dev/null

host: $(HOST)/build.ninja
	cmake --build $(HOST) -j $(JOBS)

asan: $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)

win: $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS)

fuzz-build: $(FUZZ)/build.ninja
	cmake --build $(FUZZ) -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (make fuzz FUZZ_SECONDS=3600).
fuzz: fuzz-build
	tools/run-fuzzers $(FUZZ) $(FUZZ_SECONDS)

# A short run of each target, as part of the tests.
test-fuzz: fuzz-build
	tools/run-fuzzers $(FUZZ) 20

bench: host
	$(HOST)/bench/pano_bench

test-host: host
	ctest --test-dir $(HOST) --output-on-failure -j $(JOBS)

test-asan: asan
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

# One Wine session (display, prefix, server) for every Windows test.
test-win: win
	tools/wine-session $(WIN)/wineprefix ctest --test-dir $(WIN) --output-on-failure

# Packed viewers run as a user would, on the Windows tree's Wine prefix.
test-e2e: host win
	tools/wine-session $(WIN)/wineprefix tests/e2e/run $(BUILD)

test: test-host test-asan test-win test-fuzz test-e2e

clean:
	rm -rf $(BUILD)
