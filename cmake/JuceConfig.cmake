# How the project uses JUCE.
#
# JUCE's module headers are marked as system headers, so our strict warnings
# stop at our own code.
foreach(_module IN ITEMS juce_core juce_audio_basics juce_audio_formats juce_dsp juce_events
                         juce_data_structures juce_graphics juce_gui_basics juce_gui_extra
                         juce_audio_processors juce_audio_devices juce_audio_utils
                         juce_audio_plugin_client)
    if(TARGET ${_module})
        get_target_property(_dirs ${_module} INTERFACE_INCLUDE_DIRECTORIES)
        set_property(TARGET ${_module} APPEND PROPERTY INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${_dirs})
    endif()
endforeach()

# Debian's JUCE source leaves out the bundled FLAC and Ogg Vorbis codecs and
# compiles against the system's libraries instead, which JUCE's CMake does not
# link by itself.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELMORA_AUDIO_CODECS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg)
target_link_libraries(juce_audio_formats INTERFACE PkgConfig::VELMORA_AUDIO_CODECS)

# Settings every JUCE-compiled unit of the project shares. The engine library
# is compiled against JUCE's headers alone and linked into programs that each
# bring their own compiled JUCE modules, so these must agree everywhere.
add_library(velmora_juce_settings INTERFACE)
target_compile_definitions(velmora_juce_settings INTERFACE
    JUCE_USE_CURL=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_DISABLE_JUCE_VERSION_PRINTING=1)

# juce::dsp::FFT picks its engine when juce_dsp is compiled: JUCE's own, or
# FFTW, which makes the octave shifters about 1.4 times as fast. FFTW's
# real-only transforms, as JUCE plans them, allocate a buffer on every call,
# so every juce::dsp::FFT used on the audio thread sticks to the complex
# perform(). FFTW is linked at build time (JUCE's "static" mode): the run-time
# loading mode would look for the unversioned libfftw3f.so, which only the
# -dev package installs.
option(VELMORA_FFTW "Back juce::dsp::FFT with FFTW (single precision)" ON)
if(VELMORA_FFTW)
    pkg_check_modules(VELMORA_FFTW3F REQUIRED IMPORTED_TARGET fftw3f)
    target_compile_definitions(velmora_juce_settings INTERFACE JUCE_DSP_USE_STATIC_FFTW=1)
    target_link_libraries(juce_dsp INTERFACE PkgConfig::VELMORA_FFTW3F)
endif()

# The JUCE modules the engine may use: no GUI, no plug-in wrapper. Programs
# that need only the engine (its tests and benchmarks) link this; the plug-in
# and the command-line tool get the same modules from the plug-in's shared code.
add_library(velmora_juce_dsp STATIC)
target_link_libraries(velmora_juce_dsp
    PRIVATE juce::juce_dsp
    PUBLIC velmora_juce_settings)
target_compile_definitions(velmora_juce_dsp INTERFACE
    $<TARGET_PROPERTY:velmora_juce_dsp,COMPILE_DEFINITIONS>)
target_include_directories(velmora_juce_dsp SYSTEM INTERFACE
    $<TARGET_PROPERTY:velmora_juce_dsp,INCLUDE_DIRECTORIES>)
