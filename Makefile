# Orvetta: the two commands that matter on a fresh Debian 12 machine are `make demo` and `make test`.
# Both install what they need first (scripts/install-deps, apt-get).

BUILD       ?= build
ASAN_BUILD  ?= build-asan
FUZZ_BUILD  ?= build-fuzz
GENERATOR   ?= Ninja
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
SMOKE_FUZZ_SECONDS ?= 15
CCACHE      := $(shell command -v ccache 2>/dev/null)
LAUNCHER    := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)
# ccache caches sources built with a precompiled header only when told to ignore its macros' times.
export CCACHE_SLOPPINESS = pch_defines,time_macros

.PHONY: all deps build test unit-test asan-test fuzz fuzz-smoke demo bench screenshots format clean

all: build

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

unit-test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DORVETTA_SANITIZE=ON \
		-DORVETTA_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++-14 -DORVETTA_FUZZ=ON $(LAUNCHER) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	@bash scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	@bash scripts/run-fuzzers $(FUZZ_BUILD) $(SMOKE_FUZZ_SECONDS)

test: unit-test asan-test fuzz-smoke

demo: build
	@bash scripts/demo $(BUILD)

bench: build
	@$(BUILD)/bench/orvetta-bench --benchmark_min_time=0.2
	@$(BUILD)/bench/orvetta-server-bench

screenshots: build
	@bash scripts/screenshots $(BUILD)

format:
	@find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs -r clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# Installing. `make install` builds the two programs and installs them under PREFIX (the udev rule
# goes to /etc/udev/rules.d); `make package` builds the Debian package in $(PACKAGE_BUILD).
PREFIX        ?= /usr/local
INSTALL_BUILD ?= build-install
PACKAGE_BUILD ?= build-package

.PHONY: install package

install: deps
	@cmake -S . -B $(INSTALL_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_INSTALL_PREFIX=$(PREFIX) -DORVETTA_TESTS=OFF -DORVETTA_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build $(INSTALL_BUILD) -j $(JOBS)
	@cmake --install $(INSTALL_BUILD)

package: deps
	@cmake -S . -B $(PACKAGE_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_INSTALL_PREFIX=/usr -DORVETTA_TESTS=OFF -DORVETTA_BENCH=OFF $(LAUNCHER) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB
