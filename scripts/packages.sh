# Debian packages the project needs; sourced by the scripts in this folder.
SKARVO_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  libgsf-1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool imagemagick
  fonts-ipafont-gothic
  xdg-utils desktop-file-utils
)

# Installs whatever of the given packages is missing: one apt-get update, then install.
skarvo_ensure_packages() {
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
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >&2
  fi
}
