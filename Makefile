# Top-level entry points. `make test` installs what is missing, builds the
# host, sanitizer and Windows trees, and runs every test level.

BUILD := build
HOST := $(BUILD)/host
ASAN := $(BUILD)/asan
WIN := $(BUILD)/win
WIN64 := $(BUILD)/win64
FUZZ := $(BUILD)/fuzz
JOBS ?= 2
FUZZ_SECONDS ?= 600
SOAK_SECONDS ?= 600

CONFIGURE := cmake -G Ninja -DCMAKE_BUILD_TYPE=Release

# Can this machine run 32-bit programs? (PANO_RUNS_32BIT=yes|no forces it.)
# The shipped 32-bit viewer is built everywhere; where 32-bit programs cannot
# run, the Windows programs run as the 64-bit build of the same sources.
RUNS_32BIT := $(shell tools/runs-32bit >/dev/null 2>&1; echo $$?)
ifeq ($(RUNS_32BIT),0)
RUN_TARGET := win
RUN_ARCH := win32
else ifeq ($(RUNS_32BIT),1)
RUN_TARGET := win64
RUN_ARCH := win64
else
$(error PANO_RUNS_32BIT must be yes, no or unset, not '$(PANO_RUNS_32BIT)')
endif
RUN_TREE := $(BUILD)/$(RUN_TARGET)
NO_32BIT_NOTE := this machine runs no 32-bit programs: the Windows tests run the 64-bit build of the same sources

SESSION_WIN := tools/wine-session --arch win32 $(WIN)/wineprefix
SESSION_WIN64 := tools/wine-session --arch win64 $(WIN64)/wineprefix
SESSION_RUN := tools/wine-session --arch $(RUN_ARCH) $(RUN_TREE)/wineprefix
# The soak's desktop: two monitors, the primary 1024 x 768 and 800 x 600
# right of it, in a prefix of its own (the session switches its Wine to
# Xinerama's monitors).
SOAK_SESSION := PANO_SCREEN=1824x768x24 PANO_MONITORS="1024x768+0+0 800x600+1024+0" \
  tools/wine-session --arch $(RUN_ARCH) $(RUN_TREE)/soak-prefix

.PHONY: all deps demo docs dist host asan win win64 fuzz-build fuzz bench bench-wine test test-host test-asan test-win test-e2e test-dist test-fuzz soak test-soak clean

all: host win

# The viewer on the built-in sample: on your display, or as a screenshot.
# It builds only what it shows: the packer, the samples and one viewer.
demo: $(HOST)/build.ninja $(RUN_TREE)/build.ninja
	cmake --build $(HOST) -j $(JOBS) --target panopack samples
	cmake --build $(RUN_TREE) -j $(JOBS) --target panoview
	tools/demo $(BUILD) $(RUN_TREE) $(RUN_ARCH)

deps:
	@tools/install-deps

# The release zip for Windows users: dist/panoview-VERSION-win32.zip.
dist: host win
	tools/make-dist $(BUILD) dist

# The README's pictures (docs/*.png), made by the end-to-end tooling.
docs: $(HOST)/build.ninja $(RUN_TREE)/build.ninja
	cmake --build $(HOST) -j $(JOBS) --target panopack samples
	cmake --build $(RUN_TREE) -j $(JOBS) --target panoview
	$(SESSION_RUN) tools/docs-screenshots $(BUILD) $(RUN_TREE) docs

$(HOST)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(HOST) -DPANO_VIEWER_STUB=$(CURDIR)/$(WIN)/bin/panoview.exe >/dev/null

$(ASAN)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(ASAN) -DPANO_SANITIZE=ON >/dev/null

$(WIN)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake >/dev/null

$(WIN64)/build.ninja: | deps
	$(CONFIGURE) -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake >/dev/null

$(FUZZ)/build.ninja: | deps
	CC=clang CXX=clang++ $(CONFIGURE) -S . -B $(FUZZ) -DPANO_FUZZ=ON >/dev/null

host: $(HOST)/build.ninja
	cmake --build $(HOST) -j $(JOBS)

asan: $(ASAN)/build.ninja
	cmake --build $(ASAN) -j $(JOBS)

win: $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS)

win64: $(WIN64)/build.ninja
	cmake --build $(WIN64) -j $(JOBS)

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

# Time to the first frame of packed viewers (32-bit where they run) under
# Wine against a minimal Direct3D program building the same textures, with
# the viewer's stages; then the shimmer of a slow turn beside its reference,
# the frames and CPU of paced frames beside the described loop's, and the
# frames of a slideshow's switches beside its ordinary ones.
bench-wine: host win $(RUN_TARGET)
	$(SESSION_RUN) bench/first-frame $(BUILD) $(RUN_TREE)
	$(SESSION_RUN) bench/shimmer $(BUILD) $(RUN_TREE)
	$(SESSION_RUN) bench/frame-rate $(BUILD) $(RUN_TREE)
	$(SESSION_RUN) bench/slide-frames $(BUILD) $(RUN_TREE)

test-host: host
	ctest --test-dir $(HOST) --output-on-failure -j $(JOBS)

test-asan: asan
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

# One Wine session (display, prefix, server) per Windows tree. Where 32-bit
# programs cannot run, the 32-bit tree keeps only its checks that need no
# Wine; where they run, the 32-bit tree makes the long SetView comparisons
# and the 64-bit one the rest.
test-win: win win64
ifeq ($(RUN_ARCH),win32)
	$(SESSION_WIN) ctest --test-dir $(WIN) --output-on-failure -j $(JOBS)
	$(SESSION_WIN64) ctest --test-dir $(WIN64) --output-on-failure -j $(JOBS) -LE dense
else
	@echo "$(NO_32BIT_NOTE)"
	ctest --test-dir $(WIN) --output-on-failure -LE wine
	$(SESSION_WIN64) ctest --test-dir $(WIN64) --output-on-failure -j $(JOBS)
endif

# Packed viewers run as a user would: the 32-bit product where it can run.
test-e2e: host win $(RUN_TARGET)
	$(SESSION_RUN) tests/e2e/run $(BUILD) $(RUN_TREE)

# The release zip, unpacked into a fresh Wine prefix as a Windows user
# would; its programs are 32-bit, so elsewhere only its listing is checked.
DIST_ZIP = dist/panoview-$$($(HOST)/panopack --version | cut -d' ' -f2)-win32.zip
test-dist: dist
ifeq ($(RUN_ARCH),win32)
	rm -rf $(BUILD)/dist-prefix
	tools/wine-session --arch win32 $(BUILD)/dist-prefix tests/e2e/dist_run $(BUILD) $(DIST_ZIP)
else
	@echo "this machine runs no 32-bit programs: the release zip is only listed"
	unzip -l $(DIST_ZIP)
endif

# Packed viewers under a seeded random stream of user input for SOAK_SECONDS
# (SOAK_SEED=N replays a run); `make test` runs it for 100 s.
soak: host win $(RUN_TARGET)
	$(SOAK_SESSION) tests/soak/run $(BUILD) $(RUN_TREE) $(SOAK_SECONDS)

test-soak: host win $(RUN_TARGET)
	$(SOAK_SESSION) tests/soak/run $(BUILD) $(RUN_TREE) 100

test: test-host test-asan test-win test-fuzz test-e2e test-dist test-soak

clean:
	rm -rf $(BUILD)
