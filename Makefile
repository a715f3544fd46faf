# Thin wrapper around CMake: `make test` and `make test-asan` are what CI runs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
SOAK_SECONDS ?= 60
CMAKE_GEN  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

WIN_BUILD  ?= build-windows
WINEPREFIX_DIR = $(CURDIR)/$(WIN_BUILD)/wine

.PHONY: all deps configure build run test test-long test-asan bench soak fuzz package check-package clean \
        windows windows-test windows-package

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVL_LINE_TABLES_ONLY=ON

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

# The workstation on its simulated demo bus. It needs a display: a desktop
# session, or a virtual one (xvfb-run -a make run).
run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then \
	  echo "make run: kvlgrad needs a graphical display. Run it from a desktop session," >&2; \
	  echo "or in a virtual display with: xvfb-run -a make run" >&2; \
	  exit 1; \
	fi
	$(BUILD)/src/app/kvlgrad --demo

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The runs too long for every change, mostly waiting on their simulated bus:
# twenty detectors graduated unattended by kvlctl graduate (a quarter of an
# hour), and the table of a night's faults (a detector silent, dead or another
# on resume, a line lost, a full data folder: four minutes).
test-long: build
	KVL_BUILD_DIR=$(CURDIR)/$(BUILD) $(BUILD)/tests/test_integration --gtest_also_run_disabled_tests \
	  --gtest_filter='*Long*:GraduateFaults.*:KvlctlGraduateFaults.*'

$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKVL_SANITIZE=ON -DKVL_BUILD_BENCH=OFF -DKVL_LINE_TABLES_ONLY=ON

# The screenshot test only draws pictures for a reviewer; the sanitizers run the rest,
# but for the whole-graduation runs: they wait on the simulated world's clock
# for minutes already, their code is what the shorter window and kvlctl tests drive
# under the sanitizers too, and slowed down three times they outlast any time-out.
test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) \
	  -E 'Screenshots|GraduationRun.AWholeRun|KvlctlGraduate.UnattendedRun|GraduationPilot.AutoGraduationEnds|GraduationPilot.AFullDataFolder'

# The libFuzzer harnesses (clang, ASan + UBSan), each run FUZZ_SECONDS over a
# scratch copy of its seed corpus; findings land in $(FUZZ_BUILD)/artifacts/.
$(FUZZ_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DKVL_FUZZ=ON

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do if [ -x "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; done

# The Debian package of the three programs (build/package/kvlgrad_*.deb).
package: build
	cd $(BUILD) && cpack

# Installs that package (as root; else unpacks it in a scratch folder) and runs
# the installed programs once.
check-package: package
	scripts/check-package.sh $(BUILD)/package/kvlgrad_*.deb

# The poll worker against the simulated bus under random faults, with writes
# queued meanwhile; fails on any transaction the faults do not explain.
soak: build
	$(BUILD)/bench/soak_faults --seconds $(SOAK_SECONDS) --seed $${SOAK_SEED:-1}

# kvlctl.exe and the core's unit tests for Windows, cross-built with MinGW-w64
# (statically: kvlctl.exe is one file to copy). -O2 as on Linux: GCC 12's -O3
# warns falsely about overlapping copies inside std::string.
$(WIN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(WIN_BUILD) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"

windows: deps $(WIN_BUILD)/CMakeCache.txt
	cmake --build $(WIN_BUILD) -j $(JOBS)

# The unit tests under Wine (a prefix of its own in the build folder, made once:
# its first start is slow), then kvlctl.exe end to end under Wine against
# kvlsim, compared step by step with the Linux kvlctl.
windows-test: windows build
	@mkdir -p $(WINEPREFIX_DIR)
	@if [ ! -f $(WINEPREFIX_DIR)/system.reg ]; then \
	  echo "Preparing the Wine prefix $(WINEPREFIX_DIR) (once)"; \
	  WINEPREFIX=$(WINEPREFIX_DIR) WINEDEBUG=-all wineboot -i >/dev/null 2>&1; \
	  WINEPREFIX=$(WINEPREFIX_DIR) wineserver -w; fi
	@# One quiet server for the whole run (a killed program makes a server report).
	@WINEPREFIX=$(WINEPREFIX_DIR) wineserver -p >/dev/null 2>&1 || true  # one is left from a run that failed
	@WINEPREFIX=$(WINEPREFIX_DIR) WINEDEBUG=-all wine $(WIN_BUILD)/tools/kvlctl.exe --help >/dev/null \
	  || { echo "windows-test: Wine does not run kvlctl.exe" >&2; exit 1; }
	WINEPREFIX=$(WINEPREFIX_DIR) WINEDEBUG=-all ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS)
	cmake --build $(BUILD) --target write_run_files
	scripts/windows-e2e.sh $(BUILD) $(WIN_BUILD)
	@WINEPREFIX=$(WINEPREFIX_DIR) wineserver -k || true

# A zip for Windows operators: kvlctl.exe, the man pages as text, the profiles.
windows-package: windows
	scripts/windows-package.sh $(WIN_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
