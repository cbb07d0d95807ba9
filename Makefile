# The two commands a newcomer needs:
#   make demo   set up, build, and render the built-in demo through the plug-in
#   make test   set up, build, and run every test
BUILD_DIR ?= build
OUT_DIR ?= out
ARTEFACTS = $(BUILD_DIR)/plugin/VELMORA_artefacts/Release

.PHONY: all setup configure build demo test bench install clean format

all: build

setup:
	@./scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	    cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release; \
	fi

build: configure
	@cmake --build $(BUILD_DIR)

demo: build
	@mkdir -p $(OUT_DIR)
	@$(BUILD_DIR)/tools/velmora render --overwrite $(OUT_DIR)/demo.wav
	@echo "demo render:  $(CURDIR)/$(OUT_DIR)/demo.wav"
	@echo "LV2:          $(CURDIR)/$(ARTEFACTS)/LV2/VELMORA.lv2"
	@echo "VST3:         $(CURDIR)/$(ARTEFACTS)/VST3/VELMORA.vst3"
	@echo "Standalone:   $(CURDIR)/$(ARTEFACTS)/Standalone/VELMORA"
	@echo "command line: $(CURDIR)/$(BUILD_DIR)/tools/velmora"

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2

bench: build
	@$(BUILD_DIR)/bench/velmora_bench

install: build
	@./scripts/install.sh $(ARTEFACTS) $(BUILD_DIR)/tools/velmora

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
