"""Fifty full korvid.exe uploads at once through korvid-loadgen: against one korvid-server on
SQLite, and against two korvid-server processes sharing one PostgreSQL database (the
throw-away cluster of KORVID_TEST_POSTGRES_URL, else one started here; skipped with the reason
when PostgreSQL cannot be had).

The uploads draw their description records from a few variants each, so most records are
wanted by many uploads at the same moment. After a few uploads made one by one beforehand, the
database must hold: every upload's result under the ID it was given, the IDs all different;
each description record that any upload described exactly once; every measurement of every
result; no reference to a record that is not there."""
import collections
import contextlib
import json
import os
import shutil
import sqlite3
import subprocess
import tempfile
import threading
import unittest
import urllib.request

from server import postgres_cluster
from server.korvid_server_process import BUILD, SERVER_EXE, KorvidServer
from server.korvid_test_server import DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME

LOADGEN_EXE = BUILD / "native" / "bench" / "loadgen" / "korvid-loadgen"
UPLOADS = 50
EARLIER_UPLOADS = 3
VARIETY = 4
# A full run's rates: five sized groups at the squares 16 to 1024 in two units each, the two
# pixel-array transfers and the random test's two.
MEASUREMENTS_PER_RESULT = 5 * 7 * 2 + 2 + 2


def run_loadgen(server_url, uploads, concurrency, seed):
    """korvid-loadgen against a server's first listener; its JSON report, and the return code
    and error output kept in it as "returncode" and "stderr"."""
    done = subprocess.run(
        [str(LOADGEN_EXE), "--api", server_url + "api/v1/",
         "--result-page", server_url + "Benchmark/Korvid/Result/",
         "--client", DEFAULT_CLIENT_NAME, "--key", DEFAULT_CLIENT_KEY,
         "--uploads", str(uploads), "--concurrency", str(concurrency),
         "--variety", str(VARIETY), "--seed", str(seed), "--json"],
        stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)
    try:
        report = json.loads(done.stdout)
    except ValueError:
        raise AssertionError("korvid-loadgen printed no report (exit code %d):\n%s%s" % (
            done.returncode, done.stdout[-2000:], done.stderr[-2000:]))
    report["returncode"] = done.returncode
    report["stderr"] = done.stderr
    return report


