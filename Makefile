# The two everyday commands are `make demo` and `make test`; see the README.
# `make bench BENCH=drawing ARGS=--benchmark_filter=Scene` runs one benchmark
# program with arguments. `make lv2-install` installs the example LV2 plug-in
# into LV2_INSTALL_DIR (default ~/.lv2).

BUILD ?= build
JOBS ?= $(shell nproc)
ARGS ?=
CMAKE_GENERATOR ?= Ninja

.PHONY: all deps test demo bench fuzz lv2-install clean

all: demo

deps:
	@scripts/install-deps.sh

# Library and tests with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	@cmake -S . -B $(BUILD)/test -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DKAVRIN_SANITIZE=ON -DKAVRIN_BUILD_TESTS=ON -DKAVRIN_BUILD_EXAMPLES=ON >/dev/null
	@cmake --build $(BUILD)/test -j $(JOBS)
	@cd $(BUILD)/test && ctest --output-on-failure -j $(JOBS)

demo: deps
	@cmake -S . -B $(BUILD)/release -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/release -j $(JOBS) --target kavrin-demo
	@$(BUILD)/release/examples/kavrin-demo $(BUILD)/kavrin-demo.png $(ARGS)

# A release build of the gain example's bundle, copied over any older copy.
LV2_INSTALL_DIR ?= $(HOME)/.lv2
lv2-install: deps
	@cmake -S . -B $(BUILD)/release -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/release -j $(JOBS) --target kavrin-gain-bundle
	@mkdir -p "$(LV2_INSTALL_DIR)"
	@rm -rf "$(LV2_INSTALL_DIR)/kavrin-gain.lv2"
	@cp -r $(BUILD)/release/lv2/kavrin-gain.lv2 "$(LV2_INSTALL_DIR)/"
	@echo "Installed $(LV2_INSTALL_DIR)/kavrin-gain.lv2"

bench: deps
	@cmake -S . -B $(BUILD)/bench -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DKAVRIN_BUILD_BENCH=ON -DKAVRIN_BUILD_EXAMPLES=ON >/dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS)
	@for b in $(BUILD)/bench/bench/kavrin-bench-$(or $(BENCH),*); do echo "== $$b"; $$b $(ARGS) || exit 1; done

# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS
# (default 60): the image decoder fuzzer on a corpus seeded with small valid
# images, the clipboard data fuzzer on one small input of each kind, the
# text field fuzzer on a few key and text streams.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/fuzz -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKAVRIN_SANITIZE=ON -DKAVRIN_BUILD_FUZZ=ON -DKAVRIN_BUILD_EXAMPLES=OFF >/dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS) --target kavrin-fuzz-bitmap kavrin-fuzz-clipboard kavrin-fuzz-textedit
	@mkdir -p $(BUILD)/fuzz/corpus && cp fuzz/corpus/* $(BUILD)/fuzz/corpus/ 2>/dev/null || true
	@$(BUILD)/fuzz/fuzz/kavrin-fuzz-bitmap -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	  -malloc_limit_mb=1024 $(BUILD)/fuzz/corpus
	@mkdir -p $(BUILD)/fuzz/corpus-clipboard && cp fuzz/corpus-clipboard/* $(BUILD)/fuzz/corpus-clipboard/ 2>/dev/null || true
	@$(BUILD)/fuzz/fuzz/kavrin-fuzz-clipboard -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	  -malloc_limit_mb=1024 $(BUILD)/fuzz/corpus-clipboard
	@mkdir -p $(BUILD)/fuzz/corpus-textedit && cp fuzz/corpus-textedit/* $(BUILD)/fuzz/corpus-textedit/ 2>/dev/null || true
	@$(BUILD)/fuzz/fuzz/kavrin-fuzz-textedit -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	  -malloc_limit_mb=1024 $(BUILD)/fuzz/corpus-textedit

clean:
	rm -rf $(BUILD)
