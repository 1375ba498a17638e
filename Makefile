# The two commands of the README, plus the benchmarks. Each installs what it needs first.
JOBS ?= $(shell nproc)
SCENE ?= resources/scenes/default.json
ARGS ?=

.PHONY: deps test run bench fuzz mutants build-test build-release clean

deps:
	@bash scripts/install-deps

build-test: deps
	@cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTESSIVANE_SANITIZE=ON -DTESSIVANE_WERROR=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
	@cmake --build build/test -j $(JOBS)

test: build-test
	@cd build/test && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

build-release: deps
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTESSIVANE_TESTS=OFF >/dev/null
	@cmake --build build/release -j $(JOBS) --target tessivane

run: build-release
	./build/release/tessivane --scene $(SCENE) $(ARGS)

# The programs run with glibc's heap on transparent huge pages: the largest cases hold tens of
# megabytes of status items, and on 4 KB pages their time goes more and more to page-table
# walks (dear under virtualisation, and disturbed by the host's memory monitor), not to work.
# Without it they run as any other program: make bench BENCH_HEAP=
BENCH_HEAP ?= glibc.malloc.hugetlb=1
bench: deps
	@cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTESSIVANE_TESTS=OFF -DTESSIVANE_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do GLIBC_TUNABLES=$(BENCH_HEAP) "$$b"; done

# Each fuzz target for FUZZ_SECONDS (clang's libFuzzer; see scripts/fuzz).
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/fuzz $(FUZZ_SECONDS)

# Faults planted one at a time in FILES (sources and headers), each against the tests of its folder and
# its includers, and what they miss against the whole suite (see scripts/mutants and docs/mutants.md):
# make mutants FILES="src/engine/MenuBarItemDiscovery.cpp src/engine/MenuBarGeometry.h" [MAX=40] [SEED=1]
#   [LINES=10-80] [MUTANT_JOBS=2] [TESTS=tests_app] [RERUN=results.json] [NO_SUITE=1] [NO_BROWSER=1] [OWN=1]
mutants: deps
	@MAX="$(MAX)" SEED="$(SEED)" LINES="$(LINES)" MUTANT_JOBS="$(MUTANT_JOBS)" TESTS="$(TESTS)" RERUN="$(RERUN)" \
	  NO_SUITE="$(NO_SUITE)" NO_BROWSER="$(NO_BROWSER)" OWN="$(OWN)" \
	  python3 scripts/mutants $(FILES)

clean:
	rm -rf build
