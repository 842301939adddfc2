# Quick start: `make run` opens the window, `make test` runs every test.
# Both first install the Debian packages that are missing.
BUILD ?= build
JOBS  ?= $(shell nproc)
ASAN_BUILD   ?= $(BUILD)-asan
FUZZ_BUILD   ?= $(BUILD)-fuzz
FUZZ_SECONDS ?= 60
# UndefinedBehaviorSanitizer prints only the faulty line unless asked for the whole stack.
SANITIZER_ENV = UBSAN_OPTIONS=print_stacktrace=1

.PHONY: all deps configure build run test clean

all: build

deps:
	@tools/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/tolvane

# The window after a preview of sample files, drawn offscreen into $(BUILD)/screenshot.png, and
# with the list's menu open into $(BUILD)/screenshot-menu.png; SCALE=2 draws them as on a
# screen at scale 2 (twice the pixels each way).
SCALE ?= 1
.PHONY: screenshot
screenshot: build
	QT_SCALE_FACTOR=$(SCALE) $(BUILD)/tests/window/tolvane_screenshot $(BUILD)/screenshot.png $(BUILD)/screenshot-menu.png

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Debian package, $(BUILD)/tolvane_<version>_<architecture>.deb.
.PHONY: package
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
# A failed configure leaves a cache behind; it is removed so that the next run configures again.
.PHONY: test-asan fuzz
$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_SANITIZE=ON || { rm -f $@; exit 1; }

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# libFuzzer needs clang; each target runs for FUZZ_SECONDS (see tests/fuzz/run-fuzzers).
$(FUZZ_BUILD)/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTOLVANE_SANITIZE=ON -DTOLVANE_FUZZ=ON -DTOLVANE_WINDOW=OFF || { rm -f $@; exit 1; }

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	$(SANITIZER_ENV) tests/fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Tolvane's pipeline against a plain reference, on folders of its own under /dev/shm
# (bench/README.md); built for speed in $(BENCH_BUILD).
BENCH_BUILD ?= $(BUILD)-bench
.PHONY: bench
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tolvane_bench tolvane_window_bench tolvane_folding_bench tolvane_dates_bench tolvane_sets_bench
	$(BENCH_BUILD)/bench/tolvane_bench
	$(BENCH_BUILD)/bench/tolvane_dates_bench
	$(BENCH_BUILD)/bench/tolvane_sets_bench
