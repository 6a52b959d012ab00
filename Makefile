# `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
PRESET ?= dev
BUILD := build/$(PRESET)
FUZZ_SECONDS ?= 30
PREFIX ?= /usr/local

.PHONY: all deps configure build build-app run test asan bench fuzz format clean install package check-install screens

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build --preset $(PRESET)

# Only what `make run` starts: the windows, the headless tool and their libraries, not the tests.
APP_TARGETS := tamocnc tamocnc-sim
build-app: configure
	cmake --build --preset $(PRESET) --target $(APP_TARGETS)

run: build-app
	cd $(BUILD) && ./tamocnc

# The tests, then a check that they left no settings of their own in the build tree: a first
# `make run` after them must be a first start.
test: build
	tools/user-state-untouched.sh $(BUILD) ctest --preset $(PRESET)

# Into PREFIX (/usr/local), under DESTDIR when it is set: make install PREFIX=/opt/tamocnc DESTDIR=/tmp/stage
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, into build/<preset>/: sudo apt install ./build/dev/tamocnc_*.deb
package: build
	cmake --build --preset $(PRESET) --target package

# What CI proves of the install: tools/check-install.sh on this preset's build.
check-install: build
	tools/check-install.sh $(BUILD)

asan:
	$(MAKE) test PRESET=asan

bench: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev
	build/dev/bench/parse_bench
	build/dev/bench/check_bench
	test ! -x build/dev/bench/gui_bench || build/dev/bench/gui_bench
	build/dev/bench/timing_bench
	build/dev/tamocnc-sim latency --seconds 10

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	fuzz/run_all.sh $(FUZZ_SECONDS) build/fuzz

# The README's pictures, from the GUI tests' last run on the ci preset (ctest --preset ci).
SCREENS_FROM ?= build/ci/screens
SCREENS := jog_controls message_log point_history first_start_1366x768 first_start_1920x1080
screens:
	@for name in $(SCREENS); do test -f $(SCREENS_FROM)/$$name.png || \
		{ echo "$(SCREENS_FROM)/$$name.png is missing: run ctest --preset ci first" >&2; exit 1; }; done
	mkdir -p doc/screens
	cp $(SCREENS:%=$(SCREENS_FROM)/%.png) doc/screens/

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
