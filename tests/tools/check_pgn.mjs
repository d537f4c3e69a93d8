// Loads every game of a PGN file with chess.js and prints
//   games G plies P
// or the first game chess.js refuses, with its reason (exit status 1).
// Given a second file of expected FEN texts, one "GAME<TAB>FEN" line for the
// start of each game and for the position after each of its plies, every
// position is also compared with chess.js's FEN, and the line printed becomes
//   games G plies P positions N
// chess.js names the capture-in-passing square only where a pawn stands ready
// to take; the FEN standard, and the texts compared here, name it after every
// double step: that field is taken from chess.js's own double-step flag, and
// at a set-up start from the FEN tag.
//
//   node check_pgn.mjs GAMES.pgn [EXPECTED.fen]
//
// chess.js is taken from build/node of this source tree, where
// "scripts/install-deps test" puts it, or from the folder CHESSJS_PREFIX names.
import { readFileSync } from 'node:fs'
import { createRequire } from 'node:module'
import { dirname, join } from 'node:path'
import { fileURLToPath } from 'node:url'

const here = dirname(fileURLToPath(import.meta.url))
const prefix = process.env.CHESSJS_PREFIX || join(here, '..', '..', 'build', 'node')

function fail(message, status = 1) {
  console.log(message)
  process.exit(status)
}

let Chess
try {
  ;({ Chess } = createRequire(join(prefix, 'index.js'))('chess.js'))
} catch (error) {
  fail(`chess.js is not installed in ${prefix} (scripts/install-deps test installs it): ${error.message}`, 2)
}

const [pgnPath, fenPath] = process.argv.slice(2)
if (!pgnPath) fail('usage: node check_pgn.mjs GAMES.pgn [EXPECTED.fen]', 2)

// This program starts every game at its "[Event " line.
function splitGames(text) {
  const games = []
  for (const line of text.split(/\r\n|\r|\n/)) {
    if (line.startsWith('[Event ')) games.push([])
    if (games.length > 0) games[games.length - 1].push(line)
  }
  return games.map((lines) => lines.join('\n'))
}

function expectedPositions(path) {
  const byGame = new Map()
  for (const line of readFileSync(path, 'utf8').split(/\r?\n/)) {
    if (line === '') continue
    const [game, fen] = line.split('\t')
    if (!byGame.has(game)) byGame.set(game, [])
    byGame.get(game).push(fen)
  }
  return byGame
}

function withPassedSquare(fen, move) {
  const fields = fen.split(' ')
  fields[3] = move.isBigPawn() ? move.to[0] + (move.color === 'w' ? '3' : '6') : '-'
  return fields.join(' ')
}

// At the start there is no move to ask: the square is the FEN tag's, where
// chess.js has none (no pawn stands ready; a pawn that does makes it keep it).
function withStartPassedSquare(fen, start) {
  const fields = fen.split(' ')
  if (start && fields[3] === '-') fields[3] = start.split(' ')[3] || '-'
  return fields.join(' ')
}

// The positions chess.js passes through, the start included.
function positionsOf(chess) {
  const start = chess.getHeaders().FEN
  const replay = start ? new Chess(start) : new Chess()
  const positions = [withStartPassedSquare(replay.fen(), start)]
  for (const move of chess.history({ verbose: true })) {
    replay.move({ from: move.from, to: move.to, promotion: move.promotion })
    positions.push(withPassedSquare(replay.fen(), move))
  }
  return positions
}

const games = splitGames(readFileSync(pgnPath, 'latin1'))
const expected = fenPath ? expectedPositions(fenPath) : null
let plies = 0
let positions = 0
games.forEach((text, index) => {
  const number = index + 1
  const chess = new Chess()
  try {
    chess.loadPgn(text)
  } catch (error) {
    fail(`game ${number}: ${error.message}`)
  }
  plies += chess.history().length
  if (!expected) return
  const wanted = expected.get(String(number)) || []
  const seen = positionsOf(chess)
  if (wanted.length !== seen.length)
    fail(`game ${number}: ${wanted.length} positions expected, chess.js has ${seen.length}`)
  seen.forEach((fen, k) => {
    if (fen !== wanted[k]) fail(`game ${number} position ${k}: expected "${wanted[k]}", chess.js "${fen}"`)
  })
  positions += seen.length
})
console.log(`games ${games.length} plies ${plies}` + (expected ? ` positions ${positions}` : ''))
