#!/usr/bin/env bash
# Builds the Debian package from the build tree's install rules and checks it
# as Debian would: lintian, name and version against the changelog, the
# dependencies on what the programs load and start at run time, copyright,
# files, Installed-Size, desktop entry and AppStream data, the manual page of
# the decoder. Then it unpacks the package and runs both programs from there,
# also without the help's SQLite driver; as root, a new user runs the program
# on a desktop of its own (check_new_user.sh).
#   check_package.sh BUILD_DIR WORK_DIR PROGRAM_DIR BIN_DIR DATA_DIR MAN_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "$1")
work=$2
program_dir=$3 bin_dir=$4 data_dir=$5 man_dir=$6
export LC_ALL=C.UTF-8

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack"; }

arch=$(dpkg --print-architecture)
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "zedezedidor_${version}_${arch}.deb" ] || fail "package name $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = zedezedidor ] || fail "package field"
[[ $version =~ ^[0-9.]+-[0-9]+$ ]] || fail "version $version has no Debian revision"
[ -z "$(dpkg-deb -f "$deb" Homepage)" ] || fail "Homepage $(dpkg-deb -f "$deb" Homepage): the project has no web site"

# Reproducible: packing the same build again gives the same bytes, although
# every file is installed anew (the whole build twice is too slow for a test).
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/again" >"$work/cpack-again.log" 2>&1 \
  || { cat "$work/cpack-again.log" >&2; fail "cpack, second time"; }
cmp "$deb" "$work/again/$(basename "$deb")" || fail "a second packing gave another package"

# Debian's own judgement. Errors and warnings fail; the rest is shown.
command -v lintian >/dev/null || fail "lintian is missing (bash scripts/install-deps)"
lintian --fail-on error,warning --display-info --pedantic "$deb" 2>&1 | tee "$work/lintian.log" \
  || fail "lintian: $(grep -E '^[EW]:' "$work/lintian.log" || cat "$work/lintian.log")"

# Libraries from dpkg-shlibdeps; what the programs load or start at run time
# named by hand. Each is looked up as the file that is used, so a need that
# moves to another package is noticed.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
owner() { dpkg -S "$1" | head -n1 | cut -d: -f1; }
needs=(libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6help6
  libopencv-core406 libopencv-imgproc406
  "$(owner '*/qt6/plugins/sqldrivers/libqsqlite.so')"
  "$(owner "$(fc-match -f '%{file}' 'Liberation Sans:style=Regular')")"
  "$(owner "$(command -v xdg-open)")")
for dep in "${needs[@]}"; do
  sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -qxF "$dep" || fail "no dependency on $dep"
done

# Exactly these files (directories aside), nothing from the build tree.
doc=./usr/$data_dir/doc/zedezedidor
expected=$(sort <<EOF2
./usr/$bin_dir/zedezedidor
./usr/$bin_dir/zedezedidor-decode
./usr/$program_dir/zedezedidor
./usr/$program_dir/zedezedidor-photo.so
./usr/$program_dir/Lurvan.ico
./usr/$program_dir/Readme.txt
./usr/$program_dir/Lizenz.txt
./usr/$data_dir/zedezedidor/Zedezedidor.qhc
./usr/$data_dir/zedezedidor/Zedezedidor.qch
./usr/$data_dir/applications/zedezedidor.desktop
./usr/$data_dir/metainfo/org.example.zedezedidor.metainfo.xml
./usr/$data_dir/icons/hicolor/16x16/apps/zedezedidor.png
./usr/$data_dir/icons/hicolor/32x32/apps/zedezedidor.png
./usr/$data_dir/icons/hicolor/48x48/apps/zedezedidor.png
./usr/$data_dir/icons/hicolor/256x256/apps/zedezedidor.png
./usr/$data_dir/lintian/overrides/zedezedidor
./usr/$man_dir/man1/zedezedidor.1.gz
./usr/$man_dir/man1/zedezedidor-decode.1.gz
$doc/copyright
$doc/changelog.Debian.gz
EOF2
)
listing=$(dpkg-deb -c "$deb")
actual=$(grep -v '^d' <<<"$listing" | awk '{print $6}' | sort)
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  fail "file list differs (< expected, > packaged)"
fi
grep -q " ./usr/$bin_dir/zedezedidor -> $(realpath -m --relative-to="/usr/$bin_dir" "/usr/$program_dir")/zedezedidor$" <<<"$listing" \
  || fail "bin/zedezedidor is no relative link to the program folder"

root=$work/root
dpkg-deb -x "$deb" "$root"
if grep -rlF "$build" "$root"; then
  fail "files above mention the build tree $build"
fi

# The changelog names this version; the copyright is machine-readable and
# carries the licence the program itself shows, word for word.
head -n1 <(gzip -dc "$root/$doc/changelog.Debian.gz") | grep -qF "zedezedidor ($version) " \
  || fail "changelog.Debian.gz does not start with version $version"
copyright=$root/$doc/copyright
head -n1 "$copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  || fail "copyright is not in the machine-readable format"
grep -qxF 'Files: *' "$copyright" || fail "copyright has no Files: * paragraph"
licence_words() { tr -s ' \n.' '\n\n\n' | grep -v '^$'; }
diff <(sed -n '/^MIT License/,$p' "$root/usr/$program_dir/Lizenz.txt" | sed 1,3d | licence_words) \
     <(awk '/^$/ {p = 0} p; /^License: Expat$/ && prev == "" {p = 1} {prev = $0}' "$copyright" | licence_words) >&2 \
  || fail "copyright's Expat text differs from the MIT licence in Lizenz.txt"
