# Cross-builds for 64-bit Windows 10 and later with Debian's mingw-w64:
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DVELTRANO_FFMPEG_PREFIX="$(bash scripts/build-ffmpeg.sh win64)"
#
# The posix-threads flavour of the compilers is the one whose C++ library
# has std::thread and std::mutex. Every program is linked statically
# (libgcc, libstdc++, winpthread and whatever else is linked), so an .exe
# needs no DLL beside it on a bare Windows. Test programs run under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR), in the prefix named by WINEPREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTRANO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELTRANO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRANO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRANO_MINGW_TRIPLET}-windres)

# Headers and libraries come from the mingw-w64 tree (and the FFmpeg prefix
# below) only, never from the Linux system; programs run during the build
# are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 10 is the oldest system we run on; wide-character Win32 calls
# throughout, so file names and texts are Unicode.
set(_veltrano_win_defines "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00")
set(CMAKE_C_FLAGS_INIT "${_veltrano_win_defines}")
set(CMAKE_CXX_FLAGS_INIT "${_veltrano_win_defines}")
# Resource scripts are UTF-8: windres stores their strings as UTF-16.
set(CMAKE_RC_FLAGS_INIT "${_veltrano_win_defines} -c 65001")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The FFmpeg built by scripts/build-ffmpeg.sh win64. pkg-config only ever
# sees Windows libraries: the host's .pc files would bring Linux ones.
set(VELTRANO_FFMPEG_PREFIX "$ENV{VELTRANO_FFMPEG_PREFIX}"
    CACHE PATH "FFmpeg for Windows, as printed by scripts/build-ffmpeg.sh win64")
# Checks made while configuring re-read this file: they must see the same.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELTRANO_FFMPEG_PREFIX)
set(_veltrano_pc_dirs /usr/${VELTRANO_MINGW_TRIPLET}/lib/pkgconfig)
if(VELTRANO_FFMPEG_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${VELTRANO_FFMPEG_PREFIX})
    list(PREPEND _veltrano_pc_dirs ${VELTRANO_FFMPEG_PREFIX}/lib/pkgconfig)
endif()
list(JOIN _veltrano_pc_dirs ":" _veltrano_pc_libdir)
set(ENV{PKG_CONFIG_LIBDIR} "${_veltrano_pc_libdir}")
unset(ENV{PKG_CONFIG_PATH})

# Debian's wine64 is not on PATH; its loader is.
find_program(VELTRANO_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VELTRANO_WINE64 wine64)
if(VELTRANO_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELTRANO_WINE64})
endif()
