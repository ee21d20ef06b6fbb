# The two commands of the README are `make run` and `make test`.
.PHONY: run test bench build clean fuzz demo lint package soak windows test-windows package-windows

run:
	./scripts/run.sh

test:
	./scripts/test.sh

bench:
	./scripts/bench.sh

build:
	./scripts/install-deps.sh
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j2

fuzz:
	./scripts/fuzz.sh

demo:
	./scripts/demo.sh

lint:
	./scripts/lint.sh

package:
	./scripts/package.sh

clean:
	rm -rf build build-asan build-fuzz build-package build-windows

soak:
	./scripts/soak.sh

windows:
	./scripts/windows-build.sh

test-windows:
	./scripts/windows-test.sh

package-windows:
	./scripts/windows-package.sh
