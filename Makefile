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

# Fuzzes the cookie file parser with clang's libFuzzer (ASan + UBSan) for FUZZ_SECONDS, starting
# from fuzz/corpus and the shared real cookie files when present. Crash inputs land in build/fuzz/.
FUZZ_SECONDS ?= 300
FUZZ_FIXTURES ?= ../shared/fixtures/real/binarycookies

.PHONY: fuzz

fuzz:
	@scripts/install-deps fuzz
	@cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build/fuzz
	@mkdir -p build/fuzz/corpus
	@install -m 644 fuzz/corpus/* build/fuzz/corpus/
	@if [ -d $(FUZZ_FIXTURES) ]; then install -m 644 $(FUZZ_FIXTURES)/*.binarycookies build/fuzz/corpus/; fi
	@build/fuzz/binarycookies_fuzzer build/fuzz/corpus -dict=fuzz/binarycookies.dict -max_total_time=$(FUZZ_SECONDS) \
		-timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/
