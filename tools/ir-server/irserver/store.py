"""The SQLite store: players (api key -> player id, display name) and every
score document accepted, kept as the raw body that came in."""

import json
import sqlite3
from collections import namedtuple

Score = namedtuple("Score", "player_id endpoint hash body document")

# A stored play as the boards see it, in arrival order.
Play = namedtuple("Play", "player_id document")

_SCHEMA = """
CREATE TABLE IF NOT EXISTS players (
    api_key TEXT PRIMARY KEY,
    player_id INTEGER NOT NULL,
    display_name TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS scores (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    player_id INTEGER NOT NULL,
    endpoint TEXT NOT NULL,
    hash TEXT NOT NULL,
    body TEXT NOT NULL,
    received REAL NOT NULL
);
CREATE INDEX IF NOT EXISTS scores_by_hash ON scores (hash);
"""


class Db:
    """One short-lived connection per use, serialised by a lock."""

    def __init__(self, path, lock):
        self.path = path
        self.lock = lock

    def __enter__(self):
        self.lock.acquire()
        try:
            self.conn = sqlite3.connect(self.path, timeout=10)
            # A test server's store outlives no crash: no waiting for the disk on
            # every stored play.
            self.conn.execute("PRAGMA synchronous = OFF")
        except Exception:
            self.lock.release()
            raise
        return self.conn

    def __exit__(self, exc_type, *rest):
        try:
            if exc_type is None:
                self.conn.commit()
            self.conn.close()
        finally:
            self.lock.release()


class Store:
    def __init__(self, path, lock):
        self.path = path
        self.lock = lock
        # Stored bodies never change: each is parsed once, so boards over many plays
        # stay cheap under load.
        self._documents = {}
        with self.db() as db:
            db.executescript(_SCHEMA)

    def db(self):
        return Db(self.path, self.lock)

    # -- players -----------------------------------------------------------

    def add_player(self, api_key, player_id, display_name=""):
        with self.db() as db:
            db.execute("INSERT OR REPLACE INTO players VALUES (?, ?, ?)",
                       (api_key, int(player_id), display_name))

    def remove_player(self, api_key):
        with self.db() as db:
            db.execute("DELETE FROM players WHERE api_key = ?", (api_key,))

    def player_for_key(self, api_key):
        with self.db() as db:
            row = db.execute("SELECT player_id FROM players WHERE api_key = ?",
                             (api_key,)).fetchone()
        return row[0] if row else None

    def display_names(self):
        """player id -> display name. A player with several keys gets the name of
        the key added last, unless that one is empty."""
        names = {}
        with self.db() as db:
            rows = db.execute("SELECT player_id, display_name FROM players ORDER BY rowid").fetchall()
        for player_id, name in rows:
            if name or player_id not in names:
                names[player_id] = name
        return names

    # -- plays -------------------------------------------------------------

    def add_score(self, player_id, endpoint, hash, body_text, received):
        with self.db() as db:
            db.execute("INSERT INTO scores (player_id, endpoint, hash, body, received)"
                       " VALUES (?, ?, ?, ?, ?)",
                       (int(player_id), endpoint, hash, body_text, received))

    def scores(self):
        with self.db() as db:
            rows = db.execute("SELECT player_id, endpoint, hash, body FROM scores ORDER BY id").fetchall()
        return [Score(p, e, h, b.encode("utf-8"), json.loads(b)) for p, e, h, b in rows]

    def plays(self, hash):
        """Every stored play of a song hash, whatever endpoint it came in on."""
        with self.db() as db:
            rows = db.execute("SELECT id, player_id, body FROM scores WHERE hash = ? ORDER BY id",
                              (hash,)).fetchall()
            plays = []
            for score_id, player_id, body in rows:
                document = self._documents.get(score_id)
                if document is None:
                    document = self._documents[score_id] = json.loads(body)
                plays.append(Play(player_id, document))
        return plays

    def clear_scores(self):
        with self.db() as db:
            db.execute("DELETE FROM scores")
            self._documents.clear()
