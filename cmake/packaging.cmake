# What `cmake --install` puts on a Linux system besides the programs, and the
# Debian package made of it. In a build tree configured with
# -DVELTRANO_MAN_PAGE=ON, `cpack -G DEB` makes veltrano_<version>_amd64.deb
# (the version is the project's, e.g. 1.0.0.1) from what `cmake --install`
# installs: both programs, their man pages, the desktop entry, the AppStream
# data, the recordings' MIME type, the icons, the copyright file and the
# changelog.
# scripts/build-deb.sh does it all, with Debian's hardening flags.

# The portable veltrano-convert (FFmpeg linked in) carries GCC's C++ runtime
# too, so it runs on systems whose libstdc++ is older than this one's; glibc
# is the one library it still loads (scripts/build-portable.sh checks).
if(VELTRANO_FFMPEG STREQUAL "bundled" AND CMAKE_SYSTEM_NAME STREQUAL "Linux"
   AND NOT VELTRANO_SANITIZE AND NOT VELTRANO_FUZZ)
    target_link_options(veltrano-convert PRIVATE -static-libstdc++ -static-libgcc)
    target_sources(veltrano-convert PRIVATE ${PROJECT_SOURCE_DIR}/cli/posix/static_runtime.cpp)
endif()

if(CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

# The project's contact and home, the same in the package, the AppStream data,
# the copyright file and the README.
set(VELTRANO_CONTACT "The Veltrano developers <developers@veltrano.org>")
set(VELTRANO_HOMEPAGE "https://veltrano.org/")
# The day PROJECT_VERSION was released, for the AppStream data and the
# package's changelog: move both lines with the version.
set(VELTRANO_RELEASE_DATE 2026-12-08)
set(VELTRANO_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")

find_program(VELTRANO_GZIP gzip REQUIRED)
# Debian wants man pages and changelogs compressed, without a timestamp in
# the gzip header.
function(veltrano_install_gzipped source destination)
    get_filename_component(_name ${source} NAME)
    set(_gz ${CMAKE_CURRENT_BINARY_DIR}/${_name}.gz)
    add_custom_command(OUTPUT ${_gz}
        COMMAND ${VELTRANO_GZIP} -9n -c ${source} > ${_gz}
        DEPENDS ${source} VERBATIM)
    add_custom_target(veltrano_gzip_${_name} ALL DEPENDS ${_gz})
    install(FILES ${_gz} DESTINATION ${destination})
endfunction()

# Off by default: only the package needs it, and it needs help2man.
option(VELTRANO_MAN_PAGE "Generate veltrano-convert's man page from its --help (help2man)" OFF)
# Its sections beyond --help (exit status, signals, examples) are in
# docs/veltrano-convert.h2m.
if(VELTRANO_MAN_PAGE)
    find_program(VELTRANO_HELP2MAN help2man REQUIRED)
    set(_veltrano_man ${CMAKE_CURRENT_BINARY_DIR}/veltrano-convert.1)
    add_custom_command(
        OUTPUT ${_veltrano_man}.gz
        COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${VELTRANO_HELP2MAN}
                -DPROGRAM=$<TARGET_FILE:veltrano-convert>
                -DINCLUDE=${PROJECT_SOURCE_DIR}/docs/veltrano-convert.h2m
                -DOUTPUT=${_veltrano_man} -P ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
        COMMAND ${VELTRANO_GZIP} -9nf ${_veltrano_man}
        DEPENDS veltrano-convert ${PROJECT_SOURCE_DIR}/docs/veltrano-convert.h2m
                ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
        COMMENT "Generating the man page of veltrano-convert"
        VERBATIM)
    add_custom_target(veltrano_man ALL DEPENDS ${_veltrano_man}.gz)
    install(FILES ${_veltrano_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The desktop integration of the dialog. Its id, org.veltrano.veltrano, names
# the desktop entry and the AppStream data alike, which is how software
# centres match the two.
if(VELTRANO_BUILD_GUI)
    set(_veltrano_id org.veltrano.veltrano)
    set(_veltrano_desktop ${PROJECT_SOURCE_DIR}/res/desktop)
    install(FILES ${_veltrano_desktop}/${_veltrano_id}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The recordings' type, which the desktop entry lists: file managers then
    # offer the dialog for them. The package needs no scripts for it or for
    # the entry: dpkg's triggers of shared-mime-info and desktop-file-utils
    # rebuild the databases.
    install(FILES ${_veltrano_desktop}/${_veltrano_id}.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    configure_file(${_veltrano_desktop}/${_veltrano_id}.metainfo.xml.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${_veltrano_id}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${_veltrano_id}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    # Drawn by tools/artwork/draw_artwork.py from one design.
    foreach(side 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/res/icons/veltrano-${side}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps
                RENAME veltrano.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/veltrano.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    veltrano_install_gzipped(${PROJECT_SOURCE_DIR}/docs/veltrano.1 ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The copyright file (machine-readable, DEP-5) and the changelog, where Debian
# keeps them for every package.
set(_veltrano_docdir ${CMAKE_INSTALL_DATADIR}/doc/veltrano)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${_veltrano_docdir})
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
               ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
veltrano_install_gzipped(${CMAKE_CURRENT_BINARY_DIR}/changelog ${_veltrano_docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
# The package carries the project's version whole, as --version prints it.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Veltrano developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of .264 recordings into AVI and MP4 files")
set(CPACK_PACKAGE_DESCRIPTION
    "Veltrano turns .264 recordings (H.264 video with IMA ADPCM audio) into\n"
    "standard AVI files that any player opens, copying every chunk unchanged,\n"
    "or into MP4 files for browsers and phones, the sound encoded to AAC.\n"
    "It comes as a desktop dialog, veltrano, and a command-line converter for\n"
    "batch work, veltrano-convert.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELTRANO_CONTACT})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELTRANO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# md5sums and the control files as dpkg-deb would make them (0644).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The dialog lays itself out in this font's metrics and draws its Chinese
# texts with it; without a CJK font they would not be legible.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-arphic-uming)
# Stripped as Debian's dh_strip does, the compiler's .comment and .note
# sections included, by a script run on the staged files (CPack's own
# stripping keeps them).
set(CPACK_STRIP_FILES OFF)
set(CPACK_VELTRANO_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/strip-programs.cmake)
include(CPack)
