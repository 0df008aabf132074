# Every target of the project compiles with the same strict warnings.
function(quorva_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
        -Wimplicit-fallthrough)
endfunction()

# A command-line front end (a tool's or the run-time's main: CLI11 options, JSON output) runs once
# per call; at -O1 it builds about a quarter faster than at -O2. The code it drives lives in
# libraries that keep the build's optimisation.
function(quorva_front_end target)
    target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O1>)
endfunction()

# A subsystem library compiles eight of its files at a time in one translation unit: the Qt and
# standard headers they share are then parsed once per batch instead of once per file, which
# more than halves the library's build time. Files listed in `separate` keep a translation unit of
# their own (they define names of their own that another file of the library defines too).
function(quorva_library_batches target)
    cmake_parse_arguments(PARSE_ARGV 1 BATCH "" "" "SEPARATE")
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
    if(BATCH_SEPARATE)
        set_source_files_properties(${BATCH_SEPARATE} TARGET_DIRECTORY ${target}
                                    PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
endfunction()
