# The two commands: `make run` and `make test`. Both install what is missing first.
#   make run        build the gadget and its audio library only, and start it
#   make test       build everything and run the whole suite
#   make test-asan  the suite again under AddressSanitizer + UndefinedBehaviorSanitizer
#   make test-tsan  the suite (threading tests among it) under ThreadSanitizer
#   make deb        the Debian package (build-deb/tellvane_<version>_<arch>.deb)
#   make bench      build and run the benchmarks
#   make fuzz       build the fuzz targets (clang) and run each FUZZ_SECONDS (60)
#   make test-long  the long runs CI leaves out: the soak (SOAK_SECONDS, 3600) and
#                   every fuzz target for LONG_FUZZ_SECONDS (600)
#   make clean      remove the build folders

JOBS   ?= $(shell nproc)
# Warnings are errors in CI, where CI=true is set.
WERROR := $(if $(filter true 1 yes,$(CI)),ON,OFF)
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELLVANE_WERROR=$(WERROR)
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizers/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/scripts/sanitizers/ubsan.supp \
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/scripts/sanitizers/tsan.supp

.PHONY: deps test-deps build run test test-asan test-tsan deb fuzz test-long bench clean

deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --tests

# Only what `make run` starts: the gadget and its audio library.
run: deps
	@cmake -S . -B build $(CMAKE_FLAGS) -DTELLVANE_BUILD_TESTS=OFF -DTELLVANE_BUILD_BENCH=OFF >/dev/null
	@cmake --build build -j $(JOBS) --target tellvane bass
	./build/src/shell/tellvane

build: deps test-deps
	@cmake -S . -B build $(CMAKE_FLAGS) -DTELLVANE_BUILD_TESTS=ON -DTELLVANE_BUILD_BENCH=ON >/dev/null
	@cmake --build build -j $(JOBS)

test: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: deps test-deps
	@cmake -S . -B build-asan $(CMAKE_FLAGS) -DTELLVANE_SANITIZE=address -DTELLVANE_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test-tsan: deps test-deps
	@cmake -S . -B build-tsan $(CMAKE_FLAGS) -DTELLVANE_SANITIZE=thread -DTELLVANE_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir build-tsan --output-on-failure -j $(JOBS) --no-tests=error

# The package: an optimised build for /usr (stripped by CPack), then CPack; its
# contents listed and checked.
deb: deps
	@scripts/install-deps --deb
	@cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DTELLVANE_WERROR=$(WERROR) \
	  -DTELLVANE_BUILD_TESTS=OFF -DTELLVANE_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-deb -j $(JOBS)
	@cd build-deb && cpack -G DEB >/dev/null
	@scripts/check-deb build-deb/tellvane_*.deb

FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps --fuzz
	@CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELLVANE_FUZZ=ON \
	  -DTELLVANE_BUILD_TESTS=OFF -DTELLVANE_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	scripts/fuzz build-fuzz $(FUZZ_SECONDS)

SOAK_SECONDS ?= 3600
LONG_FUZZ_SECONDS ?= 600
test-long: build
	cd build && ../bench/soak.sh . $(SOAK_SECONDS) 10
	$(MAKE) fuzz FUZZ_SECONDS=$(LONG_FUZZ_SECONDS)

bench: build
	@for b in build/bench/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	rm -rf build build-asan build-tsan build-fuzz build-deb
