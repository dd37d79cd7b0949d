# The settings store as the runner reads it at start: window geometry, flags and names.
if(TARGET QuendleApplication)
  zunet_add_fuzzer(NAME fuzz_stored_settings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_stored_settings.cpp
                   LIBS QuendleApplication)
endif()
