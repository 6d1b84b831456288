# Thin driver over CMake: three trees from one source.
#   build/win64   x86_64 Windows program and tests (tests run under Wine)
#   build/win32   i686 Windows program, the 32-bit release (compile-only here)
#   build/native  the portable core and its tests, natively, with ASan and UBSan
BUILD ?= build
TREES := win64 win32 native
SRC := $(CURDIR)

cmake_win64 := -DCMAKE_TOOLCHAIN_FILE=$(SRC)/cmake/toolchain-mingw-x86_64.cmake
cmake_win32 := -DCMAKE_TOOLCHAIN_FILE=$(SRC)/cmake/toolchain-mingw-i686.cmake
cmake_native := -DZEKO_NATIVE_CORE=ON

.PHONY: all deps build test run screenshots clean

all: build

deps:
	@tools/install-deps.sh

$(BUILD)/%/build.ninja: | deps
	@cmake -S $(SRC) -B $(BUILD)/$* -G Ninja $(cmake_$*) --log-level=WARNING >/dev/null

build: $(TREES:%=$(BUILD)/%/build.ninja)
	@for tree in $(TREES); do \
		cmake --build $(BUILD)/$$tree -- --quiet || exit 1; \
	done

test: build
	@ctest --test-dir $(BUILD)/native --output-on-failure --parallel 2
	@ctest --test-dir $(BUILD)/win64 --output-on-failure --parallel 2

run: $(BUILD)/win64/build.ninja
	@cmake --build $(BUILD)/win64 --target zeko wine_keepalive -- --quiet
	@tools/run.sh $(BUILD)/win64

screenshots: $(BUILD)/win64/build.ninja
	@cmake --build $(BUILD)/win64 --target zeko show_template show_main_window wine_keepalive -- --quiet
	@tools/screenshots.sh $(BUILD)/win64 $(BUILD)/screenshots

clean:
	@for tree in $(TREES); do \
		[ ! -d $(BUILD)/$$tree ] || tools/wine.sh $(BUILD)/$$tree --stop 2>/dev/null || true; \
	done
	rm -rf $(BUILD)
