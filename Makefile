# The two set-up commands: `make run` and `make test`. Each installs what is
# missing and builds first.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: run test build deps clean

run: build
	$(BUILD)/src/app/kestrune

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)

deps:
	@scripts/install-deps

clean:
	rm -rf $(BUILD)
