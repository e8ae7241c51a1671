# Set-up and everyday commands; each installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
# One test more than the cores: the window tests spend much of their time
# waiting on the X server and on the programs they drive.
TEST_JOBS ?= $(shell echo $$(($$(nproc) + 1)))
CMAKE_FLAGS ?=
XVFB = xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp -noreset"

.PHONY: all run test test-sanitize test-clang fuzz bench package package-lint bench-quality bench-fit bench-formats build configure deps-build deps-run deps-test deps-package clean

all: build

deps-build:
	./scripts/install-deps.sh build
deps-run:
	./scripts/install-deps.sh build run
deps-test:
	./scripts/install-deps.sh build run test
deps-package:
	./scripts/install-deps.sh build package

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: deps-build configure
	cmake --build $(BUILD) -j $(JOBS)

run: deps-run configure
	cmake --build $(BUILD) -j $(JOBS) --target zembrix
	./$(BUILD)/zembrix

# The tests, and CI, build with warnings as errors (ZEMBRIX_WERROR); a plain
# build only shows them.
test: deps-test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DZEMBRIX_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	$(XVFB) ctest --test-dir $(BUILD) --output-on-failure -j $(TEST_JOBS)

# The whole suite but the packaging tests, built with AddressSanitizer and
# UndefinedBehaviorSanitizer: the unit tests, zembrix-convert run as a
# process, the windows drawn on the virtual display and the programs driven
# end to end. The digests of every method's output check bytes as the plain
# run does, and the packaging tests build the package from a plain build:
# both are left to make test. Optimised as a release is (with its debugging
# information), so that the perceptual method's tests, slowest of all under
# the sanitizers, leave CI within its time.
SANITIZE_BUILD ?= build-sanitize
test-sanitize: deps-test
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMBRIX_SANITIZE=address,undefined \
		-DZEMBRIX_WERROR=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target unit_tests cli_tests x_tests e2e_tests
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
		$(XVFB) ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(TEST_JOBS) \
		-LE packaging -E '^(OutputDigests[.]EveryMethod|packaging_tests_NOT_BUILT)'

# The two programs and the unit tests built with clang in Release, and the
# unit tests run there. The window, end-to-end and packaging tests run in
# GCC's builds above; leaving them out keeps CI within its time.
CLANG_BUILD ?= build-clang
test-clang: deps-test
	./scripts/install-deps.sh clang
	CC=clang CXX=clang++ cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=Release -DZEMBRIX_WERROR=ON
	cmake --build $(CLANG_BUILD) -j $(JOBS) --target zembrix zembrix-convert unit_tests
	ctest --test-dir $(CLANG_BUILD) --output-on-failure -j $(JOBS) -L unit

# libFuzzer targets (clang) for the image loader, the MQ4 reader, the
# conversion, the converter's photo input (one target a format) and colour
# profiles, each run for FUZZ_TIME seconds; any finding fails.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 60
fuzz:
	./scripts/install-deps.sh build fuzz
	CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DZEMBRIX_WERROR=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_TIME)

# The Debian package, from a release build of its own without the tests:
# $(PACKAGE_BUILD)/zembrix_VERSION-1_ARCH.deb. Compiled and linked with the
# flags Debian builds its packages with, hardening included.
PACKAGE_BUILD ?= build-package
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps-package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DZEMBRIX_TESTS=OFF \
		-DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)"
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target all package

# The package checked as Debian checks its own; any lintian error fails.
package-lint: package
	./scripts/install-deps.sh lint
	lintian --fail-on error --display-info $(PACKAGE_BUILD)/zembrix_*.deb

# Speed, X traffic and memory figures from a Release build of its own; not
# part of test.
BENCH_BUILD ?= build-release
bench:
	./scripts/install-deps.sh build bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZEMBRIX_TESTS=OFF -DZEMBRIX_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target zembrix_bench zembrix-convert
	./bench/run-bench.sh $(BENCH_BUILD)

# The methods of zembrix-convert measured on real photographs (not part of test).
bench-quality: deps-build configure
	./scripts/install-deps.sh bench
	cmake --build $(BUILD) -j $(JOBS) --target zembrix-convert zembrix-perceptual-probe
	./bench/quality.sh $(BUILD)/zembrix-convert $(BUILD)/bench-quality $(BUILD)/zembrix-perceptual-probe

# --fit crop against an image editor's resize on real photographs (not part of test).
bench-fit: deps-build configure
	./scripts/install-deps.sh bench
	cmake --build $(BUILD) -j $(JOBS) --target zembrix-fit-probe
	./bench/fit_quality.sh $(BUILD)/zembrix-fit-probe $(BUILD)/bench-fit

# The further formats and colour profiles: quality, memory and CPU (not part of test).
bench-formats: deps-build configure
	./scripts/install-deps.sh bench test
	cmake --build $(BUILD) -j $(JOBS) --target zembrix-convert zembrix-icc-embed
	./bench/formats.sh $(BUILD)/zembrix-convert $(BUILD)/zembrix-icc-embed $(BUILD)/bench-formats

clean:
	rm -rf $(BUILD)
