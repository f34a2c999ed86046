# make run    installs what building and running need, builds the program
#             (optimised), starts it in your pictures folder (DIR=... to choose)
# make test   installs what the tests need, builds, runs every test headless
#             (also in an address + undefined-behaviour sanitizer build)
# make bench  builds optimised and prints the performance table
# make fuzz   fuzzes the history-file reader and the HEIF, JPEG XL and camera RAW handlers,
#             FUZZ_SECONDS each (clang, libFuzzer)
# make package builds the Debian package into build/package/

DIR ?= $(shell scripts/pictures-folder.sh)
FUZZ_SECONDS ?= 60

.PHONY: all run test bench fuzz package clean

all: run

run:
	@scripts/install-deps.sh run
	cmake --preset release >/dev/null
	cmake --build build/release --target Zelvoviewer
	cd "$(DIR)" && exec "$(CURDIR)/build/release/bin/Zelvoviewer"

test:
	@scripts/install-deps.sh test
	cmake --preset debug >/dev/null
	cmake --build build/debug
	cmake --preset asan >/dev/null
	cmake --build build/asan
	ctest --test-dir build/debug --output-on-failure
	@scripts/skipped-tests.sh build/debug
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	ctest --test-dir build/asan --output-on-failure
	@scripts/skipped-tests.sh build/asan

bench:
	@scripts/install-deps.sh bench
	cmake --preset release >/dev/null
	cmake --build build/release --target zelvobench
	# With a session bus, as on a desktop: without one, each start of ours
	# or of a peer that uses the bus first launches a bus of its own.
	dbus-run-session -- tests/e2e/with-display.sh build/release/bench/zelvobench build/bench-data

package:
	@scripts/install-deps.sh package
	cmake --preset release >/dev/null
	cmake --build build/release --target Zelvoviewer zelvo_docs
	cd build/release && cpack
	@ls -l build/release/package/*.deb

fuzz:
	@scripts/install-deps.sh fuzz
	cmake --preset fuzz >/dev/null
	cmake --build build/fuzz --target fuzz_rirekifile fuzz_heif fuzz_jxl fuzz_raw
	mkdir -p build/fuzz/corpus build/fuzz/corpus-heif build/fuzz/corpus-jxl build/fuzz/seeds-heif build/fuzz/seeds-jxl \
	    build/fuzz/corpus-raw build/fuzz/seeds-raw
	cp tests/data/formats/*.heic tests/data/formats/*.avif build/fuzz/seeds-heif/
	cp tests/data/formats/*.jxl build/fuzz/seeds-jxl/
	cp tests/data/formats/*.dng build/fuzz/seeds-raw/
	build/fuzz/tests/fuzz/fuzz_rirekifile -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    build/fuzz/corpus tests/data/rireki-hostile
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	build/fuzz/tests/fuzz/fuzz_heif -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 -print_final_stats=1 \
	    build/fuzz/corpus-heif build/fuzz/seeds-heif
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	build/fuzz/tests/fuzz/fuzz_jxl -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 -print_final_stats=1 \
	    build/fuzz/corpus-jxl build/fuzz/seeds-jxl
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	build/fuzz/tests/fuzz/fuzz_raw -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 -print_final_stats=1 \
	    build/fuzz/corpus-raw build/fuzz/seeds-raw

# Everything built goes, but a history file the program keeps beside itself
# in the build (make run) is the user's and stays.
clean:
	@if [ -d build ]; then \
	    find build -depth -mindepth 1 ! -type d ! -name Rireki.dat -delete; \
	    find build -depth -mindepth 1 -type d -empty -delete; \
	fi
