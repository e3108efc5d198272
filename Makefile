# The two everyday commands are `make demo` and `make test`; see the README.
# `make bench BENCH=drawing ARGS=--benchmark_filter=Scene` runs one benchmark
# program with arguments.

BUILD ?= build
JOBS ?= $(shell nproc)
ARGS ?=
CMAKE_GENERATOR ?= Ninja

.PHONY: all deps test demo bench clean

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
	@$(BUILD)/release/examples/kavrin-demo $(ARGS)

bench: deps
	@cmake -S . -B $(BUILD)/bench -G $(CMAKE_GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DKAVRIN_BUILD_BENCH=ON -DKAVRIN_BUILD_EXAMPLES=OFF >/dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS)
	@for b in $(BUILD)/bench/bench/kavrin-bench-$(or $(BENCH),*); do echo "== $$b"; $$b $(ARGS) || exit 1; done

clean:
	rm -rf $(BUILD)