# The windows' font comes from fonts-liberation, not from inside the program.
if grep -qaF 'Red Hat' "$root/usr/$program_dir/zedezedidor"; then
  fail "the program carries a copy of a font"
fi

# Installed-Size as dpkg counts it: each file in whole KiB, 1 for each folder or link.
size=$(dpkg-deb -f "$deb" Installed-Size)
counted=$(find "$root" -mindepth 1 \( -type f -printf '%s\n' -o -printf '1024\n' \) | awk '{s += int(($1 + 1023) / 1024)} END {print s + 1}')
[ "$size" -eq "$counted" ] || fail "Installed-Size $size, the files take $counted KiB"

desktop-file-validate "$root/usr/$data_dir/applications/zedezedidor.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/$data_dir/metainfo/org.example.zedezedidor.metainfo.xml" \
  || fail "appstreamcli validate"

# The decoder from the unpacked tree, and its manual page as man shows it:
# the synopsis lines of --help whole, each option of --help under a heading
# of its own, each example of --help on a line of its own.
decode=$root/usr/$bin_dir/zedezedidor-decode
out=$("$decode" Gelb Violett Braun Gold)
grep -q '^Wert: 470 Ohm' <<<"$out" || fail "zedezedidor-decode printed: $out"
page=$(MANWIDTH=400 man -l "$root/usr/$man_dir/man1/zedezedidor-decode.1.gz" 2>"$work/man.err")
[ ! -s "$work/man.err" ] || fail "man: $(cat "$work/man.err")"
squeeze() { sed 's/^ *//; s/ *$//; s/  */ /g'; }
help=$("$decode" --help)
synopsis=$(sed -n '/^Aufruf:/,/^$/p' <<<"$help" | sed 's/^Aufruf://' \
  | awk '/^ *zedezedidor-decode/ {if (line) print line; line = $0; next} NF {line = line " " $0} END {print line}' | squeeze)
shown=$(sed -n '/^ÜBERSICHT/,/^[^ ]/p' <<<"$page" | sed '1d;$d' | grep . | squeeze)
[ "$synopsis" = "$shown" ] || fail "manual page synopsis:
$shown
differs from --help:
$synopsis"
options=$(sed -n '/^OPTIONEN/,/^[^ ]/p' <<<"$page" | grep -E '^       -' | squeeze)
for option in $(grep -Eo '^ +--?[[:alnum:]][[:alnum:]-]*' <<<"$help" | tr -d ' '); do
  grep -Eq -- "(^|, )$option( |,|$)" <<<"$options" || fail "manual page has no heading for $option"
done
while read -r example; do
  squeeze <<<"$page" | grep -qxF -- "$example" || fail "manual page lacks the example line: $example"
done < <(sed -n '/^Beispiele:/,/^$/p' <<<"$help" | sed '1d' | grep . | squeeze)
gzip -dc "$root/usr/$man_dir/man1/zedezedidor.1.gz" | grep -q '^\.TH ZEDEZEDIDOR 1' || fail "zedezedidor(1)"

# The program from the unpacked tree finds its icon and its help there.
run_check() {
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen ZZ_CHECK_INSTALL=1 \
    XDG_CONFIG_HOME="$work/xdg" timeout 60 "$@" "$root/usr/$bin_dir/zedezedidor"
}
out=$(run_check) || fail "the unpacked program did not find icon and help: $out"
echo "$out"
real_root=$(realpath "$root")
grep -qxF "Symbol: $real_root/usr/$program_dir/Lurvan.ico" <<<"$out" || fail "icon not from the unpacked tree"
grep -qxF "Hilfe: $real_root/usr/$data_dir/zedezedidor/Zedezedidor.qhc" <<<"$out" || fail "help not from the unpacked tree"
grep -qxF "Startseite: Zedezedidor auf einen Blick" <<<"$out" || fail "help start page"

# Without the SQLite driver (a system without libqt6sql6-sqlite, seen through
# a private mount namespace) the help is missing, and the check says so.
if [ "$(id -u)" -eq 0 ] && unshare -m --propagation private true 2>/dev/null; then
  drivers=$(dirname "$(dpkg -L "$(owner '*/qt6/plugins/sqldrivers/libqsqlite.so')" | grep '/libqsqlite\.so$')")
  mkdir -p "$work/empty"
  if out=$(run_check unshare -m --propagation private \
             sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' sh "$work/empty" "$drivers" 2>"$work/nosql.err"); then
    fail "the program found its help without the SQLite driver: $out"
  fi
  grep -q "^Hilfe: fehlt (.*[Ss][Qq][Ll][Ii][Tt][Ee]" <<<"$out" || fail "without the SQLite driver: $out"
  echo "without the SQLite driver: $(tr '\n' ' ' <<<"$out")"
else
  echo "SKIP: without the SQLite driver (needs root and unshare)"
fi

# And says so when the icon is missing.
rm "$root/usr/$program_dir/Lurvan.ico"
if out=$(run_check); then fail "missing icon not noticed: $out"; fi
grep -qxF "Symbol: fehlt" <<<"$out" || fail "missing icon: $out"

# A new user on a desktop: the settings store is made at the first exit.
if [ "$(id -u)" -eq 0 ]; then
  "$here/../support/with-desktop" bash "$here/check_new_user.sh" "$deb" "/usr/$bin_dir/zedezedidor" \
    || fail "the program as a new user"
else
  echo "SKIP: the program as a new user (needs root to make the user)"
fi

rm -rf "$work"
echo "package ok: $(basename "$deb")"
