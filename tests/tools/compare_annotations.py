#!/usr/bin/env python3
"""Checks that vorlik-kifu convert keeps a PGN file's annotations.

usage: compare_annotations.py VORLIK-KIFU FILE.pgn...

Every game of each FILE is converted on its own (vorlik-kifu convert FILE N
OUT) into a new PGN file; pgn-extract then reads the originals and the
converted files into its own normal form, and for each game the two are
compared: the moves in order (the main line and every variation), the number
of variations, the words of the comments in order, and the marks ($n, with
"!" "?" "!!" "??" "!?" "?!" read as $1..$6). Prints one line per file with
its figures (games, moves, variations, comments, marks, games that differ)
and what differs in each game that does; exits 1 when any game differs.
"""
import os
import re
import subprocess
import sys
import tempfile

PGN_EXTRACT = "/usr/games/pgn-extract"
TOKEN = re.compile(r"\{[^}]*\}|;[^\n]*|\(|\)|\$\d+|[^\s(){}]+")
SUFFIX = {"!": 1, "?": 2, "!!": 3, "??": 4, "!?": 5, "?!": 6}
RESULTS = {"1-0", "0-1", "1/2-1/2", "*"}


def normal_games(path):
    """The tokens of a file's games as pgn-extract writes them; a game ends
    with its result (a comment may hold empty lines)."""
    out = subprocess.run(
        [PGN_EXTRACT, "-s", "--notags", "--nomovenumbers", "-w", "1000000", path],
        capture_output=True, text=True, errors="replace", check=False).stdout
    games, tokens, depth = [], [], 0
    for token in TOKEN.findall(out):
        tokens.append(token)
        depth += {"(": 1, ")": -1}.get(token, 0)
        if depth == 0 and token in RESULTS:
            games.append(tokens)
            tokens = []
    return games


def summary(tokens):
    moves, comments, nags, variations = [], [], [], 0
    for token in tokens:
        if token.startswith("{") or token.startswith(";"):
            comments.extend(token.strip("{};").split())
        elif token == "(":
            variations += 1
        elif token == ")":
            pass
        elif token.startswith("$"):
            nags.append(int(token[1:]))
        elif token not in RESULTS:
            move = token.rstrip("!?")
            if token[len(move):]:
                nags.append(SUFFIX.get(token[len(move):], 0))
            moves.append(move)
    return {"moves": moves, "variations": variations, "comments": comments, "nags": nags}


def count_games(kifu, path):
    listed = subprocess.run([kifu, "list", path], capture_output=True, text=True, check=False).stdout
    return len([line for line in listed.splitlines() if line.strip()])


def convert(kifu, path, games, folder):
    converted = os.path.join(folder, os.path.basename(path))
    for n in range(1, games + 1):
        subprocess.run([kifu, "convert", path, str(n), converted], capture_output=True, check=False)
    return converted


def differences(before, after):
    found = []
    for key in ("moves", "variations", "comments", "nags"):
        if before[key] != after[key]:
            found.append(key)
    return found


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    kifu, files = argv[1], argv[2:]
    failed = False
    with tempfile.TemporaryDirectory() as folder:
        for path in files:
            games = count_games(kifu, path)
            original = [summary(text) for text in normal_games(path)]
            converted = [summary(text) for text in normal_games(convert(kifu, path, games, folder))]
            differing = []
            for n, before in enumerate(original, 1):
                after = converted[n - 1] if n <= len(converted) else None
                found = ["missing"] if after is None else differences(before, after)
                if found:
                    differing.append((n, found))
            totals = {key: sum(len(g[key]) if isinstance(g[key], list) else g[key] for g in original)
                      for key in ("moves", "variations", "comments", "nags")}
            print(f"{os.path.basename(path)}: {len(original)} games, {totals['moves']} moves, "
                  f"{totals['variations']} variations, {totals['comments']} comment words, "
                  f"{totals['nags']} marks; {len(differing)} games differ")
            for n, found in differing:
                print(f"  game {n}: {', '.join(found)}")
            failed = failed or bool(differing) or len(converted) != len(original)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
