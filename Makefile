# make run   - install what is missing, build, start Nconfig (the demo device is in the port list)
# make test  - install what is missing, build, run the whole test suite
# make asan  - the same tests under AddressSanitizer + UndefinedBehaviorSanitizer
# make bench - build and run the benchmarks
# make fuzz  - build the libFuzzer targets with clang (run them from build-fuzz/bin)

BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test asan bench fuzz clean

deps:
	@bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/nconfig

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DNCONFIG_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

bench:
	$(MAKE) build BUILD=build-bench CMAKE_FLAGS="-DNCONFIG_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release"
	@for b in build-bench/bin/bench_*; do echo "== $$b"; $$b; done

fuzz:
	@bash tools/install-deps.sh fuzz
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNCONFIG_BUILD_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf build build-asan build-bench build-fuzz
