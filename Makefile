# SPDX-License-Identifier: GPL-3.0-or-later
# The two everyday commands: `make run` and `make test`. Each installs what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR ?= OFF
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
SANITIZE_BUILD_DIR ?= build-sanitize
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 120
# Leaks inside third-party libraries are silenced by tests/lsan.supp. Qt WebEngine's Chromium frees objects with a
# size other than the one they were made with, which ASan cannot suppress per library, so that one check is off.
# UBSan stops at the first finding.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:new_delete_type_mismatch=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: deps configure build run test test-sanitize fuzz bench install package clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTUNESHEAR_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/tuneshear

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its own.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTUNESHEAR_WERROR=$(WERROR) -DTUNESHEAR_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	cd $(SANITIZE_BUILD_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# The fuzz target for FUZZ_SECONDS from its seeds; new inputs land in $(FUZZ_BUILD_DIR)/corpus/, crashing inputs in
# $(FUZZ_BUILD_DIR)/crashes/.
fuzz: deps
	cmake -S fuzz -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/crashes
	./$(FUZZ_BUILD_DIR)/media_service_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -timeout=20 \
		-artifact_prefix=$(FUZZ_BUILD_DIR)/crashes/ $(FUZZ_BUILD_DIR)/corpus fuzz/corpus/media_service

bench: build
	./bench/run-bench $(BUILD_DIR)

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package tuneshear_<version>-1_<arch>.deb in $(BUILD_DIR)/: what `make install` installs, under /usr.
package: build
	cd $(BUILD_DIR) && cpack

clean:
	rm -rf $(BUILD_DIR)
