zunet_add_fuzzer(NAME fuzz_audio_drivers SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_audio_drivers.cpp
                 LIBS ZUNetAudioDrivers)
