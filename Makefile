# `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
PRESET ?= dev
BUILD := build/$(PRESET)
FUZZ_SECONDS ?= 30

.PHONY: all deps configure build run test asan bench fuzz format clean

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build --preset $(PRESET)

run: build
	cd $(BUILD) && ./tamocnc

test: build
	ctest --preset $(PRESET)

asan:
	$(MAKE) test PRESET=asan

bench: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev --target parse_bench
	build/dev/bench/parse_bench

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	fuzz/run_all.sh $(FUZZ_SECONDS) build/fuzz

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
