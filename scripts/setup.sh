#!/usr/bin/env bash
# Prepares a fresh Debian 12 machine to build VELMORA: the system packages the
# build needs and the JUCE source tree (from Debian's source package, unpacked
# into third_party/juce). Safe to run again: it only does what is missing.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
juce_dir="$here/third_party/juce"
juce_version_wanted="8.0.6+ds-2"

packages=(
  build-essential cmake ninja-build ccache pkg-config dpkg-dev
  libasound2-dev libjack-jackd2-dev libfreetype-dev libfontconfig1-dev
  libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
  libxrandr-dev libxrender-dev libgtk-3-dev libwebkit2gtk-4.1-dev
  libglu1-mesa-dev zlib1g-dev libpng-dev libjpeg-dev lv2-dev
  libflac-dev libvorbis-dev libogg-dev libfftw3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)

say() { printf 'setup: %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  say "installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The first Debian mirror the system itself uses (never the security archive),
# so the repository does not hard-code a host name.
debian_mirror() {
  local uri=""
  if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    uri=$(grep -h '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' | grep -v security | head -n1 || true)
  fi
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(grep -E '^deb(-src)? ' /etc/apt/sources.list | grep -v security | awk '{for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) {print $i; exit}}' | head -n1 || true)
  fi
  [ -n "$uri" ] || { say "could not find a Debian mirror in the apt configuration"; exit 1; }
  printf '%s\n' "${uri%/}"
}

fetch_juce() {
  if [ -f "$juce_dir/.velmora-juce-version" ]; then
    return
  fi
  local work="$here/third_party/.apt"
  rm -rf "$work"
  mkdir -p "$work/lists/partial" "$work/src"
  local mirror
  mirror=$(debian_mirror)
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror trixie main" >"$work/sources.list"
  local apt_opts=(-o "Dir::Etc::sourcelist=$work/sources.list" -o "Dir::Etc::sourceparts=-"
                  -o "Dir::State::Lists=$work/lists" -o "APT::Sandbox::User=root")
  say "reading trixie's source index from $mirror"
  apt-get "${apt_opts[@]}" update -qq
  local version
  if apt-cache "${apt_opts[@]}" showsrc juce | grep -qx "Version: $juce_version_wanted"; then
    version=$juce_version_wanted
  else
    # The pool moves on: take the newest 8.0.x the suite offers.
    version=$(apt-cache "${apt_opts[@]}" showsrc juce | sed -n 's/^Version: \(8\.0\..*\)/\1/p' | sort -V | tail -n1)
    [ -n "$version" ] || { say "trixie offers no JUCE 8.0.x source package"; exit 1; }
    say "JUCE $juce_version_wanted is gone from the pool; using $version"
  fi
  say "fetching JUCE $version source (Debian's patches applied)"
  (cd "$work/src" && apt-get "${apt_opts[@]}" source -qq "juce=$version" >/dev/null)
  local unpacked
  unpacked=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'juce-*' | head -n1)
  [ -n "$unpacked" ] || { say "apt-get source left no juce-* folder"; exit 1; }
  rm -rf "$juce_dir"
  mv "$unpacked" "$juce_dir"
  echo "$version" >"$juce_dir/.velmora-juce-version"
  rm -rf "$work"
}

install_packages
fetch_juce
say "ready (JUCE $(cat "$juce_dir/.velmora-juce-version"))"
