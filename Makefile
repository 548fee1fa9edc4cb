# One-command entry points. Every target installs what it needs first.
#   make demo    build the MEX plug-in and run examples/demo.m in octave-cli
#   make test    build everything and run all tests: unit and Octave tests
#                (valgrind included), the sanitizer build of the unit tests,
#                a bounded fuzzing run (FUZZ_SECONDS, 60), the Python tests
#                and the quick validation run
#   make bench   build and run the benchmarks
#   make python  install the Python package into the virtual environment
#                $(PY_VENV) (Debian's python3 with its packages)
#   make py-test the Python tests
#   make windows-test  cross-build for Windows (mingw-w64) on ERFA from source:
#                the unit tests under wine, the outputs against Linux's, the
#                six .mexw64 plug-ins' exports and imports
#   make arm64-test    cross-build for arm64 Linux: the unit tests under
#                qemu-user, the outputs bit for bit against x86-64's
#   make octave-pkg    the Octave package dist/varn-<version>.tar.gz
#   make octave-pkg-test  pkg install of it into a temporary prefix, on ERFA
#                from source, and the Octave tests against the installed plug-ins
#   make validate        docs/validation.md and its figures: varn against
#                        published values, astropy, skyfield and pyerfa
#   make validate-quick  the same checks on fewer epochs, into
#                        build/validate-quick/ (part of make test)
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
BENCH_REPETITIONS ?= 3
# Debian's own interpreter sees the Debian Python packages (numpy, pybind11,
# dask...); another python3 first on PATH may not.
SYSTEM_PYTHON ?= /usr/bin/python3
PY_VENV ?= build-py/venv
PY = $(CURDIR)/$(PY_VENV)/bin/python
WINDOWS_BUILD ?= build-windows
ARM64_BUILD ?= build-arm64
# ERFA's release source, from the distribution's source package.
ERFA_DIR ?= build-erfa
VERSION := $(shell head -n 1 VERSION)
REFERENCE_DUMP = $(BUILD)/tests/octave/varn_reference_dump

.PHONY: deps configure build test unit-test sanitize-test fuzz demo bench mutants clean python py-test \
        windows-test arm64-test octave-pkg octave-pkg-test validate validate-quick

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The C++ runtime versions the plug-ins need (MATLAB brings its own), then
# every test.
unit-test: build
	bash scripts/check-abi.sh $(BUILD)/mex
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The library and its unit tests with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test that made it.
sanitize-test: deps
	cmake -S . -B $(ASAN_BUILD) -DVARN_SANITIZE=ON -DVARN_BUILD_MEX=OFF -DVARN_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# libFuzzer (clang) on the time scales and the pipeline, from the committed
# seeds, for FUZZ_SECONDS.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DVARN_FUZZ=ON -DVARN_BUILD_TESTS=OFF \
	    -DVARN_BUILD_MEX=OFF -DVARN_BUILD_BENCH=OFF -DVARN_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_run

# The package as a user installs it, offline, with Debian's build tools.
python: deps
	test -x $(PY) || $(SYSTEM_PYTHON) -m venv --system-site-packages $(PY_VENV)
	$(PY) -m pip install --quiet --no-build-isolation --no-index .

# pytest, against the library's outputs on the shared batch, written by the
# C++ reference tool.
py-test: build python
	$(BUILD)/tests/octave/varn_reference_dump $(CURDIR)/$(BUILD)/varn_reference_py.bin
	cd tests/python && VARN_REFERENCE_FILE=$(CURDIR)/$(BUILD)/varn_reference_py.bin \
	  $(PY) -m pytest -p no:cacheprovider -q .

# The other platforms, each compared with this build's outputs; ERFA from
# its release source in all three.
windows-test: build
	erfa=$$(bash scripts/fetch-erfa-source.sh $(ERFA_DIR)) && \
	  JOBS=$(JOBS) bash scripts/cross-test.sh windows $(WINDOWS_BUILD) "$$erfa" $(REFERENCE_DUMP)

arm64-test: build
	erfa=$$(bash scripts/fetch-erfa-source.sh $(ERFA_DIR)) && \
	  JOBS=$(JOBS) bash scripts/cross-test.sh arm64 $(ARM64_BUILD) "$$erfa" $(REFERENCE_DUMP)

octave-pkg:
	bash scripts/octave-pkg.sh dist

octave-pkg-test: build octave-pkg
	erfa=$$(bash scripts/fetch-erfa-source.sh $(ERFA_DIR)) && \
	  VARN_ERFA_SOURCE="$$erfa" bash scripts/octave-pkg-test.sh dist/varn-$(VERSION).tar.gz $(REFERENCE_DUMP)

# The validation page (docs/validation.md, docs/validation/*.png), written by
# the installed package; a few minutes on two cores. The quick run checks the
# same agreements on fewer epochs without touching the committed page, and
# fails when one leaves its tolerance.
validate: python
	$(PY) scripts/validate

validate-quick: python
	$(PY) scripts/validate --quick

# The main ctest run comes last, so that its summary closes the output.
test: sanitize-test fuzz py-test validate-quick windows-test arm64-test octave-pkg-test unit-test

# Runs beside the plug-in: from examples/ the script would shadow Octave's
# own demo function.
demo: build
	cd $(BUILD)/mex && octave-cli --no-gui --no-history --norc $(CURDIR)/examples/demo.m

# Instruction counts (steady on any machine), the C++ benchmark, then the
# whole call in Octave, given the computation's
# time per epoch on all cores so that it can tell the gateway's share.
bench: build python
	bash bench/icount.sh $(BUILD)
	$(BUILD)/bench/varn_bench --benchmark_color=false --benchmark_repetitions=$(BENCH_REPETITIONS) | tee $(BUILD)/bench/varn_bench.txt
	$(BUILD)/bench/eop_bench --benchmark_color=false
	core=$$(sed -n 's/.* threads \([0-9.]*\) us\/epoch.*/\1/p' $(BUILD)/bench/varn_bench.txt); \
	octave-cli --no-gui --no-history --norc --path "$(CURDIR)/$(BUILD)/mex" \
	  --eval "core_us_per_epoch = $${core:-NaN}; run('bench/bench_varn.m')"
	$(PY) bench/bench_python.py $(BUILD)/bench/varn_work

# Faults the tests catch: the mutation tool beside the checkout injects one
# fault at a time into the library and gateways, rebuilds and runs ctest.
MUTANT_SEED ?= 1
mutants: deps
	python3 ../shared/tools/mutants.py --repo . --count 80 --seed $(MUTANT_SEED) --jobs $(JOBS) --timeout 60

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) build-py $(WINDOWS_BUILD) $(ARM64_BUILD) $(ERFA_DIR) dist
