# CLI11 (header-only, package libcli11-dev) as the target CLI11::CLI11 in
# every build. Include it in place of find_package(CLI11).
#
# The package's own target adds /usr/include to the include path, which in
# a cross build would put the Linux C library's headers before the Windows
# ones. A cross build instead gets a folder holding only CLI/, linked to the
# system's copy.
if(NOT CMAKE_CROSSCOMPILING)
    find_package(CLI11 CONFIG REQUIRED)
    return()
endif()
if(TARGET CLI11::CLI11)
    return()
endif()

set(VELTRANO_CLI11_HEADERS /usr/include/CLI
    CACHE PATH "CLI11's headers for cross builds (Debian package libcli11-dev)")
if(NOT EXISTS ${VELTRANO_CLI11_HEADERS}/CLI.hpp)
    message(FATAL_ERROR "No CLI11 headers in ${VELTRANO_CLI11_HEADERS}: apt-get install libcli11-dev")
endif()
set(_veltrano_cli11_root ${CMAKE_BINARY_DIR}/cli11-include)
file(MAKE_DIRECTORY ${_veltrano_cli11_root})
file(CREATE_LINK ${VELTRANO_CLI11_HEADERS} ${_veltrano_cli11_root}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${_veltrano_cli11_root})
