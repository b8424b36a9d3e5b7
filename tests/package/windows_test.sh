#!/usr/bin/env bash
# The Windows installer and the zip, in a fresh Wine prefix of this test's own: a silent install,
# the installed module rendering and finding its companion, installs over it and elsewhere, the
# uninstall with a neighbour's plug-in cache entry planted, and the zip's frei0r filter against
# the native one. Prints how long the install and the uninstall took.
#   windows_test.sh NATIVE_BUILD_DIR MINGW_BUILD_DIR
set -uo pipefail
cd "$(dirname "$0")/../.."
. packaging/identity.sh
. tests/package/checks.sh
native=$(realpath "$1")
mingw=$(realpath "$2")
render_native=$(built "$native" tessgrain-render)
render_windows=$(built "$mingw" tessgrain-render.exe)
loader_native=$(built "$native" frei0r_loader)
loader_windows=$(built "$mingw" frei0r_loader.exe)
setup=$PWD/dist/Tessgrain-$VERSION-win64-setup.exe
zip=$PWD/dist/Tessgrain-$VERSION-win64.zip
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k > /dev/null 2>&1; rm -rf "$work"' EXIT
wineboot -i > /dev/null 2>&1
wineserver -w
# The effect refuses hosts on systems older than Windows 10, which a fresh prefix reports.
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f > /dev/null 2>&1
wineserver -w

