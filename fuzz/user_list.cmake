zunet_add_fuzzer(NAME fuzz_user_list_reply SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_user_list_reply.cpp LIBS QuendleProtocol)
