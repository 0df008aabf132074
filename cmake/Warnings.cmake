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
