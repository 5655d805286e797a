# make run: build and start the program.  make test: build and run every test under Wine.
# make bench: time the extraction run and the folder tree on large folders.
BUILD := build
.PHONY: all deps build test run bench clean

all: build

deps:
	@tools/deps.sh

build: deps
	@tools/build.sh $(BUILD)

test: build
	@tools/winenv.sh $(BUILD) sh -c 'ctest --test-dir "$$(tools/rundir.sh $(BUILD))" --output-on-failure'

run: build
	@tools/run.sh $(BUILD)

bench: build
	@tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
