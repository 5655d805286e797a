# make run: build and start the program.  make test: build and run every test under Wine.
# make dist: the portable zip and the installer, in dist/.
# make bench: time the extraction run and the folder tree on large folders.
# make fuzz: run the native fuzz targets of the file parsers for a bounded time.
BUILD := build
.PHONY: all deps build test run dist bench fuzz clean

all: build

deps:
	@tools/deps.sh

build: deps
	@tools/build.sh $(BUILD)

test: build
	@tools/test.sh $(BUILD)

run: build
	@tools/run.sh $(BUILD)

dist: deps
	@tools/dist.sh $(BUILD)

bench: build
	@tools/bench.sh $(BUILD)

fuzz: deps
	@tools/fuzz.sh

clean:
	rm -rf $(BUILD) dist
