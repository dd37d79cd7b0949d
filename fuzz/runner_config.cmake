# The runner's configuration reader with the widget factory and every widget class built.
if(TARGET QuendleRunnerConfig)
  zunet_add_fuzzer(NAME fuzz_runner_config SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_runner_config.cpp
                   LIBS QuendleRunnerConfig)
endif()
