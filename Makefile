# Kelmora: the two everyday commands are `make run` and `make test`.
BUILD     ?= build
GENERATOR ?= Ninja
BUILD_TYPE ?= RelWithDebInfo
# Rebuilds in other folders (worktrees, build-asan) reuse compiled objects when ccache is there.
CMAKE_FLAGS ?= $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Paths relative to the checkout, so that a clone in another folder (CI's) finds them too.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true
# Warnings as errors: `make WERROR=ON test` or `WERROR=ON make test` (CI does). Set either way,
# it also reaches a build folder configured before.
WERROR ?=
WERROR_FLAGS = $(if $(WERROR),-DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR))

.PHONY: all deps configure build run test bench clean test-asan fuzz fuzz-arrangement format format-check

all: build

deps:
	@scripts/ensure-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) $(WERROR_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	$(if $(WERROR),cmake -S . -B $(BUILD) $(WERROR_FLAGS) > /dev/null)
	cmake --build $(BUILD)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "Kelmora is a desktop program and needs a display (DISPLAY or WAYLAND_DISPLAY is not set)." >&2; exit 1; fi
	$(BUILD)/app/kelmora

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug, so the asserts run too). Any report fails its test: ASan and UBSan stop
# at the first error, and LSan makes a leaking test exit non-zero.
# tests/lsan.supp holds leaks inside the toolkit's own libraries, by library name.
ASAN_BUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKELMORA_SANITIZE=ON $(CMAKE_FLAGS) $(WERROR_FLAGS)
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 1200

# libFuzzer over the roster reader, LatexSafe, the chart writers and the class
# list's CSV reader (fuzz/), then over the .xlsx reader, FUZZ_SECONDS each, built
# with clang in build-fuzz. New inputs collect in build-fuzz/corpus, inputs that
# break a rule in build-fuzz/artifacts; keep those under tests/fuzz/data.
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/ensure-deps clang-14 libclang-rt-14-dev
	cmake -S fuzz -B build-fuzz -G $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build build-fuzz
	mkdir -p build-fuzz/corpus build-fuzz/artifacts
	build-fuzz/kelmora_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -dict=fuzz/kelmora.dict \
	  -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus fuzz/corpus tests/fuzz/data
	mkdir -p build-fuzz/corpus-xlsx
	build-fuzz/xlsx_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -dict=fuzz/xlsx.dict \
	  -artifact_prefix=build-fuzz/artifacts/xlsx- build-fuzz/corpus-xlsx fuzz/corpus-xlsx

# The same over the arrangement file reader (fuzz/fuzz_arrangement.cpp).
fuzz-arrangement:
	@scripts/ensure-deps clang-14 libclang-rt-14-dev
	cmake -S fuzz -B build-fuzz -G $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build build-fuzz --target arrangement_fuzz
	mkdir -p build-fuzz/corpus-arrangement build-fuzz/artifacts
	build-fuzz/arrangement_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -dict=fuzz/arrangement.dict \
	  -max_len=8192 -artifact_prefix=build-fuzz/artifacts/arrangement- build-fuzz/corpus-arrangement fuzz/corpus-arrangement

# The start-up goal is measured under X, so the bench brings its own virtual display.
bench: build
	@scripts/ensure-deps xvfb
	cmake --build $(BUILD) --target bench

# A Debian package of the program ($(BUILD)/kelmora_<version>_<arch>.deb); scripts/test-package tests it.
.PHONY: package
package: build
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)

# A long random session on the real window: 20,000 actions (KELMORA_STRESS_SEED=n for another session).
.PHONY: stress
stress: deps configure
	cmake --build $(BUILD) --target test_stress
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 KELMORA_STRESS_ACTIONS=20000 tests/stress/test_stress

# The house style (.clang-format) over every tracked C++ file. clang-format 14
# exactly: other versions lay out some lines differently.
CLANG_FORMAT ?= clang-format-14
FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')
format:
	@scripts/ensure-deps clang-format-14
	$(CLANG_FORMAT) -i $(FORMAT_FILES)

format-check:
	@scripts/ensure-deps clang-format-14
	@differ=$$(for f in $(FORMAT_FILES); do $(CLANG_FORMAT) --dry-run -Werror "$$f" > /dev/null 2>&1 || echo "  $$f"; done); \
	if [ -n "$$differ" ]; then echo "Not in the house style (make format lays them out):"; echo "$$differ"; exit 1; fi
