zunet_add_fuzzer(NAME fuzz_config_filter SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config_filter.cpp LIBS QuendleGlobal)
