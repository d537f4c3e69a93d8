#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs it from there as an
# installed program, with a data folder that may not be written and an empty
# home: vorlik-kifu works, the window starts, opens the game file named on
# its command line, and writes its settings under ~/.config/vorlik and
# nowhere else.
#   install-test.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
cleanup() { chmod -R u+w "$work"; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
chmod -R a-w "$prefix"
mkdir -p "$work/home" "$work/games" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Event "Install"]\r\n[White "Sato"]\r\n[Black "Kato"]\r\n[Result "*"]\r\n\r\n1. e4 e5 2. Nf3 *\r\n' \
  >"$work/games/one.pgn"
touch "$work/before"

export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME
cd "$work/games"

[[ $("$prefix/bin/vorlik-kifu" --version) =~ ^vorlik-kifu\ [0-9.]+$ ]] || fail "vorlik-kifu --version"
[[ $("$prefix/bin/vorlik" --version) =~ ^vorlik\ [0-9.]+$ ]] || fail "vorlik --version"
"$prefix/bin/vorlik" --help | grep -q 'vorlik \[FILE\]' || fail "vorlik --help"
"$prefix/bin/vorlik-kifu" show one.pgn | grep -q $'^3\tNf3\t' || fail "vorlik-kifu show"

# The window remembers the folder of the file it opens, in its settings.
config=$HOME/.config/vorlik
"$prefix/bin/vorlik" one.pgn &
window=$!
for _ in $(seq 600); do
  [ -s "$config/VorlikFolder.ini" ] && break
  kill -0 "$window" 2>/dev/null || fail "the window ended by itself"
  sleep 0.1
done
kill -TERM "$window"
wait "$window" || fail "the window's exit status after SIGTERM: $?"

[ "$(cat "$config/VorlikFolder.ini")" = "$work/games"$'\r' ] || fail "remembered folder: $(cat "$config/VorlikFolder.ini")"
for name in Vorlik.ini Fairy-Max.mek Stockfish.mek Phalanx.mek HoiChess.mek; do
  [ -f "$config/$name" ] || fail "$name was not put into $config"
done
[ "$(head -n 1 "$config/Vorlik.ini")" = $'Fairy-Max.mek\r' ] || fail "Vorlik.ini does not name Fairy-Max"
# Caches (fontconfig's) and the runtime folder are not settings.
written=$(find "$work" -newer "$work/before" -type f ! -path "$config/*" ! -path "$HOME/.cache/*" \
  ! -path "$XDG_RUNTIME_DIR/*")
[ -z "$written" ] || fail "written outside $config: $written"
echo "installed program: settings in $config only"
