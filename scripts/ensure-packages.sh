# Sourced by ./run and ./test: installs the Debian packages that are missing,
# and calls apt-get only when something is missing.

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "Нужны пакеты: ${missing[*]}. Установите их от имени root: apt-get install ${missing[*]}" >&2
            return 1
        fi
    fi
    echo "Устанавливаются пакеты: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What every build needs: the compiler, CMake and Qt 5 with its tools, its
# SVG module (the lab draws the frequency chart) and its Russian translation
# (loaded by the lab and the tool, read by the tests).
BUILD_PACKAGES=(g++ make cmake pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev qttranslations5-l10n)
