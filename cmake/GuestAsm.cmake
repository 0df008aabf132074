# Guest code assembled at build time.
#
#   quorva_guest_asm(OUTPUT_HEADER <name.inc> SOURCE <file.s>
#                    [NAMESPACE <c++ namespace>] [TARGET <target>])
#
# Assembles SOURCE (GNU as syntax, 32-bit: `as --32`), keeps its .text section as flat bytes
# (`objcopy -O binary -j .text`) and writes OUTPUT_HEADER into the current binary directory: a
# C++ header with, in NAMESPACE (default `guest_asm::<name>`),
#   kCode         std::array<std::uint8_t, N>, the bytes of .text;
#   kRelocations  offsets of 32-bit fields in kCode that hold a .text offset: add the load
#                 address to each (GuestMemory::PlaceCode does both steps);
#   k<Label>      constexpr std::uint32_t offset of every global label (`.globl name`), named
#                 after the label: `pstr_affect` -> kPstrAffect, `ret42` -> kRet42.
# Everything must live in .text (data too); .data/.bss and references to undefined symbols
# are build errors. Relative calls and jumps between labels are resolved at build time, so the
# code runs at any address once its kRelocations are applied.
# With TARGET the header is added to that target's sources and its directory to the target's
# include path; otherwise list ${CMAKE_CURRENT_BINARY_DIR}/<name.inc> in a target yourself.
include_guard(GLOBAL)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
# Directory-scoped results of this one inclusion must reach callers in every directory.
set(QUORVA_GUEST_PYTHON ${Python3_EXECUTABLE} CACHE INTERNAL "Python for quorva_guest_asm")
find_program(QUORVA_GUEST_AS NAMES as REQUIRED)
find_program(QUORVA_GUEST_OBJCOPY NAMES objcopy REQUIRED)
find_program(QUORVA_GUEST_NM NAMES nm REQUIRED)
find_program(QUORVA_GUEST_READELF NAMES readelf REQUIRED)

function(quorva_guest_asm)
    cmake_parse_arguments(ARG "" "OUTPUT_HEADER;SOURCE;NAMESPACE;TARGET" "" ${ARGN})
    if(NOT ARG_OUTPUT_HEADER OR NOT ARG_SOURCE)
        message(FATAL_ERROR "quorva_guest_asm needs OUTPUT_HEADER and SOURCE")
    endif()
    get_filename_component(source ${ARG_SOURCE} ABSOLUTE)
    get_filename_component(stem ${ARG_OUTPUT_HEADER} NAME_WE)
    if(NOT ARG_NAMESPACE)
        string(MAKE_C_IDENTIFIER ${stem} identifier)
        set(ARG_NAMESPACE guest_asm::${identifier})
    endif()
    set(header ${CMAKE_CURRENT_BINARY_DIR}/${ARG_OUTPUT_HEADER})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/guest_asm/${stem})
    set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/guest_asm.py)
    add_custom_command(
        OUTPUT ${header}
        COMMAND ${QUORVA_GUEST_PYTHON} ${script}
            --as ${QUORVA_GUEST_AS} --objcopy ${QUORVA_GUEST_OBJCOPY}
            --nm ${QUORVA_GUEST_NM} --readelf ${QUORVA_GUEST_READELF}
            --source ${source} --output ${header} --work ${work}
            --namespace ${ARG_NAMESPACE}
        DEPENDS ${source} ${script}
        COMMENT "Assembling guest code ${ARG_SOURCE}"
        VERBATIM)
    if(ARG_TARGET)
        target_sources(${ARG_TARGET} PRIVATE ${header})
        target_include_directories(${ARG_TARGET} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    endif()
endfunction()
