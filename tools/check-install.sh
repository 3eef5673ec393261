#!/usr/bin/env bash
# Checks what "cmake --install" puts in place, from a built build folder (default build/):
#   1. installs it under /usr in a temporary folder (DESTDIR);
#   2. validates the desktop entry (desktop-file-validate), the AppStream metadata
#      (appstreamcli validate --no-net) and the man pages (groff, every warning on);
#   3. moves the build folder aside and, from another folder, runs the installed programs:
#      "halvex --version" must name the release of the metadata; halvex must start on Qt's
#      offscreen platform with a settings file of its own and still run 3 s later, without
#      having looked at anything in the source or build tree (strace, when it may trace);
#      "lt40-sim --help" must answer; "halvex-log --version" must name the same release and
#      "halvex-log --help" must answer.
# The build folder is put back however the script ends. tools/test.sh runs it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
STAGE="$(mktemp -d)"
AWAY="$BUILD.away-$$"
moved=0
restore() {
  if [ "$moved" = 1 ]; then
    if [ -e "$BUILD" ]; then
      echo "check-install: $BUILD was made again meanwhile; the build folder is $AWAY" >&2
    else
      mv "$AWAY" "$BUILD"
    fi
  fi
  rm -rf "$STAGE"
}
trap restore EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() { echo "check-install: $*" >&2; exit 1; }

DESTDIR="$STAGE/root" cmake --install "$BUILD" --prefix /usr >/dev/null
USR="$STAGE/root/usr"
DESKTOP="$USR/share/applications/com.vantorel.Halvex.desktop"
METAINFO="$USR/share/metainfo/com.vantorel.Halvex.metainfo.xml"
for f in "$USR/bin/halvex" "$USR/bin/halvex-log" "$USR/bin/lt40-sim" "$DESKTOP" "$METAINFO" \
         "$USR/share/icons/hicolor/scalable/apps/com.vantorel.Halvex.svg" \
         "$USR/share/icons/hicolor/256x256/apps/com.vantorel.Halvex.png" \
         "$USR/share/man/man1/halvex.1.gz" "$USR/share/man/man1/halvex-log.1.gz" \
         "$USR/share/man/man1/lt40-sim.1.gz"; do
  [ -f "$f" ] || fail "not installed: ${f#"$STAGE/root"}"
done

desktop-file-validate "$DESKTOP"
appstreamcli validate --no-net "$METAINFO"
for page in "$USR"/share/man/man1/*.1.gz; do
  warnings="$(zcat "$page" | groff -man -ww -z -K utf8 -Tutf8 2>&1)"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# From here on the build folder is out of reach.
mv "$BUILD" "$AWAY"
moved=1
mkdir -p "$STAGE/home" "$STAGE/config/Vantorel" "$STAGE/run"
chmod 700 "$STAGE/run"
cd "$STAGE/home"
run() {
  env -i PATH=/usr/bin:/bin HOME="$STAGE/home" XDG_CONFIG_HOME="$STAGE/config" \
    XDG_DATA_HOME="$STAGE/data" XDG_RUNTIME_DIR="$STAGE/run" "$@"
}

release="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$METAINFO")"
version="$(run "$USR/bin/halvex" --version)"
[ "$version" = "halvex $release" ] || fail "halvex --version says \"$version\", the metadata $release"

# Settings of an earlier run, so that the start goes past the first-run preferences.
printf '%s\n' '{"Software\\Vantorel\\Halvex22": {"lng": "pl", "name": "Jan Kowalski",' \
  '"company": "Pracownia", "service": {"dword": 0}}}' >"$STAGE/config/Vantorel/halvex22.json"
trace=()
if command -v strace >/dev/null 2>&1 && strace -qq -o /dev/null true 2>/dev/null; then
  trace=(strace -f -qq -e trace=%file -o "$STAGE/files.log")
else
  echo "check-install: strace cannot trace here; the start-up is checked without it" >&2
fi
status=0
run QT_QPA_PLATFORM=offscreen "${trace[@]}" timeout 3 "$USR/bin/halvex" 2>"$STAGE/halvex.err" || status=$?
[ "$status" = 124 ] || { cat "$STAGE/halvex.err" >&2; fail "installed halvex ended during its start-up (status $status)"; }
if [ ${#trace[@]} -gt 0 ] && grep -F -e "$ROOT/" -e "$BUILD" "$STAGE/files.log" >&2; then
  fail "installed halvex looked into the source or build tree (above)"
fi

run "$USR/bin/lt40-sim" --help | grep -q '^Usage: lt40-sim' || fail "installed lt40-sim --help did not answer"

# The windowless program: no display and no Qt platform are needed for either.
version="$(run "$USR/bin/halvex-log" --version)"
[ "$version" = "halvex-log $release" ] || fail "halvex-log --version says \"$version\", the metadata $release"
help="$(run "$USR/bin/halvex-log" --help)" || fail "installed halvex-log --help failed"
[[ "$help" == Usage:* ]] || fail "installed halvex-log --help did not answer"
echo "check-install: installed files valid; installed halvex $release, halvex-log and lt40-sim run without the build folder"
