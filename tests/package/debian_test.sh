#!/usr/bin/env bash
# The Debian package, tested without changing this machine: lintian, apt's simulated install, and
# its files unpacked into a throwaway root, run from there, with ffmpeg and melt finding the filter
# at its installed path in a mount namespace that binds the unpacked folder over the system's.
#   debian_test.sh NATIVE_BUILD_DIR
set -uo pipefail
cd "$(dirname "$0")/../.."
. packaging/identity.sh
. tests/package/checks.sh
render_native=$(built "$(realpath "$1")" tessgrain-render)
deb=$PWD/dist/tessgrain_${VERSION}_amd64.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root

lintian_reports_no_errors() {
  lintian --tag-display-limit 0 "$deb" > "$work/lintian.txt" 2>&1
  cat "$work/lintian.txt"
  ! grep -q '^E:' "$work/lintian.txt"
}

apt_resolves_every_dependency() {
  apt-get install --simulate --no-install-recommends "$deb" > "$work/apt.txt" 2>&1 ||
    { cat "$work/apt.txt"; return 1; }
  grep -q "^Inst tessgrain (${VERSION//./\\.} " "$work/apt.txt" || why "apt would not install it"
}

# The unpacked tool finds its module and its sample from its own folder and renders what the build
# renders; the build tree's module is not where the unpacked tool looks.
unpacked_tool_renders() {
  dpkg-deb -x "$deb" "$root" || return 1
  local tool=$root/usr/bin/tessgrain-render
  [ -x "$tool" ] || why "no usr/bin/tessgrain-render"
  (cd "$work" && "$tool" --quiet -o unpacked/) || return 1
  (cd "$work" && "$render_native" --quiet -o built/) || return 1
  cmp "$work/unpacked/sprite_x8.png" "$work/built/sprite_x8.png" || return 1
  "$tool" --quiet "$work/built/sprite_x8.png" --scale 2.5 --interp linear -o "$work/linear.png" &&
    "$render_native" --quiet "$work/built/sprite_x8.png" --scale 2.5 \
      --interp linear -o "$work/linear_built.png" &&
    cmp "$work/linear.png" "$work/linear_built.png"
}

manual_page_opens() {
  local page=$root/usr/share/man/man1/tessgrain-render.1.gz text
  text=$(MANWIDTH=80 MAN_KEEP_FORMATTING=0 man --warnings -l "$page" 2> "$work/man_warnings.txt" |
    col -b) || return 1
  [ ! -s "$work/man_warnings.txt" ] || { cat "$work/man_warnings.txt"; return 1; }
  grep -q "^NAME" <<< "$text" && grep -q "tessgrain-render - enlarge" <<< "$text" &&
    grep -q -- "--scale F" <<< "$text" && grep -q "Tessgrain $VERSION" <<< "$text" ||
    why "the page lacks its name, its options or its version"
}

# ffmpeg and melt in a namespace where the unpacked usr/lib/frei0r-1 lies over the system's, with
# FREI0R_PATH unset: each must find and run tessgrain. Over an empty folder neither may, or the
# check proves nothing.
in_namespace() {
  local frei0r=$1
  shift
  bwrap --dev-bind / / --bind "$frei0r" /usr/lib/frei0r-1 env -u FREI0R_PATH -u MLT_FREI0R_PLUGIN_PATH "$@"
}
ffmpeg_frame() {
  in_namespace "$1" ffmpeg -v error -nostdin -f lavfi -i testsrc2=size=64x48:rate=1 -frames:v 1 \
    -vf 'format=rgba,frei0r=tessgrain:0.0625|1|0.0234375|0|0.5|0.5' -f rawvideo -y "$2"
}
# The sample through melt, with the arguments that follow (the filter, or none).
melt_frame() {
  local frei0r=$1 out=$2
  shift 2
  in_namespace "$frei0r" melt -silent -quiet "$root/usr/share/tessgrain/sprite.png" out=0 "$@" \
    -consumer "avformat:$out" f=rawvideo pix_fmt=rgba width=64 height=48 frame_rate_num=1 \
    frame_rate_den=1 > /dev/null 2>&1
}
hosts_find_the_installed_filter() {
  mkdir -p "$work/empty"
  ffmpeg_frame "$root/usr/lib/frei0r-1" "$work/ffmpeg.raw" || why "ffmpeg did not run the filter"
  [ "$(stat -c %s "$work/ffmpeg.raw")" -eq $((64 * 48 * 4)) ] || why "ffmpeg wrote no frame"
  ! ffmpeg_frame "$work/empty" "$work/ffmpeg_empty.raw" 2> /dev/null ||
    why "ffmpeg ran tessgrain without the package's folder"
  melt_frame "$root/usr/lib/frei0r-1" "$work/melt.raw" -attach frei0r.tessgrain 0=0.0625 &&
    melt_frame "$root/usr/lib/frei0r-1" "$work/melt_plain.raw" && [ -s "$work/melt.raw" ] &&
    ! cmp -s "$work/melt.raw" "$work/melt_plain.raw" || why "melt did not run the filter"
  in_namespace "$root/usr/lib/frei0r-1" melt -query filter=frei0r.tessgrain 2>&1 |
    grep -q "identifier: frei0r.tessgrain" || why "melt does not list frei0r.tessgrain"
  ! in_namespace "$work/empty" melt -query filter=frei0r.tessgrain 2>&1 |
    grep -q "identifier: frei0r.tessgrain" || why "melt lists tessgrain without the package's folder"
}

check "lintian reports no errors" lintian_reports_no_errors
check "apt resolves every dependency" apt_resolves_every_dependency
check "the unpacked tool renders as the build's does" unpacked_tool_renders
check "the manual page opens" manual_page_opens
check "ffmpeg and melt find the filter at its installed path" hosts_find_the_installed_filter
finish
