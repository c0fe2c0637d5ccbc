#!/usr/bin/env bash
# Installs everything the build and the tests need, skipping what is already there.
#   apt packages: the mingw-w64 cross toolchain, Wine, Xvfb and screenshot tools, the SVG renderer
#                 for the skin art and the CHM compiler for the help file
#   .deps/      : libpng (from Debian's source package) and GoogleTest, built for the target
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/.deps"
prefix="$deps/prefix"

packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev cmake ninja-build
          googletest libwine-dev wine wine64 xvfb xauth x11-utils imagemagick x11-apps xdotool
          dpkg-dev fonts-wqy-microhei wixl nsis cups printer-driver-cups-pdf poppler-utils
          librsvg2-bin fonts-dejavu-core fp-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p "$deps"
toolchain="$top/cmake/mingw-w64-x86_64.cmake"

# libpng, static, for the target, against the mingw zlib.
if [ ! -f "$prefix/lib/libpng.a" ]; then
  echo "setup: building libpng for the target"
  src="$deps/src"; mkdir -p "$src"
  if ! ls -d "$src"/libpng1.6-*/ >/dev/null 2>&1; then
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
      sudo_cmd=""; [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
      # Same mirrors as the binary entries, for source packages.
      if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
          | $sudo_cmd tee /etc/apt/sources.list.d/purgeon-src.sources >/dev/null
      else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
          | $sudo_cmd tee /etc/apt/sources.list.d/purgeon-src.list >/dev/null
      fi
      $sudo_cmd apt-get update -qq
    fi
    # The security archive may list a version whose files it no longer serves: fall back to the release.
    (cd "$src" && { apt-get source --download-only -qq -o APT::Sandbox::User=root libpng1.6 >/dev/null 2>&1 \
        || apt-get source --download-only -qq -o APT::Sandbox::User=root libpng1.6/bookworm >/dev/null; } \
      && dpkg-source -x --no-check "$(ls libpng1.6_*.dsc | tail -n1)" >/dev/null)
  fi
  pngsrc=$(ls -d "$src"/libpng1.6-*/ | head -n1)
  cmake -S "$pngsrc" -B "$deps/build-png" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DZLIB_USE_STATIC_LIBS=ON \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF >/dev/null
  cmake --build "$deps/build-png" >/dev/null
  cmake --install "$deps/build-png" >/dev/null
fi

# GoogleTest from Debian's sources, built for the target.
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "setup: building GoogleTest for the target"
  cmake -S /usr/src/googletest -B "$deps/build-gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
    -DBUILD_GMOCK=OFF >/dev/null
  cmake --build "$deps/build-gtest" >/dev/null
  cmake --install "$deps/build-gtest" >/dev/null
fi
echo "setup: ready"
