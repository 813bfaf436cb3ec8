# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands that matter: `make test` and `make demo`. Both install what they need first.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build test demo screenshots asan tsan fuzz bench package package-test \
        package-install-test format clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@bash scripts/demo $(BUILD)/bin

# A PNG of every window of the desktop program, under a private Xvfb display.
screenshots: build
	@bash scripts/screenshots $(BUILD)

# Every test again, built with the address and undefined-behaviour sanitizers.
asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELVANE_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The tests of the code that works on several threads, built with the thread sanitizer: servers
# side by side, the log written beside a run, and the windows' work off the window thread (the
# Vesk SQL dialog's run, the administration tools, the password change). The run hands its
# questions and marks to the window through std primitives (uikit/RunWorker), which the sanitizer
# sees; Qt from Debian is not instrumented, so only the allocations its own code makes are
# ignored (tests/tsan.supp). uikit_tests is left out: its BackgroundTasks test hands a result
# over through Qt's event queue alone, a hand-over the sanitizer cannot see.
TSAN_TESTS ?= engine_tests cli_tests tools_tests uikit_core_tests shell_tests shell_windows_tests
tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELVANE_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target $(TSAN_TESTS)
	for t in $(TSAN_TESTS); do \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
	    QT_QPA_PLATFORM=offscreen build-tsan/bin/$$t || exit 1; \
	done

# libFuzzer targets; FUZZ_RUNS executions each.
FUZZ_RUNS ?= 1000000
fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPELVANE_FUZZERS=ON -DPELVANE_TESTS=ON
	cmake --build build-fuzz -j $(JOBS) --target profile_parser_fuzz unscramble_fuzz report_reader_fuzz
	mkdir -p build-fuzz/corpus/profile build-fuzz/corpus/unscramble build-fuzz/corpus/report
	build-fuzz/bin/profile_parser_fuzz -runs=$(FUZZ_RUNS) -max_len=4096 build-fuzz/corpus/profile tests/fuzz/seeds/profile
	build-fuzz/bin/unscramble_fuzz -runs=$(FUZZ_RUNS) -max_len=512 build-fuzz/corpus/unscramble
	build-fuzz/bin/report_reader_fuzz -runs=$(FUZZ_RUNS) -max_len=4096 build-fuzz/corpus/report tests/fuzz/seeds/report

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVANE_BENCHMARKS=ON -DPELVANE_TESTS=OFF
	cmake --build build-bench -j $(JOBS) --target registry_bench gui_log_bench run_status_bench smb_copy_bench pelvanectl isqlw sqlstandin
	build-bench/bin/registry_bench
	build-bench/bin/gui_log_bench
	build-bench/bin/run_status_bench
	build-bench/bin/smb_copy_bench
	ISQLW=build-bench/bin/isqlw SQLSTANDIN=build-bench/bin/sqlstandin bash bench/isqlw_vs_bsqldb.sh
	PELVANECTL=build-bench/bin/pelvanectl ISQLW=build-bench/bin/isqlw SQLSTANDIN=build-bench/bin/sqlstandin \
	  bash bench/run_vs_isqlw_loop.sh
	PELVANECTL=build-bench/bin/pelvanectl ISQLW=build-bench/bin/isqlw SQLSTANDIN=build-bench/bin/sqlstandin \
	  bash bench/parallel_run.sh
	PELVANECTL=build-bench/bin/pelvanectl SQLSTANDIN=build-bench/bin/sqlstandin bash bench/large_results_memory.sh

# The Debian package, from a Release build of its own; prints the package's path.
PACKAGE_BUILD ?= build-package
package:
	@bash packaging/make-package $(PACKAGE_BUILD) $(JOBS)

# The package unpacked and checked: its files, lintian, the desktop entry and metadata, and a
# run of its own programs against a stand-in.
package-test: package
	@bash packaging/tests/package_test.sh $(PACKAGE_BUILD)

# The package installed with apt into a minimal Debian 12 (debootstrap, as root) that holds only
# its declared dependencies, and used there by a plain user; then removed and purged.
package-install-test: package
	@bash packaging/tests/install_test.sh $(PACKAGE_BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-bench $(PACKAGE_BUILD)
