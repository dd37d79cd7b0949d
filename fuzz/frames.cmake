zunet_add_fuzzer(NAME fuzz_frame_parser SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_frame_parser.cpp LIBS ZUNetQT)
