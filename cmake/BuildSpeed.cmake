# Build-time choices. All are off by default: a developer's tree compiles every file on its own, which
# keeps a missing include visible, and hits the compiler cache; test.sh turns them on for its sanitizer
# trees, and links every tree with lld.
#   -DCMAKE_UNITY_BUILD=ON  compiles a few sources of a target as one (files below whose file-local
#                           names clash stay alone)
#   -DZUNET_PCH=ON          precompiles Qt's headers once for each set of Qt modules that targets use
#   -DZUNET_LINKER=lld      links with that linker (-fuse-ld=lld or gold)
# Included before the first target; zunet_speed_up_targets() runs at the end, once every target exists.
option(ZUNET_PCH "Precompile the Qt headers, shared by every target that uses the same Qt modules" OFF)
set(ZUNET_LINKER "" CACHE STRING "Linker the compiler runs (-fuse-ld=...), e.g. lld or gold; empty for its default")

if(ZUNET_LINKER)
  add_link_options(-fuse-ld=${ZUNET_LINKER})
endif()
# The compiler cache takes a precompiled header's users only with these sloppinesses.
if(ZUNET_PCH AND CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros ${CCACHE_PROGRAM})
endif()

# Every target defined in DIR and the folders below it.
function(zunet_targets_below out dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    zunet_targets_below(below ${sub})
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The Qt modules whose usage requirements reach TARGET through its links, sorted.
function(zunet_qt_modules out target)
  set(seen ${target})
  set(queue ${target})
  set(modules "")
  while(queue)
    list(POP_FRONT queue current)
    get_target_property(type ${current} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(own ${current} LINK_LIBRARIES)
      if(own AND current STREQUAL target)
        list(APPEND links ${own})
      endif()
    endif()
    get_target_property(iface ${current} INTERFACE_LINK_LIBRARIES)
    if(iface)
      list(APPEND links ${iface})
    endif()
    foreach(link IN LISTS links)
      # Private links of a static library ($<LINK_ONLY:...>) carry no compile settings.
      if(link MATCHES "^::@" OR link MATCHES "^\\$<LINK_ONLY:" OR NOT TARGET ${link})
        continue()
      endif()
      if(link MATCHES "^Qt5::(.+)$")
        list(APPEND modules ${link})
      endif()
      if(NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES modules)
  list(SORT modules)
  set(${out} ${modules} PARENT_SCOPE)
endfunction()

# Keeps the clashing sources out of unity builds and gives every target its precompiled header.
# Programs build file by file: each is mostly one test source, and a source included into a unity file
# is no longer the main file, which turns on gcc's -Wsubobject-linkage for its test class.
function(zunet_speed_up_targets)
  zunet_targets_below(all_targets ${PROJECT_SOURCE_DIR})
  foreach(target IN LISTS all_targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      set_target_properties(${target} PROPERTIES UNITY_BUILD OFF)
    endif()
  endforeach()

  # Sources that define a file-local name which another source of their target also defines or brings
  # in with a file-wide using-directive.
  set(ZUNET_UNITY_ALONE
    Common/Qt/HeavyProfile.cpp
    ZUNet/QT/ConnectionThreads.cpp
    ZUNet/QT/TestDottedIPAddress.cpp
  )
  # The widget families repeat their file-local names in each leaf's file, and the classes still to come
  # will add more: that library builds file by file.
  if(TARGET QuendleWidgets)
    set_target_properties(QuendleWidgets PROPERTIES UNITY_BUILD OFF)
  endif()
  foreach(source IN LISTS ZUNET_UNITY_ALONE)
    get_filename_component(dir ${PROJECT_SOURCE_DIR}/${source} DIRECTORY)
    if(EXISTS ${dir}/CMakeLists.txt)
      set_source_files_properties(${PROJECT_SOURCE_DIR}/${source} DIRECTORY ${dir}
        PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()

  # One precompiled header per set of Qt modules, on an object library that links exactly them, so
  # that its macros (QT_GUI_LIB, ...) match those of the targets that reuse it. Targets with compile
  # options of their own (the fuzz targets' sanitizers) compile without it.
  if(ZUNET_PCH)
    # The headers most sources include (a module's whole header set would cost each compile more to
    # load than it saves); the test module's whole set, which every test includes.
    set(ZUNET_PCH_HEADERS_Qt5::Core <memory> <vector> <atomic> <string> <algorithm> <functional> <mutex>
      <QtCore/QObject> <QtCore/QString> <QtCore/QByteArray> <QtCore/QStringList> <QtCore/QList>
      <QtCore/QVector> <QtCore/QHash> <QtCore/QMap> <QtCore/QSet> <QtCore/QVariant> <QtCore/QTimer>
      <QtCore/QThread> <QtCore/QMutex> <QtCore/QPointer> <QtCore/QXmlStreamReader> <QtCore/QXmlStreamWriter>
      <QtCore/QFile> <QtCore/QCoreApplication> <QtCore/QMetaType> <QtCore/QDebug>)
    set(ZUNET_PCH_HEADERS_Qt5::Network <QtNetwork/QHostAddress> <QtNetwork/QTcpSocket> <QtNetwork/QUdpSocket>
      <QtNetwork/QTcpServer>)
    set(ZUNET_PCH_HEADERS_Qt5::Concurrent <QtConcurrent/QtConcurrentRun>)
    set(ZUNET_PCH_HEADERS_Qt5::Gui <QtGui/QColor> <QtGui/QImage> <QtGui/QGuiApplication>)
    set(ZUNET_PCH_HEADERS_Qt5::Qml <QtQml/QQmlEngine> <QtQml/QQmlContext> <QtQml/QQmlComponent>)
    set(ZUNET_PCH_HEADERS_Qt5::Quick <QtQuick/QQuickItem> <QtQuick/QQuickWindow>)
    set(ZUNET_PCH_HEADERS_Qt5::Test <QtTest/QtTest>)
    set(ZUNET_PCH_HEADERS_Qt5::QuickTest <QtQuickTest/quicktest.h>)
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/zunet_pch.cpp CONTENT "// Host of a precompiled header.\n")

    get_directory_property(shared_options DIRECTORY ${PROJECT_SOURCE_DIR} COMPILE_OPTIONS)
    foreach(target IN LISTS all_targets)
      get_target_property(type ${target} TYPE)
      get_target_property(options ${target} COMPILE_OPTIONS)
      if(NOT type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY|EXECUTABLE|SHARED_LIBRARY)$"
         OR NOT "${options}" STREQUAL "${shared_options}")
        continue()
      endif()
      zunet_qt_modules(modules ${target})
      if(NOT modules)
        continue()
      endif()
      string(MAKE_C_IDENTIFIER "zunet_pch${modules}" host)
      if(NOT TARGET ${host})
        add_library(${host} OBJECT ${PROJECT_BINARY_DIR}/zunet_pch.cpp)
        set_target_properties(${host} PROPERTIES AUTOMOC OFF UNITY_BUILD OFF)
        target_link_libraries(${host} PRIVATE ${modules})
        set(headers "")
        foreach(module IN LISTS modules)
          list(APPEND headers ${ZUNET_PCH_HEADERS_${module}})
        endforeach()
        target_precompile_headers(${host} PRIVATE ${headers})
      endif()
      target_precompile_headers(${target} REUSE_FROM ${host})
      # A source that defines or undefines a Qt macro before its includes (to choose what Qt's headers
      # do) would find them already read from the header: it compiles alone and without it.
      get_target_property(source_dir ${target} SOURCE_DIR)
      get_target_property(sources ${target} SOURCES)
      foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE "${source}")
          set(source ${source_dir}/${source})
        endif()
        if(source MATCHES "\\.cpp$" AND EXISTS "${source}")
          file(STRINGS "${source}" qt_macro_lines REGEX "^#[ \t]*(define|undef)[ \t]+QT_")
          if(qt_macro_lines)
            set_source_files_properties(${source} TARGET_DIRECTORY ${target}
              PROPERTIES SKIP_PRECOMPILE_HEADERS ON SKIP_UNITY_BUILD_INCLUSION ON)
          endif()
        endif()
      endforeach()
      # A test's moc output is included by its source; the generated file left is empty, and loading
      # the header would be its whole cost.
      if(type STREQUAL "EXECUTABLE")
        get_target_property(binary_dir ${target} BINARY_DIR)
        set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp TARGET_DIRECTORY ${target}
          PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
      endif()
    endforeach()
  endif()
endfunction()
