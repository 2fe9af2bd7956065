# Kelmora: the two everyday commands are `make run` and `make test`.
BUILD     ?= build
GENERATOR ?= Ninja
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/ensure-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "Kelmora is a desktop program and needs a display (DISPLAY or WAYLAND_DISPLAY is not set)." >&2; exit 1; fi
	$(BUILD)/app/kelmora

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600

bench: build
	cmake --build $(BUILD) --target bench

clean:
	rm -rf $(BUILD)

# A long random session on the real window: 20,000 actions (KELMORA_STRESS_SEED=n for another session).
.PHONY: stress
stress: deps configure
	cmake --build $(BUILD) --target test_stress
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 KELMORA_STRESS_ACTIONS=20000 tests/stress/test_stress
