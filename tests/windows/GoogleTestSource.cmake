# GoogleTest for the Windows build, from the source Debian's googletest package installs,
# built with the project's toolchain. Its headers come in as system headers.
set(KESTRUNE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS ${KESTRUNE_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source in ${KESTRUNE_GTEST_SOURCE}: install googletest")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KESTRUNE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest names its own GTest::gtest and GTest::gtest_main.