default='C:\Program Files\Adobe\Common\Plug-ins\7.0\MediaCore\Mirelune Orbisk'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OrbiskTessgrain'
files=(Tessgrain.aex Orbisk.exe user-guide.html LICENSE.txt "Uninstall Tessgrain.exe")
unix() { winepath -u "$1" 2> /dev/null; }
# Runs a Windows command line as it is, through a batch file (cmd waits for what a batch starts).
run_line() {
  printf '%s\r\n' "@$1" > "$WINEPREFIX/drive_c/line.bat"
  wine cmd /c 'C:\line.bat'
}
milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# The value of the entry in the 64-bit registry view; empty when missing.
value() {
  wine reg query "$entry" /v "$1" /reg:64 2> /dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
# Uninstall entries anywhere whose DisplayName is ours, in either view.
entries() {
  local count=0 view
  for view in 64 32; do
    count=$((count + $(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
      /s /reg:$view 2> /dev/null | tr -d '\r' | grep -c "DisplayName *REG_SZ *$DISPLAY_NAME\$")))
  done
  echo $count
}
# The folder holds exactly the installed files, the first four equal to the package's own.
holds_the_files() {
  local dir
  dir=$(unix "$1")
  [ "$(ls "$dir" | sort)" == "$(printf '%s\n' "${files[@]}" | sort)" ] ||
    why "$1 holds: $(ls "$dir" | tr '\n' ' ')"
  for f in "${files[@]:0:4}"; do
    unzip -p "$zip" "Tessgrain-$VERSION-win64/$f" | cmp -s - "$dir/$f" || why "$f differs"
  done
}

silent_install_places_and_registers() {
  local start
  start=$(milliseconds)
  wine "$setup" /S || why "the installer failed"
  echo "  install: $(($(milliseconds) - start)) ms"
  holds_the_files "$default" || return 1
  [ "$(value DisplayName)" == "$DISPLAY_NAME" ] && [ "$(value DisplayVersion)" == "$VERSION" ] &&
    [ "$(value Publisher)" == "$PUBLISHER" ] && [ "$(value InstallLocation)" == "$default" ] &&
    [ "$(value UninstallString)" == "\"$default\\Uninstall Tessgrain.exe\"" ] &&
    [ "$(value QuietUninstallString)" == "\"$default\\Uninstall Tessgrain.exe\" /S" ] ||
    why "the entry holds: $(wine reg query "$entry" /reg:64 | tr -d '\r')"
  local size=$(($(value EstimatedSize)))
  local actual=$(($(du -sk --apparent-size "$(unix "$default")" | cut -f1)))
  ((size > 0 && size >= actual - 8 && size <= actual + 8)) || why "EstimatedSize $size, not $actual"
  [ "$(entries)" == 1 ] || why "$(entries) entries"
  ! wine reg query "$entry" /reg:32 > /dev/null 2>&1 || why "the entry is in the 32-bit view"
}

# Raw frames through the installed module and the Windows tool, against the native render.
installed_module_renders_as_native() {
  head -c $((37 * 23 * 4)) /dev/urandom > "$work/in.raw"
  local settings=(--raw 37x23 --scale 3.5 --interp nearest-aa --edge-blur 1.5 --quiet)
  wine "$render_windows" "${settings[@]}" --module "$default\\Tessgrain.aex" \
    "$work/in.raw" -o "$work/windows.raw" || return 1
  "$render_native" "${settings[@]}" "$work/in.raw" -o "$work/native.raw" ||
    return 1
  [ -s "$work/native.raw" ] && cmp "$work/windows.raw" "$work/native.raw"
}

# A copy of the installed module elsewhere has no companion beside it: the dialog command must
# reach the installed one by the default path. Once that is gone the effect shows an error box,
# which waits for a click: the run is ended after a while.
dialog_finds_companion_by_default_path() {
  local elsewhere=$WINEPREFIX/drive_c/elsewhere dir
  dir=$(unix "$default")
  mkdir -p "$elsewhere" && cp "$dir/Tessgrain.aex" "$elsewhere/"
  ORBISK_AUTOCLOSE_MS=300 wine "$render_windows" --dialog \
    --module 'C:\elsewhere\Tessgrain.aex' > "$work/dialog.txt" 2>&1
  local status=$?
  tr -d '\r' < "$work/dialog.txt"
  ((status == 0)) && grep -q 'json:{' "$work/dialog.txt" || why "no answer from the companion"
  mv "$dir/Orbisk.exe" "$work/Orbisk.exe"
  ! ORBISK_AUTOCLOSE_MS=300 timeout -k 5 20 wine "$render_windows" --dialog \
    --module 'C:\elsewhere\Tessgrain.aex' > /dev/null 2>&1
  status=$?
  mv "$work/Orbisk.exe" "$dir/Orbisk.exe"
  ((status == 0)) || why "the dialog succeeded without the installed companion"
}

install_over_itself_keeps_one_entry() {
  wine "$setup" /S || why "the second install failed"
  holds_the_files "$default" && [ "$(entries)" == 1 ] && [ "$(value InstallLocation)" == "$default" ]
}

# While a host holds the module, the silent install and uninstall answer cancel: they fail and
# change nothing (the uninstaller runs in place with _?= so that its end can be waited for).
locked_module_changes_nothing() {
  local dir before
  dir=$(unix "$default")
  before=$(cd "$dir" && stat -c '%n %Y %s' "${files[@]}")
  sleep 1.1  # a rewrite would show in the times
  # A render that waits for its second frame holds the module loaded meanwhile.
  { printf '%064d' 0; sleep 15; } | wine "$render_windows" --raw 4x4 \
    --module "$default\\Tessgrain.aex" --quiet -o "$work/held.raw" &
  sleep 4
  wine "$setup" /S
  (($? == 2)) || why "the install did not end as cancelled"
  # _?= takes the rest of the command line, unquoted.
  run_line "\"$default\\Uninstall Tessgrain.exe\" /S _?=$default"
  (($? == 2)) || why "the uninstall did not end as cancelled"
  wait
  [ "$(cd "$dir" && stat -c '%n %Y %s' "${files[@]}")" == "$before" ] ||
    why "files were changed: $(ls "$dir" | tr '\n' ' ')"
  [ "$(entries)" == 1 ] || why "the entry is gone"
}

# /D= elsewhere moves the install there: the earlier folder goes, one entry points to the new one.
install_elsewhere_moves_it() {
  wine "$setup" /S '/D=C:\Plug-ins\Orbisk' || why "the install into C:\\Plug-ins\\Orbisk failed"
  holds_the_files 'C:\Plug-ins\Orbisk' && [ ! -e "$(unix "$default")" ] &&
    [ "$(entries)" == 1 ] && [ "$(value InstallLocation)" == 'C:\Plug-ins\Orbisk' ]
}

cache='HKCU\Software\Adobe\After Effects\25.0\PluginCache.aegp\en_US'
# Our cache entries (any letter case) go with the uninstall; a neighbour whose name holds ours,
# and our name outside a plug-in cache, stay.
plant_cache_entries() {
  wine reg add "$cache\\Tessgrain.aex\\Sub" /v Scanned /d 1 /f &&
    wine reg add 'HKCU\Software\Adobe\Premiere Pro\25.0\PluginCache.64\en_US\TESSGRAIN.AEX' /f &&
    wine reg add "$cache\\MyTessgrain.aex" /v Scanned /d 1 /f &&
    wine reg add 'HKCU\Software\Adobe\Tessgrain.aex' /v Kept /d 1 /f
} > /dev/null 2>&1
key_exists() { wine reg query "$1" > /dev/null 2>&1; }

uninstall_leaves_nothing_but_the_neighbour() {
  local dir start
  dir=$(unix 'C:\Plug-ins\Orbisk')
  plant_cache_entries || why "could not plant the cache entries"
  start=$(milliseconds)
  # As a render farm removes it: the entry's own command. The uninstaller runs from a copy of
  # itself, which keeps going after the first process ends.
  run_line "$(value QuietUninstallString)" || why "the uninstaller failed"
  for _ in $(seq 600); do
    [ -e "$dir" ] || break
    sleep 0.1
  done
  echo "  uninstall: $(($(milliseconds) - start)) ms"
  wineserver -w
  [ ! -e "$dir" ] || why "left: $(find "$dir")"
  [ ! -e "$(unix "$default")" ] || why "the default folder is back"
  [ "$(entries)" == 0 ] || why "an entry is left"
  ! key_exists "$cache\\Tessgrain.aex" || why "our After Effects cache entry is left"
  ! key_exists 'HKCU\Software\Adobe\Premiere Pro\25.0\PluginCache.64\en_US\TESSGRAIN.AEX' ||
    why "our Premiere Pro cache entry is left"
  key_exists "$cache\\MyTessgrain.aex" || why "the neighbour's cache entry is gone"
  key_exists 'HKCU\Software\Adobe\Tessgrain.aex' || why "a key outside the caches is gone"
}

# The zip's tessgrain.dll under Wine, through our own loader, against tessgrain.so natively.
zip_filter_equals_native() {
  unzip -q "$zip" -d "$work/zip" || return 1
  local dll=$work/zip/Tessgrain-$VERSION-win64/frei0r/lib/frei0r-1/tessgrain.dll
  [ -f "$work/zip/Tessgrain-$VERSION-win64/INSTALL.txt" ] &&
    [ -f "$work/zip/Tessgrain-$VERSION-win64/frei0r/share/kdenlive/effects/frei0r_tessgrain.xml" ] &&
    [ -f "$work/zip/Tessgrain-$VERSION-win64/frei0r/share/shotcut/qml/filters/tessgrain/ui.qml" ] ||
    why "the zip lacks INSTALL.txt or a panel"
  wine "$loader_windows" "$dll" "$work/frei0r_windows.raw" || return 1
  "$loader_native" "$native/frei0r-1/tessgrain.so" "$work/frei0r_native.raw" ||
    return 1
  [ "$(stat -c %s "$work/frei0r_native.raw")" -eq $((83 * 47 * 4 * 6 * 3)) ] &&
    cmp "$work/frei0r_windows.raw" "$work/frei0r_native.raw"
}

check "a silent install places the files and registers the entry" silent_install_places_and_registers
check "the installed module renders as the native one" installed_module_renders_as_native
check "the dialog command finds the installed companion by its default path" \
  dialog_finds_companion_by_default_path
check "an install over itself keeps one entry" install_over_itself_keeps_one_entry
check "a held module makes install and uninstall cancel, changing nothing" locked_module_changes_nothing
check "an install elsewhere (/D=) moves the earlier one" install_elsewhere_moves_it
check "the uninstall leaves nothing but a neighbour's cache entry" \
  uninstall_leaves_nothing_but_the_neighbour
check "the zip's frei0r filter equals the native one" zip_filter_equals_native
finish
