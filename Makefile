# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench fuzz screenshot compare-hp2xx package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@mkdir -p run
	@scripts/run-demo $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	@scripts/install-deps --bench
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DLUMETCH_BUILD_TESTS=OFF -DLUMETCH_BUILD_BENCH=ON >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS)
	@scripts/run-bench $(BUILD)-bench

# libFuzzer targets of every file reader, each run FUZZ_SECONDS (default 60).
fuzz:
	@scripts/install-deps --fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMETCH_BUILD_FUZZ=ON -DLUMETCH_BUILD_TESTS=OFF -DLUMETCH_BUILD_GUI=OFF >/dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS)
	@scripts/run-fuzz $(BUILD)-fuzz

# Plot import against hp2xx over its own test plots; fails below an IoU of 0.9.
compare-hp2xx: build
	@scripts/install-deps --compare
	@scripts/compare-hp2xx --cli $(BUILD)/src/lumetch-cli --min 0.9

# A Debian package of a release build (build-package/lumetch_*.deb), checked by
# lintian and run once from a folder it is unpacked into.
package:
	@scripts/install-deps --package
	@cmake -S . -B $(BUILD)-package -DCMAKE_BUILD_TYPE=Release -DLUMETCH_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-package -j $(JOBS)
	@cd $(BUILD)-package && cpack -G DEB >/dev/null && ls -1 $$PWD/lumetch_*.deb
	@scripts/check-package $(BUILD)-package

screenshot: build
	@scripts/screenshot $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz $(BUILD)-package
