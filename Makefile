# Quick start: `make run` opens the window, `make test` runs every test.
# Both first install the Debian packages that are missing.
BUILD ?= build
JOBS  ?= $(shell nproc)

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

# The window after a preview of sample files, drawn offscreen into $(BUILD)/screenshot.png.
.PHONY: screenshot
screenshot: build
	$(BUILD)/tests/window/tolvane_screenshot $(BUILD)/screenshot.png

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
