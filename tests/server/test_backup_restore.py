"""Backups taken while uploads run, restored into a new database that a new server serves:
`korvid-server backup FILE` on SQLite (the online backup API), pg_dump and pg_restore on
PostgreSQL, as docs/results-server.md tells a host to do it.

Each test uploads a few results, then many through korvid-loadgen, and backs up once the
uploads have begun and while they go on. The copy must hold a whole snapshot: every result in
it with all its measurements and the records it refers to, later ones not at all. A server on
the restored copy shows each of its results and none of the later ones. Once the uploads are
over, a second backup restored serves the same pages, byte for byte, as the server it was
taken from: the front page, the ranking, result, card and comparison pages, HTML and JSON."""
import contextlib
import os
import re
import shutil
import sqlite3
import subprocess
import threading
import time
import unittest

from server import postgres_cluster
from server.korvid_server_process import SERVER_EXE, KorvidServer, fetch
from server.server_fixtures import (LOADGEN_EXE, MEASUREMENTS_PER_RESULT, database_rows,
                                    new_database, postgres_url, run_loadgen, temporary_folder)

EARLIER = 4
DURING = 80


@unittest.skipUnless(SERVER_EXE.exists() and LOADGEN_EXE.exists(),
                     "korvid-server and korvid-loadgen are not built (scripts/build)")
