# The Debian package: in a Release build tree configured with
# -DVELTRANO_MAN_PAGE=ON, `cpack -G DEB` makes veltrano_1.0.0_amd64.deb from
# what `cmake --install` installs (both programs, the desktop entry, the
# icons) and veltrano-convert's man page. scripts/build-deb.sh does it all.
if(CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

# Off by default: only the package needs it, and it needs help2man.
option(VELTRANO_MAN_PAGE "Generate veltrano-convert's man page from its --help (help2man)" OFF)
if(VELTRANO_MAN_PAGE)
    find_program(VELTRANO_HELP2MAN help2man REQUIRED)
    find_program(VELTRANO_GZIP gzip REQUIRED)
    set(_veltrano_man ${CMAKE_CURRENT_BINARY_DIR}/veltrano-convert.1)
    # Debian wants man pages compressed, without a timestamp in the gzip header.
    add_custom_command(
        OUTPUT ${_veltrano_man}.gz
        COMMAND ${VELTRANO_HELP2MAN} --no-info --section=1
                "--name=convert .264 recordings into AVI files"
                --output=${_veltrano_man} $<TARGET_FILE:veltrano-convert>
        COMMAND ${VELTRANO_GZIP} -9nf ${_veltrano_man}
        DEPENDS veltrano-convert
        COMMENT "Generating the man page of veltrano-convert"
        VERBATIM)
    add_custom_target(veltrano_man ALL DEPENDS ${_veltrano_man}.gz)
    install(FILES ${_veltrano_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
# The package carries the release; the fourth number is the build's.
set(CPACK_PACKAGE_VERSION
    ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_VENDOR Veltrano)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of .264 recordings into AVI files")
set(CPACK_PACKAGE_DESCRIPTION
    "Veltrano turns .264 recordings (H.264 video with IMA ADPCM audio) into\n"
    "standard AVI files that any player opens, copying every chunk unchanged.\n"
    "It comes as a desktop dialog, veltrano, and a command-line converter for\n"
    "batch work, veltrano-convert.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Veltrano developers <developers@veltrano.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialog lays itself out in this font's metrics and draws its Chinese
# texts with it; without a CJK font they would not be legible.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-arphic-uming)
set(CPACK_STRIP_FILES ON)
include(CPack)
