# Thin driver over CMake: three trees from one source.
#   build/win64   x86_64 Windows program and tests (tests run under Wine)
#   build/win32   i686 Windows program, the 32-bit release (compile-only here)
#   build/native  the portable core and its tests, natively, with ASan and UBSan
#   build/fuzz    the portable core and its libFuzzer targets (clang); `make test` runs
#                 each for FUZZ_SMOKE_SECONDS, `make fuzz` for FUZZ_SECONDS
#   build/bench   zekocli, optimised, for `make bench` (with build/win64's zekocli.exe)
#                 and `make install`
# `make dist` packs build/win32's programs into dist/ (the release zip and its SHA-256).
# `make install` puts zekocli and its manual page under $(DESTDIR)$(PREFIX).
BUILD ?= build
TREES := win64 win32 native fuzz
SRC := $(CURDIR)
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 2
PREFIX ?= /usr/local

cmake_win64 := -DCMAKE_TOOLCHAIN_FILE=$(SRC)/cmake/toolchain-mingw-x86_64.cmake
cmake_win32 := -DCMAKE_TOOLCHAIN_FILE=$(SRC)/cmake/toolchain-mingw-i686.cmake
cmake_native := -DZEKO_NATIVE_CORE=ON
cmake_fuzz := -DZEKO_FUZZ=ON -DZEKO_FUZZ_SMOKE_SECONDS=$(FUZZ_SMOKE_SECONDS)
cmake_bench := -DZEKO_NATIVE_CORE=ON -DZEKO_SANITIZE=OFF -DZEKO_TESTS=OFF \
	-DCMAKE_BUILD_TYPE=Release
# The fuzz tree needs clang; the others take the toolchain file's or the default compiler.
env_fuzz := CC=clang CXX=clang++

.PHONY: all deps build test fuzz bench run screenshots dist install clean

all: build

deps:
	@tools/install-deps.sh

$(BUILD)/%/build.ninja: | deps
	@$(env_$*) cmake -S $(SRC) -B $(BUILD)/$* -G Ninja $(cmake_$*) --log-level=WARNING >/dev/null

build: $(TREES:%=$(BUILD)/%/build.ninja)
	@for tree in $(TREES); do \
		cmake --build $(BUILD)/$$tree -- --quiet || exit 1; \
	done

test: build
	@ctest --test-dir $(BUILD)/native --output-on-failure --parallel 2
	@ctest --test-dir $(BUILD)/fuzz --output-on-failure --parallel 2
	@ctest --test-dir $(BUILD)/win64 --output-on-failure --parallel 2
	@ctest --test-dir $(BUILD)/win32 --output-on-failure

fuzz: $(BUILD)/fuzz/build.ninja
	@cmake --build $(BUILD)/fuzz -- --quiet
	@fuzz/run.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

bench: $(BUILD)/bench/build.ninja $(BUILD)/win64/build.ninja
	@cmake --build $(BUILD)/bench --target zekocli -- --quiet
	@cmake --build $(BUILD)/win64 --target zekocli wine_keepalive -- --quiet
	@bench/run.sh $(BUILD)

dist: $(BUILD)/win32/build.ninja
	@cmake --build $(BUILD)/win32 --target zeko zekocli -- --quiet
	@python3 tools/dist.py $(BUILD)/win32 dist

install: $(BUILD)/bench/build.ninja
	@cmake --build $(BUILD)/bench --target zekocli -- --quiet
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD)/bench --prefix $(PREFIX)

run: $(BUILD)/win64/build.ninja
	@cmake --build $(BUILD)/win64 --target zeko wine_keepalive -- --quiet
	@tools/run.sh $(BUILD)/win64

screenshots: $(BUILD)/win64/build.ninja
	@cmake --build $(BUILD)/win64 --target zeko show_template show_main_window show_settings wine_keepalive -- --quiet
	@tools/screenshots.sh $(BUILD)/win64 $(BUILD)/screenshots

clean:
	@for tree in win64 win32; do \
		[ ! -d $(BUILD)/$$tree ] || tools/wine.sh $(BUILD)/$$tree --stop 2>/dev/null || true; \
	done
	rm -rf $(BUILD) dist
