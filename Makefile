# make run: build and start the program.  make test: build and run every test under Wine.
BUILD := build
.PHONY: all deps build test run clean

all: build

deps:
	@tools/deps.sh

build: deps
	@tools/build.sh $(BUILD)

test: build
	@tools/winenv.sh $(BUILD) sh -c 'ctest --test-dir "$$(tools/rundir.sh $(BUILD))" --output-on-failure'

run: build
	@tools/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
