#!/usr/bin/env bash
# Installs the built plug-ins and programs for the current user:
# LV2 into ~/.lv2, VST3 into ~/.vst3, the standalone app and the command-line
# tool into ~/.local/bin.
set -euo pipefail

artefacts=$1
tool=$2

install_bundle() {
  local from=$1 to_dir=$2
  mkdir -p "$to_dir"
  local name
  name=$(basename "$from")
  # Replace the whole bundle, so files from an older build do not linger.
  rm -rf "$to_dir/$name.installing"
  cp -R "$from" "$to_dir/$name.installing"
  rm -rf "${to_dir:?}/$name"
  mv "$to_dir/$name.installing" "$to_dir/$name"
  echo "installed $to_dir/$name"
}

install_bundle "$artefacts/LV2/VELMORA.lv2" "$HOME/.lv2"
install_bundle "$artefacts/VST3/VELMORA.vst3" "$HOME/.vst3"
mkdir -p "$HOME/.local/bin"
install -m 755 "$artefacts/Standalone/VELMORA" "$HOME/.local/bin/VELMORA"
echo "installed $HOME/.local/bin/VELMORA"
install -m 755 "$tool" "$HOME/.local/bin/velmora"
echo "installed $HOME/.local/bin/velmora"
case ":$PATH:" in
  *":$HOME/.local/bin:"*) ;;
  *) echo "note: $HOME/.local/bin is not on your PATH" ;;
esac
