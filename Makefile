# Thin wrapper over CMake; every real rule lives in CMakeLists.txt and scripts/.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
PROGRAMS = cubalorn cubalorn-batch

.PHONY: deps programs build run install test fuzz bench gallery clean

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja

# The two programs alone: no tests, fuzzers or benchmarks.
programs: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAMS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: programs
	@scripts/run.sh $(BUILD_DIR)

# Both programs into $(PREFIX)/bin; media, shaders, examples and the
# configuration into $(PREFIX)/share/cubalorn, where they find them.
install: programs
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Every test in the normal build, then again with AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a fixed number of
# executions with a fixed seed (the same verdict on every run).
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	JOBS=$(JOBS) scripts/sanitize.sh
	JOBS=$(JOBS) scripts/fuzz.sh smoke

# Exploration: each fuzz target for FUZZ_SECONDS with a fresh seed, one at a
# time, with the executions of each.
FUZZ_SECONDS ?= 600
fuzz: deps
	JOBS=$(JOBS) scripts/fuzz.sh long $(FUZZ_SECONDS)

bench: build
	@scripts/bench.sh $(BUILD_DIR)

gallery: build
	@scripts/gallery.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
