#!/usr/bin/env bash
# Installs everything building and testing Sorvane needs on Debian 12. Safe to run
# again: when every package is present it changes nothing.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest        # native build and unit tests
    g++-mingw-w64-x86-64-posix mingw-w64-tools  # Windows build (windres comes with binutils)
    wine wine64                             # Windows tests and programs on Linux
    libxrender1 libxcursor1 libxrandr2 libxi6 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
    libgl1 libgnutls30 libdbus-1-3          # loaded by Wine at run time, only recommended by it
    xvfb xauth x11-utils imagemagick        # GUI tests on a virtual display, screenshots
    locales                                 # Japanese and other locales the Windows tests run under
    fonts-wine                              # Wine's own fonts (Marlett draws the window frames' buttons)
    clang libclang-rt-14-dev                # fuzz targets (libFuzzer)
    libbenchmark-dev                        # benchmarks in bench/
    libcpp-httplib-dev nlohmann-json3-dev   # reference definition server, JSON documents
    libsqlite3-dev                          # the server's store of submitted names; browser cookie stores (native build)
    sqlite3                                 # the cookie-store test plants browsers' databases
    libssl-dev openssl                      # the server signs its statements (libcrypto)
    nginx                                   # serves a published tree in the server's tests
    pkg-config                              # finds the HTTP library for the server
    nsis                                    # the Windows installer
    osslsigncode                            # Authenticode signatures of the Windows programs and setup
    ccache                                  # repeated builds of the same sources
    python3 git ca-certificates
)

missing=()
for package in "${packages[@]}"; do
    if [[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: all ${#packages[@]} packages already installed"
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

log=$(mktemp "${TMPDIR:-/tmp}/sorvane-setup.XXXXXX.log")
echo "setup: installing ${#missing[@]} package(s): ${missing[*]} (log: $log)"
export DEBIAN_FRONTEND=noninteractive
if ! { "${sudo[@]}" apt-get update \
       && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"; } \
       >"$log" 2>&1 </dev/null; then
    echo "setup: FAILED; last lines of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
fi

still=()
for package in "${missing[@]}"; do
    if [[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]]; then
        still+=("$package")
    fi
done
if [[ ${#still[@]} -ne 0 ]]; then
    echo "setup: FAILED; still missing: ${still[*]} (log: $log)" >&2
    exit 1
fi
echo "setup: installed ${missing[*]}"
