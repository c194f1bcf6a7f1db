# GoogleTest for the test programs, as GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main in every build. Include it where the
# tests are enabled, in place of find_package(GTest).
#
# A native build takes the system's libraries (libgtest-dev). A cross build
# cannot link those, so it compiles Debian's GoogleTest sources (package
# googletest) with the cross compiler as part of the tree; they are built
# only as far as a test program needs them, and their warnings are not ours.
include(GoogleTest)
if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
    return()
endif()

set(VELTRANO_GOOGLETEST_SOURCE /usr/src/googletest
    CACHE PATH "GoogleTest sources for cross builds (Debian package googletest)")
if(NOT EXISTS ${VELTRANO_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VELTRANO_GOOGLETEST_SOURCE}: "
                        "apt-get install googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest with the project" FORCE)
add_subdirectory(${VELTRANO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
