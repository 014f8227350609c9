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
import threading
import unittest

from server.korvid_server_process import SERVER_EXE, fetch
from server.server_fixtures import (LOADGEN_EXE, MEASUREMENTS_PER_RESULT, new_database,
                                    run_loadgen, started_server)

UPLOADS = 50
EARLIER_UPLOADS = 3


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


@unittest.skipUnless(SERVER_EXE.exists() and LOADGEN_EXE.exists(),
                     "korvid-server and korvid-loadgen are not built (scripts/build)")
class ConcurrentUploadsTest(unittest.TestCase):
    def rows(self, sql):
        return self.database.rows(sql)

    def scalar(self, sql):
        return int(self.rows(sql)[0][0])

    def uploads_at_once(self, storage, server_count):
        """A few uploads one by one, then UPLOADS at once shared out over the servers."""
        self.database = new_database(self, storage)
        # The second server starts on a database the first has just made: both apply the
        # migrations, which must be harmless the second time.
        servers = [started_server(self, self.database.url, cwd=self.database.folder)
                   for _ in range(server_count)]
        earlier = run_loadgen(servers[0].url("http"), EARLIER_UPLOADS, 1, seed=1)
        shares = [UPLOADS // server_count] * (server_count - 1)
        shares.append(UPLOADS - sum(shares))
        reports = at_once(*[lambda server=server, share=share, seed=seed:
                            run_loadgen(server.url("http"), share, share, seed=seed)
                            for seed, (server, share) in enumerate(zip(servers, shares), 2)])
        self.check_uploads(earlier, reports, servers)
        self.assertEqual([server.stop() for server in servers], [0] * server_count,
                         "".join(server.log[-2000:] for server in servers))

    def test_fifty_uploads_at_once_on_one_server_on_sqlite(self):
        self.uploads_at_once("sqlite", 1)

    def test_fifty_uploads_at_once_through_two_servers_on_one_postgresql_database(self):
        self.uploads_at_once("postgresql", 2)

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
            self.assertEqual(fetch(server.url("http") + "Benchmark/Korvid/Result/%d" % ids[-1])[0], 200)


if __name__ == "__main__":
    unittest.main()
