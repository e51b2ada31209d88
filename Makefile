# Entry points; everything real happens in CMake.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench asan clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Builds, makes the bundled sample and opens it.
run: build
	@cmake --build $(BUILD_DIR) --target sample >/dev/null
	@$(BUILD_DIR)/bin/morvik $(BUILD_DIR)/sample/sample.avi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@cmake --build $(BUILD_DIR) --target benchmarks
	@bash bench/run.sh $(BUILD_DIR)

# Tests under AddressSanitizer and UBSan, in a build folder of their own.
asan:
	@$(MAKE) test BUILD_DIR=build-asan BUILD_TYPE=Debug CMAKE_FLAGS=-DMORVIK_SANITIZE=ON

clean:
	rm -rf $(BUILD_DIR) build-asan
