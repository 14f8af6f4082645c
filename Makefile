# Brisco: the two commands a newcomer needs are `make run` and `make test`.
PRESETS := native native-asan win32
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
	ctest --preset $* --output-on-failure --no-tests=error

build: $(addprefix build-,$(PRESETS))

# Every preset is built before any test runs, so one failure does not hide another build error.
test: build
	@status=0; for p in $(PRESETS); do ctest --preset $$p --output-on-failure --no-tests=error || status=1; done; exit $$status

run: build-win32 build-native
	scripts/run-brisco $(MACHINE)

fuzz: bootstrap
	@test -f build/fuzz/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B build/fuzz -DBRISCO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz -j2
	scripts/run-fuzzers build/fuzz

clean:
	rm -rf build
