# Brisco: the two commands a newcomer needs are `make run` and `make test`.
PRESETS := native native-asan win32 win64
MACHINE ?=

.PHONY: all bootstrap build test run fuzz clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

all: build

bootstrap:
	@scripts/bootstrap

# Static pattern rules: make skips implicit rules for phony targets. A configure
# that failed leaves a cache but no Makefile, so the Makefile decides.
$(addprefix build-,$(PRESETS)): build-%: bootstrap
	@test -f build/$*/Makefile || cmake --preset $* >/dev/null
	cmake --build --preset $*

$(addprefix test-,$(PRESETS)): test-%: build-%
	@scripts/run-tests $*

build: $(addprefix build-,$(PRESETS))

# Every preset is built before any test runs, so one failure does not hide another build error.
# Where 32-bit code cannot run, win32 is built but its tests are skipped, with one line saying so.
test: build
	@scripts/run-tests $(PRESETS)

# The 32-bit program where this machine runs 32-bit code, the 64-bit one otherwise.
run: build-native
	@$(MAKE) --no-print-directory build-$$(scripts/run-brisco --preset)
	scripts/run-brisco $(MACHINE)

fuzz: bootstrap
	@test -f build/fuzz/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B build/fuzz -DBRISCO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz -j2
	scripts/run-fuzzers build/fuzz

clean:
	rm -rf build
