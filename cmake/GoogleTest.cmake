# GoogleTest is built from source so that the same sources serve g++, MinGW
# and MSVC. Debian's googletest package puts them in /usr/src/googletest.
set(TOLLIVANE_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")

if(EXISTS "${TOLLIVANE_GTEST_SOURCE}/CMakeLists.txt")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory("${TOLLIVANE_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
