# The x86-32 emulator that runs unit code: the vendored Unicorn release, checked against its
# SHA-256, unpacked and patched at configure time, built once per build directory for the x86
# target only, static and position-independent, with its own flags so that the sanitizer and
# fuzz builds never instrument it. Gives the imported target unicorn::unicorn.
#
# QUORVA_UNICORN_PREBUILT names the emulator directory of another build directory of this
# project (its third_party/unicorn); that build is used instead of a new one when it was made
# from the same archive and patches. CI's second build uses it.

set(QUORVA_UNICORN_PREBUILT "" CACHE PATH
    "third_party/unicorn of another build directory whose emulator build to reuse")

set(_unicorn_version 2.1.4)
set(_unicorn_sha256 df6c5ad445373531841ca887d33704afb4ca1b89caa2280ab1e4e59e5d00ef2a)
set(_unicorn_archive ${PROJECT_SOURCE_DIR}/third_party/unicorn-${_unicorn_version}.tar.xz)
file(GLOB _unicorn_patches ${PROJECT_SOURCE_DIR}/third_party/patches/unicorn/*.patch)
list(SORT _unicorn_patches)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${_unicorn_archive} ${_unicorn_patches})

file(SHA256 ${_unicorn_archive} _unicorn_actual)
if(NOT _unicorn_actual STREQUAL _unicorn_sha256)
    message(FATAL_ERROR "${_unicorn_archive} has SHA-256 ${_unicorn_actual}, "
        "expected ${_unicorn_sha256}: the vendored emulator archive is damaged or replaced")
endif()

# What the build is made of: the archive and the text of every patch, in order.
set(_unicorn_identity "unicorn ${_unicorn_version} ${_unicorn_sha256}")
foreach(_patch IN LISTS _unicorn_patches)
    file(SHA256 ${_patch} _patch_sha256)
    get_filename_component(_patch_name ${_patch} NAME)
    string(APPEND _unicorn_identity "\n${_patch_name} ${_patch_sha256}")
endforeach()

function(_quorva_import_unicorn source_dir library)
    add_library(unicorn::unicorn STATIC IMPORTED GLOBAL)
    set_target_properties(unicorn::unicorn PROPERTIES
        IMPORTED_LOCATION ${library}
        INTERFACE_INCLUDE_DIRECTORIES ${source_dir}/include
        INTERFACE_LINK_LIBRARIES "Threads::Threads;m")
endfunction()

if(QUORVA_UNICORN_PREBUILT)
    set(_prebuilt ${QUORVA_UNICORN_PREBUILT})
    if(NOT EXISTS ${_prebuilt}/identity.txt OR NOT EXISTS ${_prebuilt}/build/libunicorn.a)
        message(FATAL_ERROR "QUORVA_UNICORN_PREBUILT=${_prebuilt} holds no finished emulator "
            "build (identity.txt and build/libunicorn.a); build that directory first")
    endif()
    file(READ ${_prebuilt}/identity.txt _prebuilt_identity)
    if(NOT _prebuilt_identity STREQUAL _unicorn_identity)
        message(FATAL_ERROR "QUORVA_UNICORN_PREBUILT=${_prebuilt} was built from another "
            "archive or patch set than this source tree's")
    endif()
    _quorva_import_unicorn(${_prebuilt}/src ${_prebuilt}/build/libunicorn.a)
    message(STATUS "Unicorn ${_unicorn_version}: reusing the build in ${_prebuilt}")
    return()
endif()

set(_unicorn_dir ${CMAKE_BINARY_DIR}/third_party/unicorn)
set(_unicorn_source ${_unicorn_dir}/src)
set(_unicorn_build ${_unicorn_dir}/build)
set(_unicorn_stamp ${_unicorn_dir}/identity.txt)

# Unpack and patch again only when the archive or a patch changed.
set(_unicorn_unpacked "")
if(EXISTS ${_unicorn_stamp})
    file(READ ${_unicorn_stamp} _unicorn_unpacked)
endif()
if(NOT _unicorn_unpacked STREQUAL _unicorn_identity)
    find_program(QUORVA_PATCH_PROGRAM patch REQUIRED)
    file(REMOVE_RECURSE ${_unicorn_dir})
    file(ARCHIVE_EXTRACT INPUT ${_unicorn_archive} DESTINATION ${_unicorn_dir})
    file(RENAME ${_unicorn_dir}/unicorn-${_unicorn_version} ${_unicorn_source})
    foreach(_patch IN LISTS _unicorn_patches)
        execute_process(
            COMMAND ${QUORVA_PATCH_PROGRAM} -p1 --forward --batch --silent -i ${_patch}
            WORKING_DIRECTORY ${_unicorn_source}
            RESULT_VARIABLE _patched
            OUTPUT_VARIABLE _patch_output ERROR_VARIABLE _patch_output)
        if(NOT _patched EQUAL 0)
            message(FATAL_ERROR "cannot apply ${_patch} to Unicorn ${_unicorn_version}:\n"
                "${_patch_output}")
        endif()
    endforeach()
    # Written last: an interrupted unpack is redone by the next configure.
    file(WRITE ${_unicorn_stamp} "${_unicorn_identity}")
    list(LENGTH _unicorn_patches _patch_count)
    message(STATUS "Unicorn ${_unicorn_version}: unpacked with ${_patch_count} patches")
endif()

include(ExternalProject)
ExternalProject_Add(unicorn_build
    SOURCE_DIR ${_unicorn_source}
    BINARY_DIR ${_unicorn_build}
    PREFIX ${_unicorn_dir}/prefix
    CMAKE_ARGS
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
        -DCMAKE_C_FLAGS=
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON
        -DBUILD_SHARED_LIBS=OFF
        -DUNICORN_ARCH=x86
        -DUNICORN_BUILD_TESTS=OFF
        -DUNICORN_INSTALL=OFF
        -DUNICORN_LEGACY_STATIC_ARCHIVE=ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${_unicorn_build}/libunicorn.a
    LOG_CONFIGURE ON
    LOG_BUILD ON
    LOG_OUTPUT_ON_FAILURE ON
)
# No target-level dependency on unicorn_build: that would hold every compilation of the project
# until the emulator is built. Its headers exist from configure time; the links that need the
# library wait for it as a file produced by unicorn_build.
_quorva_import_unicorn(${_unicorn_source} ${_unicorn_build}/libunicorn.a)
