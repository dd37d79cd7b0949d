# Warnings and sanitizers shared by every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
add_compile_definitions(QT_NO_KEYWORDS QT_DEPRECATED_WARNINGS)

if(ZUNET_SANITIZE)
  add_compile_options(-fsanitize=${ZUNET_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZUNET_SANITIZE})
  # Whatever the compiler: tests whose figures a sanitizer's own bookkeeping distorts ask this.
  add_compile_definitions(ZUNET_SANITIZED)
endif()
# The fuzz targets guide themselves by the coverage of every library they link, so every object
# carries it; the tests of the same tree link no fuzzer and run as usual.
if(ZUNET_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZUNET_BUILD_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The first line of any sanitizer report: in a test's output it fails the test, also when it came
# from a program the test started (their standard error is the test's).
set(ZUNET_SANITIZER_REPORT "ERROR: AddressSanitizer|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|: runtime error: ")

# Every test program joins all_tests; those that start threads (label "threads") also join
# threads_tests, all that the ThreadSanitizer tree builds. A test linking the helpers that start a
# network stack or a unit program starts threads whatever its own labels say.
function(zunet_add_to_test_targets name labels libs)
  if(NOT "threads" IN_LIST labels AND ("QuendleTestSupport" IN_LIST libs OR "ConnectionTestSupport" IN_LIST libs))
    list(APPEND labels threads)
    set_property(TEST ${name} PROPERTY LABELS "${labels}")
  endif()
  if(TARGET all_tests)
    add_dependencies(all_tests ${name})
  endif()
  if(TARGET threads_tests AND "threads" IN_LIST labels)
    add_dependencies(threads_tests ${name})
  endif()
endfunction()

# Registers one Qt Test executable with CTest. Every test runs in its own private network
# namespace through tools/netns-run.sh, headless.
#   zunet_add_test(NAME tst_x SOURCES a.cpp LIBS lib... LABELS unit network [TIMEOUT s])
function(zunet_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test TestSupport NetnsGuard ${T_LIBS})
  add_test(NAME ${T_NAME}
           COMMAND ${PROJECT_SOURCE_DIR}/tools/netns-run.sh $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZUNET_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    FAIL_REGULAR_EXPRESSION "${ZUNET_SANITIZER_REPORT}")
  zunet_add_to_test_targets(${T_NAME} "${T_LABELS}" "${T_LIBS}")
endfunction()

# Registers one Qt Quick Test executable: the shared main (tests/support/QuickTestMain.cpp) with
# the test's SOURCES, which define RegisterQuickTestTypes, running the tst_*.qml files of QML_DIR.
# Headless with the software scene graph, in its own network namespace; any QML warning fails it.
# With XVFB it renders for real instead: an X server of its own (xvfb-run -a, inside the namespace),
# the xcb platform and OpenGL through Mesa's software rasteriser, so shaders run and grabbed pixels
# are what a screen would show (tests/qml/support/Pixels.js reads them).
#   zunet_add_qml_test(NAME tst_x QML_DIR dir SOURCES setup.cpp LIBS lib... LABELS qml [XVFB] [TIMEOUT s])
function(zunet_add_qml_test)
  cmake_parse_arguments(T "XVFB" "NAME;TIMEOUT;QML_DIR" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/QuickTestMain.cpp
                 ${PROJECT_SOURCE_DIR}/tests/support/QmlWarnings.cpp)
  target_compile_definitions(${T_NAME} PRIVATE QUICK_TEST_NAME="${T_NAME}")
  target_link_libraries(${T_NAME} PRIVATE Qt5::QuickTest Qt5::Quick Qt5::Qml NetnsGuard ${T_LIBS})
  if(T_XVFB)
    find_program(ZUNET_XVFB_RUN xvfb-run REQUIRED)
    set(preload "")
    if(ZUNET_SANITIZE MATCHES "address")
      # Mesa's software rasteriser stays loaded to the end: unloaded when the window goes, what it
      # still holds would look leaked to the leak check, under no name to suppress.
      find_file(ZUNET_MESA_SWRAST swrast_dri.so PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib/dri
                NO_DEFAULT_PATH)
      if(ZUNET_MESA_SWRAST)
        set(preload env LD_PRELOAD=${ZUNET_MESA_SWRAST})
      endif()
    endif()
    add_test(NAME ${T_NAME}
             COMMAND ${PROJECT_SOURCE_DIR}/tools/netns-run.sh ${ZUNET_XVFB_RUN} -a
                     -s "-screen 0 1280x1024x24 -nolisten tcp"
                     ${preload} $<TARGET_FILE:${T_NAME}> -input ${T_QML_DIR})
    set(platform "QT_QPA_PLATFORM=xcb;QT_XCB_GL_INTEGRATION=xcb_glx;LIBGL_ALWAYS_SOFTWARE=1")
    list(APPEND T_LABELS xvfb)
  else()
    add_test(NAME ${T_NAME}
             COMMAND ${PROJECT_SOURCE_DIR}/tools/netns-run.sh $<TARGET_FILE:${T_NAME}> -input ${T_QML_DIR})
    set(platform "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${platform};ZUNET_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    FAIL_REGULAR_EXPRESSION "QWARN|QCRITICAL|QML warning|${ZUNET_SANITIZER_REPORT}")
  zunet_add_to_test_targets(${T_NAME} "${T_LABELS}" "${T_LIBS}")
endfunction()
