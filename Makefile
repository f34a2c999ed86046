# make run   installs what is missing, builds, starts the program
# make test  installs what is missing, builds, runs every test headless
#            (also in an address + undefined-behaviour sanitizer build)

.PHONY: all deps build build-asan run test clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset debug >/dev/null
	cmake --build build/debug

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build build/asan

run: build
	build/debug/bin/Zelvoviewer

test: build build-asan
	ctest --test-dir build/debug --output-on-failure
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	ctest --test-dir build/asan --output-on-failure

clean:
	rm -rf build
