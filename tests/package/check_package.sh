#!/usr/bin/env bash
# Builds the Debian package from the build tree's install rules, checks its
# name, files and dependencies, validates its desktop entry and AppStream data,
# unpacks it and runs both programs from the unpacked tree.
#   check_package.sh BUILD_DIR WORK_DIR PROGRAM_DIR BIN_DIR DATA_DIR MAN_DIR
set -euo pipefail
build=$(realpath "$1")
work=$2
program_dir=$3 bin_dir=$4 data_dir=$5 man_dir=$6

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

# Libraries from dpkg-shlibdeps, xdg-utils named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6help6 xdg-utils \
           libopencv-core406 libopencv-imgproc406; do
  sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -qxF "$dep" || fail "no dependency on $dep"
done

# Exactly these files (directories aside), nothing from the build tree.
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
./usr/$man_dir/man1/zedezedidor.1.gz
./usr/$man_dir/man1/zedezedidor-decode.1.gz
./usr/$data_dir/doc/zedezedidor/copyright
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

desktop-file-validate "$root/usr/$data_dir/applications/zedezedidor.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/$data_dir/metainfo/org.example.zedezedidor.metainfo.xml" \
  || fail "appstreamcli validate"

# The decoder from the unpacked tree, and its manual page naming every option of --help.
decode=$root/usr/$bin_dir/zedezedidor-decode
out=$("$decode" Gelb Violett Braun Gold)
grep -q '^Wert: 470 Ohm' <<<"$out" || fail "zedezedidor-decode printed: $out"
page=$(gzip -dc "$root/usr/$man_dir/man1/zedezedidor-decode.1.gz")
for option in $("$decode" --help | grep -Eo '^ +--?[[:alnum:]][[:alnum:]-]*' | tr -d ' '); do
  grep -qF "${option//-/\\-}" <<<"$page" || fail "manual page lacks $option"
done
gzip -dc "$root/usr/$man_dir/man1/zedezedidor.1.gz" | grep -q '^\.TH ZEDEZEDIDOR 1' || fail "zedezedidor(1)"

# The program from the unpacked tree finds its icon and its help there.
run_check() {
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen ZZ_CHECK_INSTALL=1 \
    XDG_CONFIG_HOME="$work/xdg" timeout 60 "$root/usr/$bin_dir/zedezedidor"
}
out=$(run_check) || fail "the unpacked program did not find icon and help: $out"
echo "$out"
real_root=$(realpath "$root")
grep -qxF "Symbol: $real_root/usr/$program_dir/Lurvan.ico" <<<"$out" || fail "icon not from the unpacked tree"
grep -qxF "Hilfe: $real_root/usr/$data_dir/zedezedidor/Zedezedidor.qhc" <<<"$out" || fail "help not from the unpacked tree"
grep -qxF "Startseite: Zedezedidor auf einen Blick" <<<"$out" || fail "help start page"
# And says so when the icon is missing.
rm "$root/usr/$program_dir/Lurvan.ico"
if out=$(run_check); then fail "missing icon not noticed: $out"; fi
grep -qxF "Symbol: fehlt" <<<"$out" || fail "missing icon: $out"

rm -rf "$work"
echo "package ok: $(basename "$deb")"
