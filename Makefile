# Front door of the build: every target installs what it needs, configures its CMake preset and builds.
# Builds take a lock so that two builds never run at once on this two-core machine.
JOBS ?= 2
# Where `make install` puts the program; DESTDIR (staged installs) is honoured as well.
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 30
# Extra ctest options, such as CI's one retry of a failed test.
CTEST_FLAGS ?=
LOCK := flock /tmp/tessaron-build.lock
DEPS_STAMP := build/.deps-installed
# ccache, when the machine has it, lets several checkouts share compiled objects.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true

.PHONY: all run screenshot test bench fuzz test-asan test-tsan deps clean install

all: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS)

deps: $(DEPS_STAMP)
$(DEPS_STAMP): scripts/install-deps
	scripts/install-deps
	mkdir -p build && touch $@

build/%/build.ninja: $(DEPS_STAMP) CMakeLists.txt CMakePresets.json
	$(LOCK) cmake --preset $* $(LAUNCHER) >/dev/null

run: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS) --target tessaron tessaron-cli
	build/release/tessaron-cli demo build/demo
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  build/release/tessaron build/demo/demo.tsn; \
	else \
	  echo "No display for the program window: rendering and playing the demo song instead."; \
	  build/release/tessaron-cli summary build/demo/demo.tsn; \
	  build/release/tessaron-cli render build/demo/demo.tsn build/demo/demo.wav; \
	  build/release/tessaron-cli play build/demo/demo.tsn || echo "(no audio output to play the demo on; it is rendered in build/demo/demo.wav)"; \
	fi

# docs/screenshot.png: the program window on the demo song, taken under Xvfb.
screenshot: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS) --target tessaron tessaron-cli
	scripts/screenshot build/release docs/screenshot.png

test: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS)
	cd build/release && ctest --output-on-failure -j$(JOBS) $(CTEST_FLAGS)

bench: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS)
	@for b in build/release/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

test-asan: build/asan/build.ninja
	$(LOCK) cmake --build build/asan -j$(JOBS)
	cd build/asan && LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan-suppressions.txt" ctest --output-on-failure -j$(JOBS) $(CTEST_FLAGS)

test-tsan: build/tsan/build.ninja
	$(LOCK) cmake --build build/tsan -j$(JOBS)
	cd build/tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/tests/tsan-suppressions.txt" ctest --output-on-failure -j$(JOBS) $(CTEST_FLAGS)

fuzz: build/fuzz/build.ninja
	$(LOCK) cmake --build build/fuzz -j$(JOBS)
	@for f in build/fuzz/fuzz/fuzz_*; do \
	  name=$$(basename $$f); corpus=build/fuzz/corpus/$$name; mkdir -p $$corpus; \
	  seeds=fuzz/seeds/$${name#fuzz_}; [ -d $$seeds ] || seeds=; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 $$corpus $$seeds || exit 1; \
	done

install: build/release/build.ninja
	$(LOCK) cmake --build build/release -j$(JOBS)
	cmake --install build/release --prefix $(PREFIX)
	@# The desktop learns of the new song type and program (not for staged installs).
	@if [ -z "$(DESTDIR)" ]; then \
	  command -v update-mime-database >/dev/null && update-mime-database $(PREFIX)/share/mime || true; \
	  command -v update-desktop-database >/dev/null && update-desktop-database -q $(PREFIX)/share/applications || true; \
	fi

clean:
	rm -rf build
