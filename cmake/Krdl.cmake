# Helpers that keep the layering of the source tree honest.
#
#   krdl_engine(<subsystem> [NO_QT] [DEPS ...])  -> target krdl_<subsystem> from src/<subsystem>/*.cpp
#   krdl_gui(<subsystem> <folder> [DEPS ...])    -> target krdl_<subsystem>_<folder> from src/<subsystem>/<folder>/*.cpp
#   krdl_view(<subsystem> [DEPS ...])            -> target krdl_<subsystem>_ui from src/<subsystem>/ui/*.cpp
#
# Three layers, each above the one before: an engine links Qt Core at most (NO_QT: nothing of
# Qt); a gui layer Qt Gui at most, for what paints on any paint device (a PDF file, an image)
# and needs no window; a view may link Qt Widgets and PrintSupport. Every layer records its
# kind in the target property KRDL_LAYER, and a layer that names a layer or a Qt module above
# its own among its DEPS stops the configure step.

set(KRDL_LAYERS engine gui view)

function(krdl_check_layer name layer)
  list(FIND KRDL_LAYERS ${layer} rank)
  foreach(dep IN LISTS ARGN)
    set(depLayer "")
    if(dep MATCHES "^Qt6::Gui$")
      set(depLayer gui)
    elseif(dep MATCHES "_ui$" OR dep MATCHES "^Qt6::(Widgets|PrintSupport|Test)$")
      set(depLayer view)
    elseif(TARGET ${dep})
      get_target_property(depLayer ${dep} KRDL_LAYER)
    endif()
    if(depLayer)
      list(FIND KRDL_LAYERS ${depLayer} depRank)
      if(depRank GREATER rank)
        message(FATAL_ERROR "${layer} ${name} must not depend on ${dep} (a ${depLayer} layer)")
      endif()
    endif()
  endforeach()
endfunction()

function(krdl_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
  # Every string literal that becomes a QString says its encoding (u"..."_s, QLatin1String, ...).
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                             QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING)
endfunction()

# A layer with sources is a static library; a layer still without sources is an interface
# library, so that a subsystem can grow file by file. Sets KRDL_SCOPE for the caller.
macro(krdl_add_layer name src hdr layer)
  if("${src}" STREQUAL "")
    add_library(${name} INTERFACE ${hdr})
    set(KRDL_SCOPE INTERFACE)
  else()
    add_library(${name} STATIC ${src} ${hdr})
    set(KRDL_SCOPE PUBLIC)
    krdl_warnings(${name})
  endif()
  target_include_directories(${name} ${KRDL_SCOPE} ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES KRDL_LAYER ${layer})
endmacro()

function(krdl_engine subsystem)
  cmake_parse_arguments(A "NO_QT" "TARGET" "DEPS" ${ARGN})
  set(name krdl_${subsystem})
  if(A_TARGET)
    set(name ${A_TARGET})
  endif()
  krdl_check_layer(${name} engine ${A_DEPS})
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  krdl_add_layer(${name} "${src}" "${hdr}" engine)
  target_link_libraries(${name} ${KRDL_SCOPE} ${A_DEPS})
  if(NOT A_NO_QT)
    target_link_libraries(${name} ${KRDL_SCOPE} Qt6::Core)
  endif()
endfunction()

function(krdl_gui subsystem folder)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  set(name krdl_${subsystem}_${folder})
  krdl_check_layer(${name} gui ${A_DEPS})
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  file(GLOB hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  krdl_add_layer(${name} "${src}" "${hdr}" gui)
  target_link_libraries(${name} ${KRDL_SCOPE} ${A_DEPS} Qt6::Gui)
endfunction()

function(krdl_view subsystem)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  set(name krdl_${subsystem}_ui)
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
  list(FILTER src EXCLUDE REGEX "/main\\.cpp$")
  file(GLOB hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h)
  krdl_add_layer(${name} "${src}" "${hdr}" view)
  if(src)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  target_link_libraries(${name} ${KRDL_SCOPE} ${A_DEPS} Qt6::Widgets Qt6::PrintSupport)
endfunction()

# Registers the cases of a GoogleTest program with CTest: krdl_add_gtest(<exe> [TIMEOUT <s>]
# [COST <s>] [ENVIRONMENT <var=value>...]); every program runs on Qt's offscreen platform. A cross
# build cannot list the cases without running the program, so there the program is one test, and
# COST (about its seconds under Wine) has CTest start the long ones first until it has measured
# them. Every program is also named in test-programs.txt of the build folder, for the Windows
# lane's count.
function(krdl_add_gtest exe)
  cmake_parse_arguments(A "" "TIMEOUT;COST" "ENVIRONMENT" ${ARGN})
  set(env QT_QPA_PLATFORM=offscreen ${A_ENVIRONMENT})
  set(timeout)
  if(A_TIMEOUT AND NOT CMAKE_CROSSCOMPILING) # a limit per case, not for a whole program
    set(timeout TIMEOUT ${A_TIMEOUT})
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${exe} COMMAND ${exe})
    set_tests_properties(${exe} PROPERTIES ENVIRONMENT "${env}" ${timeout})
    if(A_COST)
      set_tests_properties(${exe} PROPERTIES COST ${A_COST})
    endif()
  else()
    gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "${env}" ${timeout})
  endif()
  set_property(GLOBAL APPEND PROPERTY KRDL_TEST_PROGRAMS ${exe})
endfunction()

# Tests mirror the source tree: tests/<subsystem>/*.cpp is one engine test program (no QApplication),
# tests/<subsystem>/<GUI>/*.cpp one program for the gui layer in that folder (a QGuiApplication)
# and tests/<subsystem>/ui/*.cpp one view test program (a QApplication), both on the offscreen
# platform. NO_QT: the engine test program gets only the test support without Qt, as in the
# Windows lane. COST: the engine test program's, see krdl_add_gtest.
function(krdl_tests subsystem)
  cmake_parse_arguments(A "NO_QT" "GUI;COST" "DEPS;GUI_DEPS;UI_DEPS" ${ARGN})
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subsystem}/*.cpp)
  if(src)
    set(exe krdl_tests_${subsystem})
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(A_NO_QT)
      target_link_libraries(${exe} PRIVATE krdl_test_support_core)
    elseif(TARGET krdl_test_support)
      target_link_libraries(${exe} PRIVATE krdl_test_support)
    endif()
    target_compile_definitions(${exe} PRIVATE KRDL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KRDL_BINARY_DIR="${PROJECT_BINARY_DIR}")
    krdl_warnings(${exe})
    krdl_add_gtest(${exe} COST ${A_COST})
  endif()
  if(A_GUI)
    krdl_qt_tests(${subsystem} ${A_GUI} krdl_test_support_gui ${A_GUI_DEPS})
  endif()
  krdl_qt_tests(${subsystem} ui krdl_test_support_ui ${A_UI_DEPS})
endfunction()

# The test program of tests/<subsystem>/<folder>/*.cpp over a Qt application that `support`
# starts; none when the folder holds no tests.
function(krdl_qt_tests subsystem folder support)
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subsystem}/${folder}/*.cpp)
  if(NOT src)
    return()
  endif()
  set(exe krdl_tests_${subsystem}_${folder})
  add_executable(${exe} ${src})
  set_target_properties(${exe} PROPERTIES AUTOMOC ON)
  target_link_libraries(${exe} PRIVATE ${ARGN} ${support} Qt6::Test GTest::gtest GTest::gmock)
  target_compile_definitions(${exe} PRIVATE KRDL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KRDL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  krdl_warnings(${exe})
  krdl_add_gtest(${exe})
endfunction()
