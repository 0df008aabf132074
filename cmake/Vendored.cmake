# Vendored libraries: an upstream release archive in third_party/, checked against its SHA-256,
# unpacked and patched at configure time, and built once per build directory with its own flags,
# so that the sanitizer and fuzz builds never instrument it. Gives the target <NAME>::<NAME>.
#
# QUORVA_THIRD_PARTY_PREBUILT names the third_party directory of another build directory of this
# project; a library found there is used instead of a new build when it was made from the same
# archive, patches and options. CI's second build uses it.

set(QUORVA_THIRD_PARTY_PREBUILT "" CACHE PATH
    "third_party directory of another build directory whose vendored builds to reuse")

include(ExternalProject)

# quorva_vendored_library(NAME <name> VERSION <version> SHA256 <hash> LIBRARY <file in its build>
#     [INCLUDE_DIRS <dir>...] [LINK_LIBRARIES <lib>...] [CMAKE_ARGS <arg>...]
#     [HEADERS_GENERATED])
# INCLUDE_DIRS may use @SOURCE@ and @BUILD@ for the unpacked source and the build directory.
# HEADERS_GENERATED: some headers are made by the library's build, so the targets that link it
# wait for that build before they compile; otherwise only their links wait for the library.
function(quorva_vendored_library)
    cmake_parse_arguments(PARSE_ARGV 0 arg "HEADERS_GENERATED" "NAME;VERSION;SHA256;LIBRARY"
                          "INCLUDE_DIRS;LINK_LIBRARIES;CMAKE_ARGS")
    set(name ${arg_NAME})
    set(archive ${PROJECT_SOURCE_DIR}/third_party/${name}-${arg_VERSION}.tar.xz)
    file(GLOB patches ${PROJECT_SOURCE_DIR}/third_party/patches/${name}/*.patch)
    list(SORT patches)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${archive} ${patches})

    file(SHA256 ${archive} actual)
    if(NOT actual STREQUAL arg_SHA256)
        message(FATAL_ERROR "${archive} has SHA-256 ${actual}, expected ${arg_SHA256}: the "
            "vendored archive is damaged or replaced")
    endif()

    # What the build is made of: the archive, the text of every patch in order, the options.
    set(identity "${name} ${arg_VERSION} ${arg_SHA256}")
    foreach(patch IN LISTS patches)
        file(SHA256 ${patch} patch_sha256)
        get_filename_component(patch_name ${patch} NAME)
        string(APPEND identity "\n${patch_name} ${patch_sha256}")
    endforeach()
    list(JOIN arg_CMAKE_ARGS " " options)
    string(APPEND identity "\noptions ${options}")

    set(dir ${CMAKE_BINARY_DIR}/third_party/${name})
    set(reused FALSE)
    if(QUORVA_THIRD_PARTY_PREBUILT)
        set(prebuilt ${QUORVA_THIRD_PARTY_PREBUILT}/${name})
        if(NOT EXISTS ${prebuilt}/identity.txt OR NOT EXISTS ${prebuilt}/build/${arg_LIBRARY})
            message(FATAL_ERROR "QUORVA_THIRD_PARTY_PREBUILT: ${prebuilt} holds no finished "
                "build of ${name} (identity.txt and build/${arg_LIBRARY}); build that "
                "directory first")
        endif()
        file(READ ${prebuilt}/identity.txt prebuilt_identity)
        if(NOT prebuilt_identity STREQUAL identity)
            message(FATAL_ERROR "QUORVA_THIRD_PARTY_PREBUILT: ${prebuilt} was built from "
                "another archive, patch set or options than this source tree's")
        endif()
        set(dir ${prebuilt})
        set(reused TRUE)
    endif()
    set(source ${dir}/src)
    set(build ${dir}/build)

    if(NOT reused)
        # Unpack and patch again only when the archive, a patch or an option changed.
        set(unpacked "")
        if(EXISTS ${dir}/identity.txt)
            file(READ ${dir}/identity.txt unpacked)
        endif()
        if(NOT unpacked STREQUAL identity)
            find_program(QUORVA_PATCH_PROGRAM patch REQUIRED)
            file(REMOVE_RECURSE ${dir})
            file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${dir})
            file(RENAME ${dir}/${name}-${arg_VERSION} ${source})
            foreach(patch IN LISTS patches)
                execute_process(
                    COMMAND ${QUORVA_PATCH_PROGRAM} -p1 --forward --batch --silent -i ${patch}
                    WORKING_DIRECTORY ${source}
                    RESULT_VARIABLE patched
                    OUTPUT_VARIABLE patch_output ERROR_VARIABLE patch_output)
                if(NOT patched EQUAL 0)
                    message(FATAL_ERROR "cannot apply ${patch} to ${name} ${arg_VERSION}:\n"
                        "${patch_output}")
                endif()
            endforeach()
            # Written last: an interrupted unpack is redone by the next configure.
            file(WRITE ${dir}/identity.txt "${identity}")
            list(LENGTH patches patch_count)
            message(STATUS "${name} ${arg_VERSION}: unpacked with ${patch_count} patches")
        endif()

        ExternalProject_Add(${name}_build
            SOURCE_DIR ${source}
            BINARY_DIR ${build}
            PREFIX ${dir}/prefix
            CMAKE_ARGS
                -DCMAKE_BUILD_TYPE=Release
                -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
                -DCMAKE_C_FLAGS=
                -DCMAKE_POSITION_INDEPENDENT_CODE=ON
                -DBUILD_SHARED_LIBS=OFF
                ${arg_CMAKE_ARGS}
            INSTALL_COMMAND ""
            BUILD_BYPRODUCTS ${build}/${arg_LIBRARY}
            LOG_CONFIGURE ON
            LOG_BUILD ON
            LOG_OUTPUT_ON_FAILURE ON
        )
    else()
        message(STATUS "${name} ${arg_VERSION}: reusing the build in ${dir}")
    endif()

    set(include_dirs "")
    foreach(include_dir IN LISTS arg_INCLUDE_DIRS)
        string(REPLACE "@SOURCE@" ${source} include_dir ${include_dir})
        string(REPLACE "@BUILD@" ${build} include_dir ${include_dir})
        list(APPEND include_dirs ${include_dir})
        # An imported target's include directories must exist when it is used.
        file(MAKE_DIRECTORY ${include_dir})
    endforeach()

    add_library(${name}_library STATIC IMPORTED GLOBAL)
    set_target_properties(${name}_library PROPERTIES
        IMPORTED_LOCATION ${build}/${arg_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES "${include_dirs}"
        INTERFACE_LINK_LIBRARIES "${arg_LINK_LIBRARIES}")
    add_library(${name}_vendored INTERFACE)
    target_link_libraries(${name}_vendored INTERFACE ${name}_library)
    # Without generated headers no compilation waits for the library's build: its headers exist
    # from configure time, and the links that need it wait for it as a file it produces.
    if(arg_HEADERS_GENERATED AND NOT reused)
        add_dependencies(${name}_vendored ${name}_build)
    endif()
    add_library(${name}::${name} ALIAS ${name}_vendored)
endfunction()
