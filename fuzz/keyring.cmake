zunet_add_fuzzer(NAME fuzz_keyring SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_keyring.cpp LIBS QuendleAppCommon)
