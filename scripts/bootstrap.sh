#!/usr/bin/env bash
# Installs the Debian packages that building and testing Halbrin Lite need.
#
#   scripts/bootstrap.sh [--screenshot] [--fuzz]
#
# --screenshot also installs ImageMagick, which only scripts/run.sh uses to
# photograph the Xvfb screen; the test run does not pay for it.
# --fuzz also installs clang and its libFuzzer runtime (libclang-rt-14-dev is
# only a recommendation of clang), which only scripts/fuzz.sh uses.
#
# Packages already installed are detected with dpkg-query, so a second run is
# quick and needs no network.
set -euo pipefail

packages=(
  build-essential
  cmake
  pkg-config
  libgtk-3-dev
  # Named although GTK pulls them in: the display-free canvas links Cairo and
  # Pango directly, and its tests give fontconfig a private font.
  libcairo2-dev
  libpango1.0-dev
  libfontconfig-dev
  libwebkit2gtk-4.1-dev
  libjavascriptcoregtk-4.1-dev
  libsoup-3.0-dev
  libgcab-dev
  # A second cabinet reader: the cabinet tests check what the writer makes.
  cabextract
  libxml2-dev
  # The document index's trigram cache (FTS5).
  libsqlite3-dev
  nettle-dev
  libblkid-dev
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  xvfb
  xauth
  # XTest: display tests move the pointer and click through the X server.
  libxtst-dev
  # pdftotext and pdfinfo: the print tests read the PDF files they make.
  poppler-utils
  # jquery.min.js: the browser tests load it into a project's page.
  libjs-jquery
  # The window manager display tests of top-level windows run under
  # (moves, activation, decorations); they are skipped without it.
  openbox
  # A recommendation of GTK that --no-install-recommends would drop: the SVG
  # loader for the icon theme, without which icons in dialogs fail to load.
  librsvg2-common
  # TLS for downloads (libsoup's GIO TLS backend) and its tests' HTTPS server.
  glib-networking
  # glib-compile-resources: the page extension's binding scripts are compiled in.
  libglib2.0-dev-bin
  # Scheduled tasks: the calculator's DST cases need the zone data; the unit-text tests run systemd-analyze.
  tzdata systemd
  # Tray and balloons: libnotify; their tests run on a private session bus; saved shortcuts are checked with desktop-file-validate.
  libnotify-dev dbus-daemon dbus-bin desktop-file-utils
)
# No dbus-x11: without a session bus the only thing GTK misses is the
# accessibility bridge, which the scripts switch off with NO_AT_BRIDGE=1.

for arg in "$@"; do
  case "$arg" in
    --screenshot) packages+=(imagemagick) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    -h|--help)
      sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "bootstrap: unknown option '$arg' (known: --screenshot, --fuzz)" >&2
      exit 2
      ;;
  esac
done

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" == "installed" ]]
}

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "bootstrap: this script needs a Debian system (dpkg-query and apt-get not found)" >&2
  exit 1
fi

missing=()
for package in "${packages[@]}"; do
  is_installed "$package" || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "bootstrap: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"

as_root=()
if [[ "$(id -u)" -ne 0 ]]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "bootstrap: not root and sudo is missing; install as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
apt_options=(-y -q --no-install-recommends -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)

# The package lists of a fresh machine may be empty or stale, so always refresh
# them before installing.
if ! "${as_root[@]}" apt-get update -q; then
  echo "bootstrap: FAILED: 'apt-get update' did not succeed (is the package registry reachable?)" >&2
  exit 1
fi

if ! "${as_root[@]}" apt-get install "${apt_options[@]}" "${missing[@]}"; then
  echo "bootstrap: FAILED: could not install: ${missing[*]}" >&2
  exit 1
fi

still_missing=()
for package in "${missing[@]}"; do
  is_installed "$package" || still_missing+=("$package")
done
if ((${#still_missing[@]} > 0)); then
  echo "bootstrap: FAILED: still not installed after apt-get: ${still_missing[*]}" >&2
  exit 1
fi

echo "bootstrap: done"
