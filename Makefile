# The two commands of the README. Both install what is missing, configure and build first.
PRESET ?= default
ARGS ?= .
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test asan-test format clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

# Until the window lands, the app's main job is the scan of the given paths.
run: build
	@build/$(PRESET)/src/cli/tolvane-cli scan $(ARGS)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

format:
	@find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	@rm -rf build
