zunet_add_fuzzer(NAME fuzz_config_messages SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config_messages.cpp
                 LIBS QuendleAppCommon QuendleGlobal)
