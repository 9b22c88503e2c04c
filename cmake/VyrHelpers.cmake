# Warnings and sanitizers for every target of the project, and the test helper.

option(VYR_WERROR "Treat compiler warnings as errors" OFF)

add_library(vyr_options INTERFACE)
target_compile_options(vyr_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast
  $<$<BOOL:${VYR_WERROR}>:-Werror>)
if(VYR_SANITIZE)
  # Line tables only (-g1, after the build type's -g): enough for the sanitizers' stack traces to
  # name file and line, and the sanitizer builds compile about an eighth faster without the rest.
  target_compile_options(vyr_options INTERFACE -fsanitize=${VYR_SANITIZE} -fno-omit-frame-pointer -g1)
  target_link_options(vyr_options INTERFACE -fsanitize=${VYR_SANITIZE})
  if(VYR_SANITIZE MATCHES "undefined")
    target_compile_options(vyr_options INTERFACE -fno-sanitize-recover=undefined)
  endif()
endif()

# vyr_package_code(<targets...>): code that ends up in a loadable package must not define unique
# global symbols: the loader never unloads a library that has one, so the package's unload code
# would not run on unload. Applied to the package, the units linked into it and the host library
# they share.
function(vyr_package_code)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE -fno-gnu-unique)
    endforeach()
  endif()
endfunction()

# vyr_public_includes(<target>): the project's public headers, from the source tree while
# building and from the installed include folder afterwards.
function(vyr_public_includes TARGET)
  target_include_directories(${TARGET} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:include>)
  target_compile_features(${TARGET} PUBLIC cxx_std_20)
endfunction()

# vyr_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# One GoogleTest executable; every test case becomes a CTest test, discovered when CTest runs.
function(vyr_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} vyr_test_support GTest::gtest GTest::gmock GTest::gtest_main vyr_options)
  vyr_gtest_tests(${ARG_NAME} PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# vyr_gtest_tests(<target> [PROPERTIES <test properties...>]): the CTest tests of a GoogleTest
# program, run in the build folder. Each test case is a CTest test of its own (ctest -R picks
# cases), discovered when CTest runs. In a sanitizer build the program is one CTest test: starting
# a sanitized program, Qt's libraries loaded, takes up to two seconds, more than most of its cases
# (a whole program ran in 94 s where its cases one by one took 235 s).
function(vyr_gtest_tests TARGET)
  cmake_parse_arguments(ARG "" "" "PROPERTIES" ${ARGN})
  if(VYR_SANITIZE)
    add_test(NAME ${TARGET} COMMAND ${TARGET} --gtest_brief=1 WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
    set_tests_properties(${TARGET} PROPERTIES ${ARG_PROPERTIES} TIMEOUT 900)
  else()
    gtest_discover_tests(${TARGET}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES TIMEOUT 300 ${ARG_PROPERTIES}
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
  endif()
endfunction()

# Install directories (GNUInstallDirs) are known everywhere, so each target's folder can state
# where it installs.
include(GNUInstallDirs)

# vyr_install_rpath(<target> <install dir of the target>): the target finds the installed
# libraries of LIBDIR relative to where it is installed.
function(vyr_install_rpath TARGET DIR)
  file(RELATIVE_PATH _rel ${CMAKE_INSTALL_PREFIX}/${DIR} ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
  if(_rel STREQUAL "")
    set(_rel ".")
  endif()
  set_target_properties(${TARGET} PROPERTIES INSTALL_RPATH "$ORIGIN/${_rel}")
endfunction()
