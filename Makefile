# make test   install what is missing, build Release and sanitizer builds, run every test of both
# make bench  build and run the benchmarks (Release)
JOBS ?= $(shell nproc)
RELEASE := build/release
SANITIZE := build/sanitize

.PHONY: test deps release sanitize bench clean

test: deps release sanitize
	ctest --test-dir $(RELEASE) --output-on-failure -j $(JOBS)
	ctest --test-dir $(SANITIZE) --output-on-failure -j $(JOBS)

deps:
	@sh tools/install-deps

release: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE) -j $(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DWF_SANITIZE=ON -DWF_BENCHMARKS=OFF
	cmake --build $(SANITIZE) -j $(JOBS)

bench: release
	@for b in $(RELEASE)/bench/wf_bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf build
