zunet_add_fuzzer(NAME fuzz_config_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config_reader.cpp
                 LIBS QuendleAppCommon)
