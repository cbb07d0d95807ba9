# Compiler caching. The cache lives outside the tree (ccache's default), and
# paths are hashed relative to the source folder, so a fresh clone of the
# repository anywhere on the same machine reuses what an earlier build compiled.
find_program(VELMORA_CCACHE ccache)
if(VELMORA_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    # One executable path, because JUCE passes the launcher on to the nested
    # build of its juceaide tool, which takes no argument lists.
    set(_launcher "${CMAKE_BINARY_DIR}/ccache-launcher")
    file(WRITE "${_launcher}"
         "#!/bin/sh\n"
         "export CCACHE_BASEDIR='${CMAKE_SOURCE_DIR}'\n"
         "export CCACHE_NOHASHDIR=true\n"
         "export CCACHE_SLOPPINESS=time_macros,include_file_mtime,include_file_ctime\n"
         "exec '${VELMORA_CCACHE}' \"$@\"\n")
    file(CHMOD "${_launcher}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                          WORLD_READ WORLD_EXECUTE)
    set(CMAKE_C_COMPILER_LAUNCHER "${_launcher}")
    set(CMAKE_CXX_COMPILER_LAUNCHER "${_launcher}")
endif()
