# make test   set up, build everything and run every test (the end-to-end ones too)
# make run    set up, build the program and what it loads, and start it
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer

.PHONY: all setup configure build program test run bench fuzz sanitize tsan clean

all: build

setup:
	@tools/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The program with the files it loads at run time (its plug-ins, resource
# libraries, templates, fonts and instruments: the staffwright target's
# dependencies), none of the test programs, benchmarks or fuzzers.
program: configure
	@cmake --build $(BUILD) -j $(JOBS) --target staffwright

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest -j $(JOBS) --output-on-failure

run:
	@tools/setup --run
	@$(MAKE) --no-print-directory program
	@$(BUILD)/bin/staffwright

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done
	@echo "== printing a MIDI file to PDF from the command line"; bench/notation/printtime.py $(BUILD)/bin || true

# Coverage-guided fuzzing of every reader under AddressSanitizer (clang).
fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSTAFFWRIGHT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for f in $(FUZZ_BUILD)/bin/fuzz_*; do \
	    name=$${f##*/fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	    echo "== $$name"; \
	    $$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

# Developers: every test under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, in a build folder of its own.
sanitize: setup
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_C_FLAGS="$(SANITIZE_FLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE_FLAGS)" \
	    -DCMAKE_MODULE_LINKER_FLAGS="$(SANITIZE_FLAGS)" > /dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest -j $(JOBS) --output-on-failure $(CTEST_ARGS)

# Developers: under ThreadSanitizer, the engine's tests, where the device thread
# meets the rest, and the device library's MIDI and wave tests, where the audio
# thread meets the wave reader. The soft synthesizer's tests stay out: its OpenMP
# threads synchronise in ways ThreadSanitizer cannot see, and it reports races in
# their allocations that are not there.
TSAN_DEVICE_TESTS = ^(Wave[A-Za-z]*|AudioBackend|Alsa[A-Za-z]*|Portavel[A-Za-z]*)\.
tsan: setup
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_C_FLAGS="$(TSAN_FLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(TSAN_FLAGS)" \
	    -DCMAKE_MODULE_LINKER_FLAGS="$(TSAN_FLAGS)" > /dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target sequencer_tests platform_tests
	@cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	    ctest -j $(JOBS) -L sequencer --output-on-failure $(CTEST_ARGS)
	@cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	    ctest -j $(JOBS) -L platform -R '$(TSAN_DEVICE_TESTS)' --output-on-failure $(CTEST_ARGS)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD)
