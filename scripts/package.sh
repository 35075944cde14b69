#!/usr/bin/env bash
# Builds the Debian package (build-package/vorlix7_<version>_<arch>.deb) and checks it as the
# distribution's tools do: desktop-file-validate, appstreamcli validate and lintian (errors fail).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# The same compiler options as ./build, so that ccache serves what was compiled there.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF \
  -DVX_WERROR=ON >/dev/null
cmake --build build-package -j"$(nproc 2>/dev/null || echo 2)"
rm -f build-package/vorlix7_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/vorlix7_*.deb)

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/vorlix7.desktop"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error "$deb"
echo "$deb"
