# Instruments the whole build for libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer, so the code a fuzz target reaches (ours and
# JUCE's) reports every memory or arithmetic fault it hits. Included before
# any target exists; use a build folder of its own:
#
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
#       -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF
#   cmake --build build-fuzz --target velmora_state_fuzz
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VELMORA_BUILD_FUZZ needs clang (libFuzzer): configure with CXX=clang++ CC=clang")
endif()

set(VELMORA_SANITIZERS "address,undefined")
add_compile_options(-fsanitize=fuzzer-no-link,${VELMORA_SANITIZERS} -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=${VELMORA_SANITIZERS})
# The reverb's compile-time prime table takes more constexpr steps than
# clang allows by default.
add_compile_options(-fconstexpr-steps=100000000)
