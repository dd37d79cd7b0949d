zunet_add_fuzzer(NAME fuzz_drivers SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_drivers.cpp LIBS QuendleDrivers)
