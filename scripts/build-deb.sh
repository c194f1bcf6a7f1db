#!/usr/bin/env bash
# Builds the Debian package dist/veltrano_1.0.0_amd64.deb (as root on
# Debian 12): both programs, the desktop entry, the icons and the man page
# of veltrano-convert, from a Release build tree of its own (build-deb/).
# The tests are not built here; scripts/test.sh runs them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# help2man writes the man page; dpkg-shlibdeps (dpkg-dev) finds the
# libraries the programs need.
for p in help2man dpkg-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || {
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends help2man dpkg-dev
        break
    }
done

cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DVELTRANO_BUILD_TESTS=OFF \
    -DVELTRANO_MAN_PAGE=ON
cmake --build build-deb -j"$(nproc)"
(cd build-deb && cpack -G DEB -B "$PWD/packages")

deb=veltrano_1.0.0_amd64.deb
mkdir -p dist
cp "build-deb/packages/$deb" "dist/$deb"
echo "The package is at $(realpath "dist/$deb")"
