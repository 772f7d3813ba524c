# Debian packages the project needs; sourced by the scripts in this folder.
SKARVO_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  libgsf-1-dev libzip-dev libexpat1-dev libuchardet-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool imagemagick python3
  fonts-ipafont-gothic
  xdg-utils desktop-file-utils
)

# The office backend's test needs a LibreOffice to drive (Calc, Writer and the uno module of
# the system's python3), and the completion test needs bash-completion. scripts/test installs
# these, without recommended extras; scripts/run does not: without LibreOffice, documents open
# with xdg-open.
SKARVO_TEST_PACKAGES=(
  libreoffice-calc libreoffice-writer python3-uno
  bash-completion
)

# scripts/package builds the Debian package with CPack: dpkg-shlibdeps (dpkg-dev) and file
# compute its dependencies; scripts/test also checks the package with lintian.
SKARVO_PACKAGING_PACKAGES=(
  dpkg-dev file lintian
)

# Installs whatever of the given packages is missing: one apt-get update, then install.
# A first argument --no-install-recommends is passed on to apt-get.
skarvo_ensure_packages() {
  local options=()
  if [ "${1:-}" = "--no-install-recommends" ]; then
    options+=("$1")
    shift
  fi
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}" >&2
  fi
}
