#!/usr/bin/env bash
# Builds the Debian package dist/veltrano_VERSION_amd64.deb (VERSION as in
# CMakeLists.txt, e.g. 1.0.0.1; as root on Debian 12): both programs and their
# man pages, the desktop entry, the AppStream data, the icons, the copyright
# file and the changelog, from a build tree of its own (build-deb/), compiled
# and linked as Debian builds its packages: with dpkg-buildflags' flags alone
# (-O2, and all of its hardening: fortify, stack protector, PIE, RELRO and
# BIND_NOW), the build type None adding nothing but -DNDEBUG. The tests are not
# built here; scripts/test.sh runs them, and scripts/ci-deb.sh checks the
# package.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# help2man writes veltrano-convert's man page; dpkg-shlibdeps (dpkg-dev)
# finds the libraries the programs need.
apt_install_missing help2man dpkg-dev

# CMake reads no CPPFLAGS: the preprocessor's flags (_FORTIFY_SOURCE) go with
# the compiler's. Passed on every run, so an existing tree gets them too.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags="$(dpkg-buildflags --get CPPFLAGS) -DNDEBUG"
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=None -DVELTRANO_BUILD_TESTS=OFF \
    -DVELTRANO_MAN_PAGE=ON \
    -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-deb -j"$(nproc)"
rm -rf build-deb/packages
(cd build-deb && cpack -G DEB -B "$PWD/packages" >/dev/null)

deb=veltrano_${VELTRANO_VERSION}_amd64.deb
mkdir -p dist
cp "build-deb/packages/$deb" "dist/$deb"
echo "build-deb: the package is at $(realpath "dist/$deb")"
