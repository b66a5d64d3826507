# `make` builds, `make run` shows the tool on a generated sample, `make test` runs every test
# (release build, then again under AddressSanitizer and UndefinedBehaviorSanitizer), `make fuzz`
# runs the fuzz targets.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
SAMPLE := $(BUILD)/sample
TOOL := $(BUILD)/dat-tool

.PHONY: all build deps run test test-release test-asan bench fuzz format clean

all: build

build:
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps.sh

run: deps build
	@rm -rf $(SAMPLE) && $(BUILD)/make-sample $(SAMPLE)
	@scripts/show-sample.sh $(TOOL) $(SAMPLE)

test: deps test-release test-asan

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan:
	@[ -f $(ASAN_BUILD)/build.ninja ] || cmake -S . -B $(ASAN_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DTESSARY_SANITIZE=ON -DTESSARY_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps build
	@scripts/bench.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS (default 60), one after another; needs clang, installed on demand.
fuzz: deps
	@scripts/fuzz.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
