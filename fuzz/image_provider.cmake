# Configuration images through the reader's decoding and the image provider.
zunet_add_fuzzer(NAME fuzz_image_provider SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_image_provider.cpp
                 LIBS QuendleAppCommon)
