# The OPC UA stack of the OPC client and of the simulation server: the vendored open62541
# release, built static and position-independent with the reduced namespace zero, without the
# parts neither side uses (PubSub, historizing, discovery, JSON), with OpenSSL for the signed and
# encrypted security modes. Gives the target open62541::open62541.
include(${CMAKE_CURRENT_LIST_DIR}/Vendored.cmake)
find_package(OpenSSL 3 REQUIRED)

quorva_vendored_library(
    NAME open62541
    VERSION 1.4.11.1
    SHA256 dd4214819084bae9ff80a0c2f5a59b9d897d6d75087a272efe35664694d8a051
    LIBRARY bin/libopen62541.a
    INCLUDE_DIRS @SOURCE@/include @SOURCE@/plugins/include @SOURCE@/arch @BUILD@/src_generated
    LINK_LIBRARIES OpenSSL::SSL OpenSSL::Crypto Threads::Threads m
    CMAKE_ARGS
        -DUA_NAMESPACE_ZERO=REDUCED
        -DUA_BUILD_EXAMPLES=OFF
        -DUA_BUILD_UNIT_TESTS=OFF
        -DUA_BUILD_TOOLS=OFF
        -DUA_ENABLE_ENCRYPTION=OPENSSL
        -DOPEN62541_VERSION=v1.4.11.1
        -DUA_ENABLE_PUBSUB=OFF
        -DUA_ENABLE_PUBSUB_INFORMATIONMODEL=OFF
        -DUA_ENABLE_HISTORIZING=OFF
        -DUA_ENABLE_DISCOVERY=OFF
        -DUA_ENABLE_JSON_ENCODING=OFF
        -DUA_ENABLE_DIAGNOSTICS=OFF
        -DUA_ENABLE_DA=OFF
        -DUA_ENABLE_SUBSCRIPTIONS_EVENTS=OFF
        -DUA_ENABLE_DEBUG_SANITIZER=OFF
        -DUA_LOGLEVEL=300
        -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF
    HEADERS_GENERATED)
