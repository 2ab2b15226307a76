# make test   set up, build and run every test
# make run    set up, build and start the program
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all setup configure build test run bench fuzz clean

all: build

setup:
	@tools/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest -j $(JOBS) --output-on-failure

run:
	@tools/setup --run
	@$(MAKE) --no-print-directory build
	@$(BUILD)/bin/staffwright

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

# Coverage-guided fuzzing of every reader under AddressSanitizer (clang).
fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSTAFFWRIGHT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for f in $(FUZZ_BUILD)/bin/fuzz_*; do \
	    name=$${f##*/fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	    echo "== $$name"; \
	    $$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
