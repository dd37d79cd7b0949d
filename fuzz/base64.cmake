zunet_add_fuzzer(NAME fuzz_base64 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_base64.cpp LIBS CommonQt)
