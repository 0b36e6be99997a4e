# Thin wrapper over CMake; every real rule lives in CMakeLists.txt and scripts/.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build run test bench gallery clean

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@scripts/bench.sh $(BUILD_DIR)

gallery: build
	@scripts/gallery.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
