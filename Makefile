# Two commands on a fresh Debian 12 machine: `make run` and `make test`.

# wine32:i386 runs the release under Wine; crossbuild-essential-i386 builds the 32-bit preload
# library the end-to-end tests put into it (gcc-multilib would remove the MinGW compilers).
# clang-14 and libclang-rt-14-dev: clang++-14 and libFuzzer for the fuzz targets.
PACKAGES := cmake make g++ libgtest-dev file g++-mingw-w64-x86-64-posix \
            g++-mingw-w64-i686-posix wine64 wine32:i386 crossbuild-essential-i386 \
            xvfb xauth imagemagick x11-utils clang-14 libclang-rt-14-dev
WINE32 := /usr/lib/wine/wine
JOBS ?= 2
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: run test deps native win64 win32 check-win32 e2e sanitize bench clean fuzz-build fuzz \
        fuzz-smoke

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  dpkg --print-foreign-architectures | grep -qx i386 || $(SUDO) dpkg --add-architecture i386; \
	  $(SUDO) apt-get update -qq || echo "apt-get update failed in part (a mirror syncing?): installing from the indexes it did get"; \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing || { \
	    echo "Installing again from Debian 12's main archive alone: an index it lacks (i386 security, say) leaves amd64 and i386 versions apart"; \
	    list=$$(mktemp); printf 'deb http://deb.debian.org/debian bookworm main\ndeb http://deb.debian.org/debian bookworm-updates main\n' > $$list; \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends \
	      -o Dir::Etc::sourcelist=$$list -o Dir::Etc::sourceparts=/nonexistent $$missing; \
	    status=$$?; rm -f $$list; exit $$status; }; \
	fi

native: deps
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/native -j$(JOBS)

win64: deps
	cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/win64 -j$(JOBS)

win32: deps
	cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/win32 -j$(JOBS)

check-win32: win32
	@kind=$$(file build/win32/tramox.exe); echo "$$kind"; \
	  echo "$$kind" | grep -q "PE32 executable (GUI) Intel 80386" \
	  || { echo "build/win32/tramox.exe is not a 32-bit PE GUI program"; exit 1; }

# Every scenario against the 64-bit build and the release, each with its own driver.
e2e: win64 check-win32
	e2e/run_e2e.sh build/win64 build/win32

# The release, the program users get, under Wine's 32-bit side.
run: check-win32
	@if [ -z "$$DISPLAY" ]; then echo "make run needs a display: DISPLAY is not set."; exit 1; fi
	mkdir -p run
	cd run && WINEDEBUG=-all $(WINE32) ../build/win32/tramox.exe

test: native win64 check-win32
	$(MAKE) --no-print-directory sanitize
	$(MAKE) --no-print-directory fuzz-smoke
	ctest --test-dir build/native --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory e2e

# The native tests under each sanitizer, in build folders of their own.
sanitize: deps
	for s in address,undefined thread; do \
	  cmake -S . -B build/san-$${s%%,*} -DTRAMOX_SANITIZE=$$s >/dev/null && \
	  cmake --build build/san-$${s%%,*} -j$(JOBS) && \
	  ctest --test-dir build/san-$${s%%,*} --output-on-failure -j$(JOBS) || exit 1; \
	done

# The record reader under libFuzzer, ASan and UBSan. `make fuzz` runs a million inputs and keeps
# what it learns in build/fuzz/corpus; fuzz-smoke, part of `make test`, is a short seeded run
# from the committed seeds alone.
FUZZ_RUNS ?= 1000000
fuzz-build: deps
	cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz -j$(JOBS)

fuzz: fuzz-build
	mkdir -p build/fuzz/corpus
	build/fuzz/damage_record_fuzz -runs=$(FUZZ_RUNS) -print_final_stats=1 \
	  build/fuzz/corpus fuzz/corpus

fuzz-smoke: fuzz-build
	rm -rf build/fuzz/smoke && mkdir -p build/fuzz/smoke
	build/fuzz/damage_record_fuzz -runs=20000 -seed=1 build/fuzz/smoke fuzz/corpus

# The benchmarks (bench/README.md), built in folders of their own; never part of `make test`.
bench: deps
	cmake -S bench -B build/bench-native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/bench-native -j$(JOBS)
	cmake -S bench -B build/bench-win64 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/bench-win64 -j$(JOBS)
	bench/run_bench.sh build/bench-native build/bench-win64

clean:
	rm -rf build