def at_once(*calls):
    """Runs the calls in threads of their own, started together; their results in order."""
    results = [None] * len(calls)
    errors = []

    def run(i, call):
        try:
            results[i] = call()
        except Exception as error:  # re-raised in the test's own thread
            errors.append(error)

    threads = [threading.Thread(target=run, args=(i, c)) for i, c in enumerate(calls)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        raise errors[0]
    return results


class ConcurrentUploads:
    """The checks, for any database that `rows(sql)` can query."""

    def rows(self, sql):
        raise NotImplementedError

    def scalar(self, sql):
        return int(self.rows(sql)[0][0])

    def check_uploads(self, earlier, reports, servers):
        for report in [earlier] + reports:
            self.assertEqual((report["returncode"], report["failures"]), (0, []), report["stderr"])
        ids = [i for report in reports for i in report["ids"]]
        self.assertEqual(len(ids), UPLOADS)
        self.assertEqual(len(set(ids)), UPLOADS, "an ID was given twice: %s" % sorted(ids))
        self.assertFalse(set(ids) & set(earlier["ids"]))
        id_list = ",".join(map(str, ids))

        self.assertEqual(self.scalar("SELECT COUNT(*) FROM results"), EARLIER_UPLOADS + UPLOADS)
        self.assertEqual(self.scalar("SELECT COUNT(*) FROM results WHERE id IN (%s)" % id_list),
                         UPLOADS)

        # Each record that any upload described, once: by type, and by the database's key.
        described = set(earlier["records"]).union(*(r["records"] for r in reports))
        expected = collections.Counter(identity.split("?")[0] for identity in described)
        stored = {t: int(n) for t, n in self.rows(
            "SELECT type, COUNT(*) FROM records GROUP BY type")}
        self.assertEqual(stored, dict(expected))
        self.assertEqual(self.rows("SELECT type, search_key FROM records GROUP BY type, search_key "
                                   "HAVING COUNT(*) > 1"), [])

        # Every measurement of every result, each (group, size, unit) once per result.
        self.assertEqual(self.scalar("SELECT COUNT(*) FROM measurements WHERE result_id IN (%s)"
                                     % id_list), UPLOADS * MEASUREMENTS_PER_RESULT)
        per_result = self.rows(
            "SELECT result_id, COUNT(*) FROM (SELECT DISTINCT result_id, test, width, height, unit "
            "FROM measurements WHERE result_id IN (%s)) AS m GROUP BY result_id" % id_list)
        self.assertEqual(sorted((int(r), int(n)) for r, n in per_result),
                         [(i, MEASUREMENTS_PER_RESULT) for i in sorted(ids)])

        # Nothing refers to a record that is not stored.
        for table, column, owner in (("result_references", "target_id", "result_id"),
                                     ("result_members", "record_id", "result_id"),
                                     ("record_references", "target_id", "record_id")):
            self.assertEqual(self.scalar(
                "SELECT COUNT(*) FROM %s t LEFT JOIN records r ON r.id = t.%s WHERE r.id IS NULL"
                % (table, column)), 0, table)
        # Each result refers to its operating system, processor, motherboard and card, and holds
        # its libraries and driver.
        self.assertEqual(self.scalar(
            "SELECT COUNT(*) FROM result_references WHERE result_id IN (%s)" % id_list), 4 * UPLOADS)
        self.assertEqual(self.scalar(
            "SELECT COUNT(DISTINCT result_id) FROM result_members WHERE collection = 'DriverLibraries' "
            "AND result_id IN (%s)" % id_list), UPLOADS)

        # Any server shows any result, whichever stored it.
        for server in servers:
            page = server.url("http") + "Benchmark/Korvid/Result/%d" % ids[-1]
            with urllib.request.build_opener(urllib.request.ProxyHandler({})).open(page) as reply:
                self.assertEqual(reply.status, 200)


@unittest.skipUnless(SERVER_EXE.exists() and LOADGEN_EXE.exists(),
                     "korvid-server and korvid-loadgen are not built (scripts/build)")
class SqliteConcurrencyTest(ConcurrentUploads, unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="korvid-concurrency-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.database = os.path.join(self.folder, "results.db")

    def rows(self, sql):
        with contextlib.closing(sqlite3.connect("file:%s?mode=ro" % self.database,
                                                uri=True)) as connection:
            return connection.execute(sql).fetchall()

    def test_fifty_uploads_at_once_on_one_server(self):
        with KorvidServer("sqlite:" + self.database, http="127.0.0.1:0", cwd=self.folder) as server:
            url = server.url("http")
            earlier = run_loadgen(url, EARLIER_UPLOADS, 1, seed=1)
            report = run_loadgen(url, UPLOADS, UPLOADS, seed=2)
            self.check_uploads(earlier, [report], [server])
        self.assertEqual(server.returncode, 0, server.log[-2000:])


@unittest.skipUnless(SERVER_EXE.exists() and LOADGEN_EXE.exists(),
                     "korvid-server and korvid-loadgen are not built (scripts/build)")
class PostgresConcurrencyTest(ConcurrentUploads, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Skipped in setUp, not here, so that the runner counts the test as skipped.
        cls.cluster = None
        cls.unavailable = None
        cls.server_url = os.environ.get(postgres_cluster.URL_VARIABLE)
        if cls.server_url:
            return
        cls.unavailable = os.environ.get(postgres_cluster.UNAVAILABLE_VARIABLE)
        if cls.unavailable:
            return
        try:
            cls.cluster = postgres_cluster.PostgresCluster().start()
            cls.server_url = cls.cluster.url
        except postgres_cluster.PostgresUnavailable as error:
            cls.unavailable = str(error)

    @classmethod
    def tearDownClass(cls):
        if cls.cluster:
            cls.cluster.stop()

    def setUp(self):
        if self.unavailable:
            self.skipTest("no PostgreSQL: " + self.unavailable)
        self.database = postgres_cluster.create_database(self.server_url)
        self.addCleanup(postgres_cluster.drop_database, self.database)

    def rows(self, sql):
        return postgres_cluster.query(self.database, sql)

    def test_fifty_uploads_at_once_through_two_servers_on_one_database(self):
        # The second server starts on a database the first has just made: both apply the
        # migrations, which must be harmless the second time.
        with KorvidServer(self.database, http="127.0.0.1:0") as first, \
                KorvidServer(self.database, http="127.0.0.1:0") as second:
            earlier = run_loadgen(first.url("http"), EARLIER_UPLOADS, 1, seed=1)
            half = UPLOADS // 2
            reports = at_once(lambda: run_loadgen(first.url("http"), half, half, seed=2),
                              lambda: run_loadgen(second.url("http"), UPLOADS - half,
                                                  UPLOADS - half, seed=3))
            self.check_uploads(earlier, reports, [first, second])
        self.assertEqual((first.returncode, second.returncode), (0, 0),
                         first.log[-2000:] + second.log[-2000:])


if __name__ == "__main__":
    unittest.main()
