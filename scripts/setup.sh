# Shared by ./run and ./test: installs what is missing and builds. Sourced, not run.

ZENTAVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZENTAVO_BUILD=$ZENTAVO_ROOT/build

# Debian packages to build and run the program. fonts-liberation makes "Arial" resolve to a
# face of the same metrics, so the window's texts fit their controls.
ZENTAVO_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libical-dev qtkeychain-qt6-dev libbenchmark-dev fonts-liberation)
# And to run the tests: the end-to-end suite drives the real program on its own X server and
# prints through its own print server, which writes each job to a file; every test has a session
# bus of its own (dbus-daemon, dbus-run-session). The sync tests start real CalDAV servers
# (Radicale, Xandikos) on loopback, use python3-caldav as a client no one here wrote, and keep
# passwords in a gnome-keyring daemon on the test's own bus.
ZENTAVO_TEST_PACKAGES=(clang-format clang-tidy poppler-utils python3 xvfb xdotool imagemagick
    cups faketime clang libclang-rt-14-dev dbus dbus-daemon acl at-spi2-core python3-pyatspi
    gir1.2-atspi-2.0 radicale xandikos python3-caldav python3-icalendar gnome-keyring libsecret-tools)

# Installs the packages that are not there yet; does nothing (and needs no network) when all are.
zentavo_install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing ${missing[*]} ..."
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# zentavo_build DIR [cmake options...]: configures DIR once, then builds it.
zentavo_build() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ZENTAVO_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTAVO_WERROR=ON "$@" >/dev/null
    fi
    cmake --build "$dir" --parallel "$(nproc)"
}
