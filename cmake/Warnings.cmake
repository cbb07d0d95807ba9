# Strict warnings for the project's own sources. Third-party headers are
# included as system headers (see JuceConfig.cmake) so they stay quiet.
set(VELMORA_WARNING_FLAGS
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wunused -Wnull-dereference -Wdouble-promotion -Wformat=2
    -Wimplicit-fallthrough -Werror=return-type)

# Applies the flags to a target's own sources only: targets made by JUCE's
# helpers also compile JUCE's module sources, which must not see them.
function(velmora_strict_warnings target)
    get_target_property(_sources ${target} SOURCES)
    foreach(_source IN LISTS _sources)
        if(NOT _source MATCHES "^\\$<" AND NOT IS_ABSOLUTE "${_source}")
            get_filename_component(_source "${_source}" ABSOLUTE)
        endif()
        string(FIND "${_source}" "${VELMORA_JUCE_DIR}" _in_juce)
        string(FIND "${_source}" "${CMAKE_BINARY_DIR}" _in_build)
        if(_in_juce EQUAL -1 AND _in_build EQUAL -1 AND _source MATCHES "\\.(cpp|cc|cxx)$")
            set_property(SOURCE "${_source}" DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
                         APPEND PROPERTY COMPILE_OPTIONS ${VELMORA_WARNING_FLAGS})
        endif()
    endforeach()
endfunction()
