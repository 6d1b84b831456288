#!/bin/sh
# Installs what the build and tests need, only when something is missing, and
# generates the Japanese locale Wine needs for code page 932.  Quiet when all is there.
set -eu

packages="g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 cmake ninja-build
g++ googletest locales xvfb x11-utils imagemagick fonts-noto-cjk fonts-wine clang
libclang-rt-14-dev python3"
[ "${ZEKO_EXTRA_PACKAGES:-}" ] && packages="$packages $ZEKO_EXTRA_PACKAGES"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ -n "$missing" ]; then
    echo "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q >/dev/null
    $sudo apt-get install -y -q --no-install-recommends $missing >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "generating ja_JP.UTF-8 locale"
    if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8' /etc/locale.gen; then
        $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    elif ! grep -q '^ja_JP.UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    fi
    $sudo locale-gen >/dev/null
fi
