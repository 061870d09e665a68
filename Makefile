# Entry points people type. Every target installs what is missing first.
#   make demo   build everything, then compile and extract the bundled example
#   make test   build both presets and run every test, native (ASan and UBSan, and
#               the engine's under TSan) and under Wine
#   make bench  build the native release and run the benchmarks
#   make release  build everything, then dist/release/ and dist/KestroSetup.exe
#   make screenshots  render the wizard's pages and dialogs into docs/screenshots/

SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all deps build build-linux build-windows test test-native test-windows demo bench release screenshots clean

all: build

deps:
	@scripts/install-deps

build-windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

build-linux: deps build-windows
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j $(JOBS)

build: build-windows build-linux

test-native: deps build-windows
	@cmake --preset linux-asan >/dev/null
	@cmake --build --preset linux-asan -j $(JOBS)
	@ctest --preset linux-asan -j $(JOBS)
	@cmake --preset linux-tsan >/dev/null
	@cmake --build --preset linux-tsan -j $(JOBS)
	@ctest --preset linux-tsan

test-windows: deps build-windows
	@ctest --preset windows

test: test-native test-windows

demo: build
	@scripts/demo

bench: build-linux
	@scripts/bench

release: build
	@scripts/release

screenshots: deps build-windows
	@scripts/screenshots

clean:
	rm -rf build dist
