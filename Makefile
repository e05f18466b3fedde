# Front door. `make run` and `make test` do all set-up on a fresh Debian machine.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR ?= OFF
SANITIZE ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTESSIVO_WERROR=$(WERROR) \
              -DTESSIVO_SANITIZE=$(SANITIZE)

.PHONY: all deps configure build run test lint bench fuzz install package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The program and its MIDI files only: no test or benchmark is built before the window shows.
run:
	@bash scripts/install-deps.sh build
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tessivo
	./$(BUILD)/tessivo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# Formatting and clang-tidy (scripts/lint.sh); the build is only configured, not compiled.
lint:
	@bash scripts/install-deps.sh lint
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@bash scripts/lint.sh $(BUILD)

bench: build
	@bash scripts/install-deps.sh bench
	@bash scripts/run-bench.sh $(BUILD)

fuzz: deps
	@bash scripts/run-fuzz.sh

install:
	@bash scripts/install-deps.sh build
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tessivo
	cmake --install $(BUILD) --strip

# The Debian package, built the Debian way from a copy of the tree: build-package/tessivo_*.deb.
package:
	@bash scripts/install-deps.sh package
	@bash scripts/build-package.sh build-package

clean:
	rm -rf $(BUILD) build-package
