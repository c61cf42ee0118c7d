#!/usr/bin/env bash
# Adds the throw-away test CA to the system trust store, or removes it again.
# Wine's Windows certificate store is built from the system's, so the Windows
# build's tests need it there.
set -euo pipefail
action="$1"
ca_file="$2"
# One file per CA, named after its path, so builds tested side by side (each with its
# own throw-away CA) do not replace or remove each other's.
tag="$(printf '%s' "$(realpath -m "$ca_file")" | md5sum | cut -c1-12)"
target="/usr/local/share/ca-certificates/quorvane-test-ca-$tag.crt"
run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
case "$action" in
  install)
    run install -m 0644 "$ca_file" "$target"
    run update-ca-certificates >/dev/null
    ;;
  remove)
    if [ -f "$target" ]; then
      run rm -f "$target"
      # --fresh rebuilds the links and warns about the bundle file it skips.
      run update-ca-certificates --fresh >/dev/null 2>&1
    fi
    ;;
  installed)
    [ -f "$target" ]
    ;;
  *)
    echo "usage: $0 install|remove|installed CA_FILE" >&2
    exit 2
    ;;
esac
