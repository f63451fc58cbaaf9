# Morvane: the two commands of a new machine are `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

# Debian packages the build and the tests need (the last line: making the Debian package and
# checking what it installs).
PACKAGES := build-essential cmake pkg-config libgtest-dev libbenchmark-dev \
            libcrypto++-dev libssl-dev zlib1g-dev libdeflate-dev libinih-dev libcli11-dev \
            qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core clang-14 libclang-rt-14-dev \
            dpkg-dev file desktop-file-utils appstream shared-mime-info \
            man-db

.PHONY: all deps configure build test run bench package clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" != 0 ]; then echo "missing packages:$$missing (run as root to install)"; exit 1; fi; \
	  echo "installing:$$missing"; \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The fuzz targets under the sanitizers (the seed corpora replayed, then a minute of fuzzing per
# target; the fuzzer's own lines go to a log, shown whole on a finding), then the test suite.
FUZZ_SECONDS ?= 60

test: build
	@echo "fuzzing $(FUZZ_SECONDS) s per target (log: $(BUILD)/fuzz.log)"
	@FUZZ_BUILD=$(BUILD)-fuzz JOBS=$(JOBS) ./fuzz/run $(FUZZ_SECONDS) >$(BUILD)/fuzz.log 2>&1 || \
	  { tail -n 80 $(BUILD)/fuzz.log; echo "fuzzing FAILED (log: $(BUILD)/fuzz.log)"; exit 1; }
	@grep -E '^(== |stat::number_of_executed_units|stat::average_exec_per_sec)' $(BUILD)/fuzz.log
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	./tools/run-program $(BUILD)

bench: build
	$(BUILD)/bin/cipher_bench

# The Debian package from the installation rules: $(BUILD)/morvane_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