class BackupWhileUploading(unittest.TestCase):
    """The checks, for a storage whose subclass can back up and restore."""

    def setUp(self):
        self.folder = str(temporary_folder(self, "korvid-backup-"))

    def rows(self, database, sql):
        return database_rows(database, sql)

    def backup(self, name):
        """Backs up the live database while it serves; returns what restore() takes."""
        raise NotImplementedError

    def restore(self, backup):
        """A new database holding the backup; returns its URL."""
        raise NotImplementedError

    def ids(self, database):
        return [int(r[0]) for r in self.rows(database, "SELECT id FROM results ORDER BY id")]

    def uploads_with_a_backup_among_them(self, server):
        url = server.url("http")
        earlier = run_loadgen(url, EARLIER, 1, seed=11)
        self.assertEqual(earlier["failures"], [], earlier["stderr"] + server.log[-2000:])
        reports = []
        uploads = threading.Thread(target=lambda: reports.append(run_loadgen(url, DURING, 2, seed=12)))
        uploads.start()
        try:
            deadline = time.time() + 60
            while len(self.ids(self.live)) < EARLIER + 5 and time.time() < deadline:
                time.sleep(0.02)
            backup = self.backup("hot")
            uploading = uploads.is_alive()
        finally:
            uploads.join()
        self.assertEqual((reports[0]["returncode"], reports[0]["failures"]), (0, []),
                         reports[0]["stderr"])
        self.assertTrue(uploading, "the uploads were over before the backup was: nothing shows "
                                   "that a backup may be taken while they run")
        return backup

    def check_snapshot(self, copy, live_ids):
        """Every result of the copy whole and equal to the live one; the copy a prefix."""
        copied = self.ids(copy)
        self.assertGreaterEqual(len(copied), EARLIER + 5)
        self.assertLess(len(copied), EARLIER + DURING, "the backup waited for every upload")
        self.assertLess(set(copied), set(live_ids))
        if self.ids_in_commit_order:
            self.assertEqual(copied, live_ids[:len(copied)], "the copy is no snapshot")
        id_list = ",".join(map(str, copied))
        per_result = "SELECT result_id, COUNT(*) FROM measurements WHERE result_id IN (%s) " \
                     "GROUP BY result_id ORDER BY result_id" % id_list
        self.assertEqual([(int(r), int(n)) for r, n in self.rows(copy, per_result)],
                         [(i, MEASUREMENTS_PER_RESULT) for i in copied])
        for table, key in (("measurements", "result_id"), ("result_references", "result_id"),
                           ("result_members", "result_id"), ("result_fields", "result_id")):
            sql = "SELECT * FROM %s WHERE %s IN (%s) ORDER BY 1, 2, 3" % (table, key, id_list)
            self.assertEqual(self.rows(copy, sql), self.rows(self.live, sql), table)
        # Each record referred to is there, with the fields it has in the live database.
        self.assertEqual(self.rows(copy, "SELECT COUNT(*) FROM result_references x LEFT JOIN "
                                         "records r ON r.id = x.target_id WHERE r.id IS NULL"), [["0"]])
        records = "SELECT * FROM record_fields ORDER BY 1, 2, 3"
        copied_fields = self.rows(copy, records)
        self.assertTrue(copied_fields)
        self.assertLessEqual(len(copied_fields), len(self.rows(self.live, records)))

    def check_restored_serves_the_copy(self, restored_url, copied, later):
        with KorvidServer(restored_url, http="127.0.0.1:0", cwd=self.folder) as restored:
            base = restored.url("http") + "Benchmark/Korvid/Result/"
            for result in copied:
                status, _, body = fetch(base + "%d" % result)
                self.assertEqual(status, 200, body[:300])
            self.assertEqual(fetch(base + "%d" % later)[0], 404)

    def check_same_pages(self, live, restored_url):
        """The same pages from both servers, once each has rebuilt its figures (a server does
        that in the background, so both get a minute)."""
        ids = self.ids(self.live)
        cards = [r[0] for r in self.rows(self.live, "SELECT id FROM records WHERE type = "
                                                    "'BenchmarkGraphicsCard' ORDER BY id")]
        self.assertGreaterEqual(len(cards), 2)
        pages = ["", "Ranking", "Result/%d" % ids[0], "Result/%d" % ids[-1],
                 "Card/%s" % cards[0], "Card/%s" % cards[-1],
                 "Compare/%d,%d,%d" % (ids[0], ids[len(ids) // 2], ids[-1])]
        pages += [page + ".json" for page in pages if page]
        with KorvidServer(restored_url, http="127.0.0.1:0", cwd=self.folder) as restored:
            deadline = time.time() + 60
            while True:
                differing = []
                for page in pages:
                    mine = fetch(live.url("http") + "Benchmark/Korvid/" + page)[::2]
                    theirs = fetch(restored.url("http") + "Benchmark/Korvid/" + page)[::2]
                    self.assertEqual(mine[0], 200, page)
                    if mine != theirs:
                        differing.append(page)
                if not differing or time.time() > deadline:
                    break
                time.sleep(1)
            self.assertEqual(differing, [], "pages that the restored database shows otherwise")

    def run_backup_and_restore(self):
        with KorvidServer(self.live, http="127.0.0.1:0", cwd=self.folder) as live:
            hot = self.uploads_with_a_backup_among_them(live)
            live_ids = self.ids(self.live)
            self.assertEqual(len(live_ids), EARLIER + DURING)
            restored = self.restore(hot)
            self.check_snapshot(restored, live_ids)
            copied = self.ids(restored)
            later = min(set(live_ids) - set(copied))
            self.check_restored_serves_the_copy(restored, copied, later)
            self.check_same_pages(live, self.restore(self.backup("quiet")))
        self.assertEqual(live.returncode, 0, live.log[-2000:])


class SqliteBackupTest(BackupWhileUploading):
    # One writer at a time: a result's ID is given inside the transaction that stores it.
    ids_in_commit_order = True

    def setUp(self):
        super().setUp()
        self.live = "sqlite:" + os.path.join(self.folder, "live.db")
        self.restores = 0

    def backup(self, name):
        file = os.path.join(self.folder, name + ".db")
        done = subprocess.run([str(SERVER_EXE), "backup", file, "--database", self.live],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        match = re.fullmatch(r"backup of %s written to %s: (\d+) results, schema version (\d+), "
                             r"(\d+) bytes\n" % (re.escape(self.live), re.escape(file)), done.stdout)
        self.assertTrue(match, done.stdout)
        # One file, checked, that opens on its own: no log beside it, none needed.
        self.assertEqual(sorted(f for f in os.listdir(self.folder) if f.startswith(name + ".")),
                         [name + ".db"])
        with contextlib.closing(sqlite3.connect(file)) as db:
            self.assertEqual(db.execute("PRAGMA journal_mode").fetchone()[0], "delete")
            self.assertEqual(db.execute("PRAGMA integrity_check").fetchall(), [("ok",)])
            self.assertEqual(db.execute("PRAGMA foreign_key_check").fetchall(), [])
            self.assertEqual(db.execute("SELECT COUNT(*) FROM results").fetchone()[0],
                             int(match.group(1)))
            self.assertEqual(db.execute("SELECT MAX(version) FROM schema_version").fetchone()[0],
                             int(match.group(2)))
        self.assertEqual(os.path.getsize(file), int(match.group(3)))
        return file

    def restore(self, backup):
        # As the documentation says: the file copied into place, with no log of an older one.
        self.restores += 1
        folder = os.path.join(self.folder, "restored%d" % self.restores)
        os.mkdir(folder)
        shutil.copy(backup, os.path.join(folder, "korvid-results.db"))
        return "sqlite:" + os.path.join(folder, "korvid-results.db")

    def test_a_backup_while_uploads_run_restores_a_whole_snapshot_and_the_same_pages(self):
        self.run_backup_and_restore()

    def test_refusals_name_the_reason(self):
        cases = [
            (["backup"], 2, "korvid-server: backup needs one FILE (see korvid-server --help)\n"),
            (["backup", "a.db", "b.db"], 2,
             "korvid-server: backup needs one FILE (see korvid-server --help)\n"),
            (["backup", "copy.db", "--database", "postgresql://korvid@127.0.0.1:9/korvid"], 2,
             "korvid-server: backup copies a SQLite database (sqlite:PATH); back up PostgreSQL "
             "with pg_dump --format=custom (see docs/results-server.md)\n"),
            (["backup", "copy.db", "--database", "sqlite:absent.db"], 1,
             "korvid-server: cannot open the database absent.db: unable to open database file\n"),
            (["backup", "live.db", "--database", "sqlite:live.db"], 2,
             "korvid-server: live.db is the database itself; choose another file\n"),
            (["backup", "./live.db", "--database", "sqlite:" + os.path.join(self.folder, "live.db")],
             2, "korvid-server: ./live.db is the database itself; choose another file\n"),
            (["backup", "copy.db", "--database", "sqlite:other.db"], 1,
             "korvid-server: other.db is not a Korvid results database: no such table: "
             "schema_version\n"),
            (["backup", "no/such/folder/copy.db", "--database", "sqlite:live.db"], 1,
             "korvid-server: cannot open the copy no/such/folder/copy.db.partial: unable to open "
             "database file\n"),
        ]
        with KorvidServer(self.live, http="127.0.0.1:0", cwd=self.folder):
            pass  # makes the database
        with contextlib.closing(sqlite3.connect(os.path.join(self.folder, "other.db"))) as db:
            db.execute("CREATE TABLE t (x)")
        before = sorted(os.listdir(self.folder))
        for args, code, message in cases:
            with self.subTest(args=args):
                done = subprocess.run([str(SERVER_EXE), *args], capture_output=True, text=True,
                                      cwd=self.folder, timeout=60)
                self.assertEqual((done.returncode, done.stderr, done.stdout), (code, message, ""))
        self.assertEqual(sorted(os.listdir(self.folder)), before, "a refused backup left a file")


class PostgresBackupTest(BackupWhileUploading):
    # A sequence gives IDs before the commits, which may end in another order.
    ids_in_commit_order = False

    def setUp(self):
        super().setUp()
        self.live = new_database(self, "postgresql").url

    def backup(self, name):
        # The documented command: one consistent snapshot, taken while the server writes.
        file = os.path.join(self.folder, name + ".dump")
        done = subprocess.run(["pg_dump", "--format=custom", "--file=" + file, "--dbname=" + self.live],
                              capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        return file

    def restore(self, backup):
        database = postgres_cluster.create_database(postgres_url(), prefix="korvid_restored")
        self.addCleanup(postgres_cluster.drop_database, database)
        done = subprocess.run(["pg_restore", "--no-owner", "--exit-on-error", "--single-transaction",
                               "--dbname=" + database, backup],
                              capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        return database

    def test_a_dump_while_uploads_run_restores_a_whole_snapshot_and_the_same_pages(self):
        self.run_backup_and_restore()


if __name__ == "__main__":
    unittest.main()
