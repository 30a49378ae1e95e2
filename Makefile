# Every target installs what it needs first (scripts/setup.sh, quick when done).
.PHONY: all setup build package test check format test-asan fuzz demo bench clean

all: build

setup:
	@bash scripts/setup.sh

build:
	@bash scripts/build.sh

# make package RUNTIME_HEADERS=<its include/node> RUNTIME_EXE=<its exe> also
# builds the nan addons for that runtime and packs them under its module
# version (README, "Packages").
package:
	@bash scripts/build.sh
	@bash scripts/package.sh $(if $(RUNTIME_HEADERS)$(RUNTIME_EXE),--runtime "$(RUNTIME_HEADERS)" "$(RUNTIME_EXE)")

test:
	@bash scripts/test.sh

# make check PKG=<deliverable>: build and test one deliverable.
check:
	@bash scripts/check.sh $(PKG)

# Formats every C and C++ source in the house style (.clang-format).
format:
	@bash scripts/format.sh

test-asan:
	@bash scripts/test-asan.sh

fuzz:
	@bash scripts/fuzz.sh

demo:
	@bash scripts/demo.sh

bench:
	@bash scripts/bench.sh

clean:
	rm -rf build dist
