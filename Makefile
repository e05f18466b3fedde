# Front door. `make run` and `make test` do all set-up on a fresh Debian machine.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR ?= OFF
SANITIZE ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTESSIVO_WERROR=$(WERROR) \
              -DTESSIVO_SANITIZE=$(SANITIZE)

# The WebAssembly build of the layers and of the unit and headless tests (cmake/web.cmake), run
# under node: Debian's emscripten, and the libraries it links built from Debian's sources into
# $(WEB_BUILD)/deps once. -O2 without debug information: emscripten's link with it is several
# times slower.
WEB_BUILD ?= build-web
WEB_CMAKE_FLAGS = -G Ninja -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
                  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
                  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DTESSIVO_WERROR=$(WERROR) \
                  -DTESSIVO_WEB_LIBRARIES=$(abspath $(WEB_BUILD))/deps/prefix \
                  -DTESSIVO_DESKTOP_SESSION=$(abspath $(BUILD))/accessibility_session \
                  $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# emcc's JavaScript optimiser needs Debian's acorn, which node finds only through NODE_PATH.
WEB_ENV = NODE_PATH=/usr/share/nodejs

.PHONY: all deps configure build run test test-web web serve-web lint bench fuzz install package clean

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

# The native tests, then the WebAssembly ones (after, not beside them: the native sound tests need
# a machine that is not loaded).
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300
	@$(MAKE) --no-print-directory test-web

# Orca reads the page in a desktop session the native build makes (accessibility_session).
test-web: configure
	@cmake --build $(BUILD) -j $(JOBS) --target accessibility_session
	@bash scripts/install-deps.sh web $(WEB_BUILD)/deps
	@$(WEB_ENV) cmake -S . -B $(WEB_BUILD) $(WEB_CMAKE_FLAGS) >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	cd $(WEB_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The program in the browser: $(WEB_BUILD)/site/, a folder of static files any web server can
# publish; serve-web serves it at http://127.0.0.1:8000/.
web:
	@bash scripts/install-deps.sh web $(WEB_BUILD)/deps
	@$(WEB_ENV) cmake -S . -B $(WEB_BUILD) $(WEB_CMAKE_FLAGS) >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target web_site

serve-web:
	node scripts/serve-web.mjs $(WEB_BUILD)/site 8000

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
	rm -rf $(BUILD) $(WEB_BUILD) build-package
