# FFmpeg for every target that converts or reads AVIs, as PkgConfig::FFMPEG.
#
#   -DVELTRANO_FFMPEG=system   Debian's shared libraries (the default; the
#                              Debian package depends on them)
#   -DVELTRANO_FFMPEG=bundled  the minimal static build of
#                              scripts/build-ffmpeg.sh host, linked into each
#                              program, so veltrano-convert needs nothing but
#                              the C and C++ runtime and starts without
#                              loading the ~135 libraries Debian's
#                              libavformat needs
#
# The bundled build is found the way the Windows toolchain finds its own
# (cmake/mingw-w64-x86_64.cmake): VELTRANO_FFMPEG_PREFIX names it, and
# pkg-config reads only its .pc files. Unset, the script is run here; it
# reuses its cache and prints the prefix on its last line.
set(VELTRANO_FFMPEG system CACHE STRING
    "FFmpeg to link: system (Debian's shared libraries) or bundled (minimal, static)")
set_property(CACHE VELTRANO_FFMPEG PROPERTY STRINGS system bundled)
if(NOT VELTRANO_FFMPEG MATCHES "^(system|bundled)$")
    message(FATAL_ERROR "VELTRANO_FFMPEG is system or bundled, not '${VELTRANO_FFMPEG}'")
endif()

if(VELTRANO_FFMPEG STREQUAL "bundled")
    if(CMAKE_CROSSCOMPILING)
        message(FATAL_ERROR "VELTRANO_FFMPEG=bundled is for native builds: a cross build links "
                            "the FFmpeg its toolchain file names (VELTRANO_FFMPEG_PREFIX)")
    endif()
    set(VELTRANO_FFMPEG_PREFIX "$ENV{VELTRANO_FFMPEG_PREFIX}"
        CACHE PATH "FFmpeg for this machine, as printed by scripts/build-ffmpeg.sh host")
    if(NOT VELTRANO_FFMPEG_PREFIX)
        message(STATUS "Building or reusing FFmpeg: scripts/build-ffmpeg.sh host")
        execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-ffmpeg.sh host
                        OUTPUT_VARIABLE _veltrano_ffmpeg_out RESULT_VARIABLE _veltrano_ffmpeg_rc)
        string(STRIP "${_veltrano_ffmpeg_out}" _veltrano_ffmpeg_out)
        if(NOT _veltrano_ffmpeg_rc EQUAL 0 OR NOT IS_DIRECTORY "${_veltrano_ffmpeg_out}")
            message(FATAL_ERROR "scripts/build-ffmpeg.sh host failed; run it as root, then "
                                "pass its last line as -DVELTRANO_FFMPEG_PREFIX=")
        endif()
        set(VELTRANO_FFMPEG_PREFIX "${_veltrano_ffmpeg_out}" CACHE PATH
            "FFmpeg for this machine, as printed by scripts/build-ffmpeg.sh host" FORCE)
    endif()
    if(NOT EXISTS "${VELTRANO_FFMPEG_PREFIX}/lib/libavformat.a")
        message(FATAL_ERROR "${VELTRANO_FFMPEG_PREFIX} holds no static libavformat: "
                            "name the prefix scripts/build-ffmpeg.sh host printed")
    endif()
    # Nothing but that build: the system's .pc files would bring its shared
    # libraries.
    set(ENV{PKG_CONFIG_LIBDIR} "${VELTRANO_FFMPEG_PREFIX}/lib/pkgconfig")
    unset(ENV{PKG_CONFIG_PATH})
endif()

# pkg-config's findings are cached: a tree switched to the other FFmpeg, or to
# another prefix, must look again rather than keep the old libraries.
set(_veltrano_ffmpeg_choice "${VELTRANO_FFMPEG}:${VELTRANO_FFMPEG_PREFIX}")
if(NOT _veltrano_ffmpeg_choice STREQUAL "${VELTRANO_FFMPEG_FOUND_FOR}")
    get_cmake_property(_veltrano_cached CACHE_VARIABLES)
    list(FILTER _veltrano_cached INCLUDE REGEX "^(pkgcfg_lib_FFMPEG_|__pkg_config_checked_FFMPEG$)")
    foreach(variable IN LISTS _veltrano_cached)
        unset(${variable} CACHE)
    endforeach()
    set(VELTRANO_FFMPEG_FOUND_FOR "${_veltrano_ffmpeg_choice}" CACHE INTERNAL
        "The FFmpeg choice the cached pkg-config results belong to")
endif()
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil)

if(VELTRANO_FFMPEG STREQUAL "bundled")
    # A static-only FFmpeg lists what it links itself (threads, libm) with its
    # own libraries, and libatomic, which nothing needs on x86-64: that one is
    # linked only if something does, so the programs do not depend on it.
    get_target_property(_veltrano_ffmpeg_libs PkgConfig::FFMPEG INTERFACE_LINK_LIBRARIES)
    list(TRANSFORM _veltrano_ffmpeg_libs REPLACE "^(atomic|.*/libatomic\\.(so|a))$"
         "-Wl,--push-state,--as-needed,-latomic,--pop-state")
    set_property(TARGET PkgConfig::FFMPEG PROPERTY INTERFACE_LINK_LIBRARIES
                 "${_veltrano_ffmpeg_libs}")
endif()

# Only the system's FFmpeg has the H.264 encoder (libx264) the recording
# generator needs; builds without it take their recordings from a store a
# native run filled (tools/recgen/recording_store.h).
if(NOT CMAKE_CROSSCOMPILING AND VELTRANO_FFMPEG STREQUAL "system")
    set(VELTRANO_GENERATOR_ENCODES ON)
else()
    set(VELTRANO_GENERATOR_ENCODES OFF)
endif()
