# make test   install what is missing, build Release and sanitizer builds, run every test of both,
#             and the threaded tests under ThreadSanitizer
# make demo   install what is missing, build wf-host and the module alone, run the filter over a photo
#             for all 17 groups into out/
# make bench  build and run the benchmarks (Release)
# make bench-filter  the filter's path on a 12-megapixel image in process and on a photo through wf-host,
#                    beside OpenCV's warpAffine (installs python3-opencv)
# make fuzz   build the decoders' and the markup drawer's fuzz targets with clang and run each for FUZZ_SECONDS
# make fuzz-check  the same targets from seed 1 for FUZZ_RUNS inputs each, as CI runs them
# make format-check  fail when clang-format (.clang-format) would change a tracked .cpp or .h file
# make layer-check   fail on an include against the README's layer order or into another folder's detail/
JOBS ?= $(shell nproc)
RELEASE := build/release
SANITIZE := build/sanitize
TSAN := build/tsan
TSAN_TESTS := tests/core/wf_core_thread_tests tests/rowops/wf_rowops_thread_tests tests/framework/wf_framework_thread_tests tests/app/wf_app_thread_tests tests/vector/wf_vector_thread_tests tests/platform/wf_x11_tests tests/generators/wf_generators_tests
FUZZ := build/fuzz
FUZZ_SECONDS ?= 25
FUZZ_RUNS ?= 20000
# WERROR=ON turns warnings into errors (CI sets it).
WERROR ?= OFF
FUZZERS := bmp wbmp jpeg png exif ico tga pcx gif tiff jp2 jpc pgx pnm ras wmf emf markup
# Where a fuzzer lives: the markup drawer's beside the controls, the rest beside the codecs.
FUZZER_DIR = case $$f in markup) d=controls/fuzz;; *) d=codecs/fuzz;; esac

.PHONY: test deps release sanitize tsan bench fuzz fuzz-build fuzz-check format-check layer-check clean

# A failure's output is printed again at the end, where a log's tail shows it.
CTEST = ctest --test-dir $(1) --output-on-failure -j $(JOBS) || \
	{ echo "== the failed tests of $(1) once more"; ctest --test-dir $(1) --rerun-failed --output-on-failure; exit 1; }

test: deps release sanitize tsan
	$(call CTEST,$(RELEASE))
	$(call CTEST,$(SANITIZE))
	@for t in $(TSAN_TESTS); do echo "== $$t under ThreadSanitizer"; TSAN_OPTIONS=halt_on_error=1 $(TSAN)/$$t || exit 1; done

deps:
	@sh tools/install-deps

CONFIGURE_RELEASE = cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DWF_WERROR=$(WERROR)

release: deps
	$(CONFIGURE_RELEASE)
	cmake --build $(RELEASE) -j $(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DWF_SANITIZE=ON -DWF_BENCHMARKS=OFF -DWF_WERROR=$(WERROR)
	cmake --build $(SANITIZE) -j $(JOBS)

# Only the threaded tests: the rest of the tree runs on one thread.
tsan: deps
	cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=Debug -DWF_TSAN=ON -DWF_BENCHMARKS=OFF -DWF_WERROR=$(WERROR)
	cmake --build $(TSAN) -j $(JOBS) --target $(notdir $(TSAN_TESTS))

# Only what the demo runs: the tests and benchmarks wait for `make test` and `make bench`.
demo: deps
	$(CONFIGURE_RELEASE)
	cmake --build $(RELEASE) -j $(JOBS) --target wf-host WendleForge
	sh tools/demo.sh $(RELEASE)

bench-filter: release
	$(RELEASE)/bench/wf_bench_filter_path
	@/usr/bin/python3 -c 'import cv2' 2>/dev/null || apt-get install -y -q --no-install-recommends python3-opencv
	/usr/bin/python3 bench/filter_vs_warpaffine.py $(RELEASE)

bench: release
	@for b in $(RELEASE)/bench/wf_bench_*; do echo "== $$b"; $$b; done

FUZZ_LIMITS := -timeout=10 -rss_limit_mb=3072 -malloc_limit_mb=2304 -print_final_stats=1

fuzz-build: deps
	cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DWF_FUZZ=ON -DWF_BENCHMARKS=OFF
	cmake --build $(FUZZ) -j $(JOBS) --target $(addprefix wf_fuzz_,$(FUZZERS))
	rm -rf $(FUZZ)/seeds && sh codecs/fuzz/make-seeds.sh $(FUZZ)/seeds
	mkdir -p $(FUZZ)/seeds/markup && cp controls/fuzz/seeds/* $(FUZZ)/seeds/markup/
	@mkdir -p $(FUZZ)/crashes

# Exploration, seeded from the clock and growing its corpus from run to run. A crash leaves its
# input in build/fuzz/crashes; once mended, keep it in codecs/fuzz/regressions/<format>/ so that
# the tests replay it.
fuzz: fuzz-build
	@for f in $(FUZZERS); do mkdir -p $(FUZZ)/corpus/$$f; echo "== fuzzing $$f for $(FUZZ_SECONDS) s"; \
	  $(FUZZER_DIR); $(FUZZ)/$$d/wf_fuzz_$$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_LIMITS) \
	    -artifact_prefix=$(FUZZ)/crashes/$$f- $(FUZZ)/corpus/$$f $(FUZZ)/seeds/$$f || exit 1; \
	done

# CI's check: a fixed seed and number of runs over the seeds and the kept regressions only, into a
# corpus made afresh, so that one tree passes or fails the same way every time. Compared values
# would feed the mutations with addresses, which differ from run to run, so they are left out.
fuzz-check: fuzz-build
	@for f in $(FUZZERS); do rm -rf $(FUZZ)/check/$$f && mkdir -p $(FUZZ)/check/$$f; \
	  echo "== fuzzing $$f for $(FUZZ_RUNS) runs from seed 1"; \
	  $(FUZZER_DIR); $(FUZZ)/$$d/wf_fuzz_$$f -seed=1 -runs=$(FUZZ_RUNS) -reload=0 -use_cmp=0 $(FUZZ_LIMITS) \
	    -artifact_prefix=$(FUZZ)/crashes/$$f- $(FUZZ)/check/$$f $(FUZZ)/seeds/$$f || exit 1; \
	done

format-check: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

layer-check:
	sh tools/layer-check

clean:
	rm -rf build
