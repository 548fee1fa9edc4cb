# One-command entry points. Every target installs what it needs first.
#   make demo    build the MEX plug-in and run examples/demo.m in octave-cli
#   make test    build everything and run all tests (unit, Octave, sanitizer, fuzz)
#   make bench   build and run the benchmarks
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: deps configure build test unit-test sanitize-test fuzz demo bench clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test: unit-test

# Runs beside the plug-in: from examples/ the script would shadow Octave's
# own demo function, and from the root the help-only varn.m would hide the
# plug-in.
demo: build
	cd $(BUILD)/gateway && octave-cli --no-gui --norc $(CURDIR)/examples/demo.m

bench: build
	$(BUILD)/bench/varn_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
