#!/usr/bin/env bash
# Set-up for a fresh Debian 12 machine: installs what is missing, builds, then
#   ./build.sh run   starts the viewer on the bundled sample recording
#   ./build.sh test  runs every test headless through CTest
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
          qttools5-dev qttools5-dev-tools qttranslations5-l10n
          fonts-wqy-microhei xvfb xauth desktop-file-utils shared-mime-info poppler-utils
          clang libclang-rt-14-dev
          help2man dpkg-dev lintian appstream locales)
# The drawing suites run under the users' own locale as well as the default one.
LOCALES=(zh_CN en_US)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Installing the locales package generates none of them.
generate_missing_locales() {
    local sudo="" have
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    have=$(locale -a 2>/dev/null || true)
    for l in "${LOCALES[@]}"; do
        grep -qix "$l\.utf-\?8" <<<"$have" && continue
        echo "Generating locale $l.UTF-8"
        $sudo localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
    done
}

build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@"
    cmake --build "$dir" -j"$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    build build
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found; starting the viewer under xvfb-run."
        exec xvfb-run -a build/bin/ostrel build/bin/sample.tavdata
    fi
    exec build/bin/ostrel build/bin/sample.tavdata
    ;;
test)
    install_missing
    generate_missing_locales
    build build
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    # Sanitizer builds and bounded fuzzing, when present.
    if [ -x tools/ci/sanitize.sh ]; then tools/ci/sanitize.sh; fi

    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
