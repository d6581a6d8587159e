# Entry points: `make demo` and `make test` install what they need, build, then run.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Compiles go through ccache when it is installed: paths inside this checkout are hashed
# relative to it, so a fresh clone reuses what another clone of the same sources compiled.
LAUNCHER = -DCMAKE_CXX_COMPILER_LAUNCHER=$$(command -v ccache || true)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps configure build demo test test-sanitize bench screenshots fuzz explore clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	$(BUILD)/apps/demo-host/lorvane-demo-host --database $(BUILD)/data/sample/sample.db

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# Every test again, built with the address and undefined-behaviour sanitizers in a folder of
# its own; the first error stops the test that hit it.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORVANE_BUILD_BENCHMARKS=OFF $(LAUNCHER) \
	  "-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)" >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 1200

bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@QT_QPA_PLATFORM=offscreen ./scripts/run-benchmarks $(BUILD)

# Renders each builder page of a typical session on the sample database to docs/screenshots/.
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/apps/demo-host/lorvane-demo-host --database $(BUILD)/data/sample/sample.db --screenshots docs/screenshots
	@# The exported workbook as LibreOffice Calc shows it: printed to PDF, first page to PNG.
	@rm -rf $(BUILD)/sheet-render && mkdir -p $(BUILD)/sheet-render
	soffice --headless --norestore -env:UserInstallation=file://$(CURDIR)/$(BUILD)/sheet-render/profile \
	  --convert-to pdf --outdir $(BUILD)/sheet-render docs/screenshots/11-exported-sheet.xlsx >/dev/null
	pdftoppm -png -r 70 -singlefile $(BUILD)/sheet-render/11-exported-sheet.pdf docs/screenshots/11-exported-sheet
	@rm -f docs/screenshots/11-exported-sheet.xlsx

# libFuzzer targets for the parsers of outside text, each run FUZZ_SECONDS from its seeds.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DLORVANE_BUILD_TESTS=OFF -DLORVANE_BUILD_BENCHMARKS=OFF -DLORVANE_BUILD_DEMO=OFF -DLORVANE_BUILD_FUZZERS=ON \
	  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@./scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The state explorer: seeded action sequences through the builder window, each action checked,
# for SECONDS of CPU time per database (the sample and a hostile-names SQLite database, and
# PostgreSQL and MariaDB on servers of their own), from seed SEED. A failure prints its seed and
# its shrunk action list; the run ends with "EXPLORE sequences=<n> actions=<n> failures=<n>".
SECONDS ?= 300
SEED ?= 1
explore: configure
	@cmake --build $(BUILD) -j $(JOBS) --target lorvane_explorer
	@./scripts/pg-test-server start $(BUILD)/explore-pg >/dev/null
	@./scripts/mariadb-test-server start $(BUILD)/explore-mariadb >/dev/null
	@QT_QPA_PLATFORM=offscreen LORVANE_EXPLORE_PG="$$(cat $(BUILD)/explore-pg/connection.txt)" \
	  LORVANE_EXPLORE_MARIADB="$$(cat $(BUILD)/explore-mariadb/connection.txt)" \
	  $(BUILD)/tests/lorvane_explorer --explore --seconds $(SECONDS) --seed $(SEED) $(EXPLORE_FLAGS); \
	  status=$$?; ./scripts/pg-test-server stop $(BUILD)/explore-pg >/dev/null; \
	  ./scripts/mariadb-test-server stop $(BUILD)/explore-mariadb >/dev/null; exit $$status

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
