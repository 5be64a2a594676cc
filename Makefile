# The two commands of the README. Both install what is missing, configure and build first.
PRESET ?= default
ARGS ?=
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test asan-test screenshots format clean package translations

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

# Opens the window; ARGS are handed over as files and folders (make run ARGS="~/Movies film.mkv").
run: build
	@build/$(PRESET)/src/app/tolvane $(ARGS)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

# A .deb of the release build in build/$(PRESET) (apt install ./build/default/tolvane_*.deb).
package: build
	@cmake --build --preset $(PRESET) --target package

# Renders the window's states (empty, a list with every status, the settings dialog; light and
# dark; and the light window in Russian, *-ru.png) to docs/screenshots on a virtual X display with
# real fonts.
screenshots: build
	@scripts/install-deps screenshots
	@xvfb-run -a -s '-screen 0 1280x800x24' build/$(PRESET)/tools/tolvane-screenshots docs/screenshots
	@xvfb-run -a -s '-screen 0 1280x800x24' build/$(PRESET)/tools/tolvane-screenshots docs/screenshots --language ru

# Refreshes the translation catalogues from the sources: new texts are added (to be translated),
# texts no longer in the sources are dropped.
LUPDATE ?= /usr/lib/qt6/bin/lupdate
translations: deps
	@$(LUPDATE) -silent -no-obsolete -locations relative src -ts translations/tolvane_ru.ts

format:
	@find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	@rm -rf build

# Fuzzes the cookie file parser and the result-page link scanner with clang's libFuzzer (ASan +
# UBSan), each for FUZZ_SECONDS, starting from fuzz/corpus-* and the shared real samples when
# present. Crash inputs land in build/fuzz/.
FUZZ_SECONDS ?= 300
FUZZ_FIXTURES ?= ../shared/fixtures/real

.PHONY: fuzz fuzz-build

fuzz-build:
	@scripts/install-deps fuzz
	@cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build/fuzz

fuzz: fuzz-build
	@mkdir -p build/fuzz/corpus-cookies build/fuzz/corpus-links
	@install -m 644 fuzz/corpus-cookies/* build/fuzz/corpus-cookies/
	@install -m 644 fuzz/corpus-links/* build/fuzz/corpus-links/
	@if [ -d $(FUZZ_FIXTURES)/binarycookies ]; then \
		install -m 644 $(FUZZ_FIXTURES)/binarycookies/*.binarycookies build/fuzz/corpus-cookies/; fi
	@if [ -d $(FUZZ_FIXTURES)/duckduckgo ]; then \
		install -m 644 $(FUZZ_FIXTURES)/duckduckgo/*.html $(FUZZ_FIXTURES)/kinopoisk/*.html build/fuzz/corpus-links/; fi
	@build/fuzz/binarycookies_fuzzer build/fuzz/corpus-cookies -dict=fuzz/binarycookies.dict \
		-max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/cookies-
	@build/fuzz/cataloglinks_fuzzer build/fuzz/corpus-links -dict=fuzz/cataloglinks.dict -max_len=262144 \
		-max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/links-
