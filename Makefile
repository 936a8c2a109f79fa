# The two set-up commands: `make run` and `make test`. Each installs what is
# missing and builds first.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: run test build package deps clean

run: build
	$(BUILD)/src/app/kestrune

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# The Debian package, build/kestrune_VERSION_ARCH.deb, of what the build installs.
package: build
	cd $(BUILD) && cpack -G DEB

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)

deps:
	@scripts/install-deps

clean:
	rm -rf $(BUILD)
