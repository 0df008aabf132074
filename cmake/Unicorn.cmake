# The x86-32 emulator that runs unit code: the vendored Unicorn release, with the patches in
# third_party/patches/unicorn, built for the x86 target only, static and position-independent.
# Gives the target unicorn::unicorn.
include(${CMAKE_CURRENT_LIST_DIR}/Vendored.cmake)

quorva_vendored_library(
    NAME unicorn
    VERSION 2.1.4
    SHA256 df6c5ad445373531841ca887d33704afb4ca1b89caa2280ab1e4e59e5d00ef2a
    LIBRARY libunicorn.a
    INCLUDE_DIRS @SOURCE@/include
    LINK_LIBRARIES Threads::Threads m
    CMAKE_ARGS
        -DUNICORN_ARCH=x86
        -DUNICORN_BUILD_TESTS=OFF
        -DUNICORN_INSTALL=OFF
        -DUNICORN_LEGACY_STATIC_ARCHIVE=ON)
