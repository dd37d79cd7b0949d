zunet_add_fuzzer(NAME fuzz_system_builder SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_system_builder.cpp LIBS ZUNetCore)
