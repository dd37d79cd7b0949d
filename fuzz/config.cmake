# The configuration client and manager are application libraries, which the network-only fuzz
# build leaves out: build them here, with the fuzz build's sanitizers.
if(NOT TARGET QuendleAppCommon)
  add_subdirectory(${PROJECT_SOURCE_DIR}/Quendle/Global ${CMAKE_CURRENT_BINARY_DIR}/quendle-global)
  add_subdirectory(${PROJECT_SOURCE_DIR}/Quendle/AppCommon ${CMAKE_CURRENT_BINARY_DIR}/quendle-appcommon)
endif()
zunet_add_fuzzer(NAME fuzz_config_messages SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config_messages.cpp
                 LIBS QuendleAppCommon QuendleGlobal)
