"""What the script tests of korvid-server share around the server itself: the tests'
PostgreSQL, fresh databases on either storage that a test reads directly, folders and servers
that end with the test, and uploads through korvid-loadgen.

Whatever takes `owner` ties what it makes to a test (a TestCase: removed when the test ends) or
to a test class (the class: removed after its last test).

    postgres_url() -> str
        KORVID_TEST_POSTGRES_URL (the cluster scripts/test starts), else a cluster started once
        for this run and stopped when it ends. Raises unittest.SkipTest("no PostgreSQL: why").
    TestDatabase(storage, folder=None)
        A fresh database: "sqlite" (results.db in `folder`, else in a temporary folder of its
        own) or "postgresql" (a new database beside postgres_url()). .storage, .url (the
        --database value), .folder, .rows(sql), .close(); a context manager.
    database_rows(url, sql) -> [[str, ...], ...]
        The rows of a query on any database korvid-server takes: sqlite:PATH (read only) or a
        PostgreSQL URL.
    temporary_folder(owner, prefix) -> pathlib.Path
    new_database(owner, storage, folder=None) -> TestDatabase
    started_server(owner, database, **KorvidServer options) -> KorvidServer, ready
        (http on a free port of 127.0.0.1 unless http or https is given)
    run_loadgen(server_url, uploads, concurrency, seed) -> korvid-loadgen's JSON report, with
        its "returncode" and "stderr"; LOADGEN_EXE; MEASUREMENTS_PER_RESULT of a full run.
    free_ports(count) -> that many different ports of 127.0.0.1, free a moment ago: for a
        program that cannot be told to take one itself and say which.
"""
import atexit
import contextlib
import json
import os
import pathlib
import shutil
import socket
import sqlite3
import subprocess
import tempfile
import unittest

from server import postgres_cluster
from server.korvid_server_process import BUILD, KorvidServer
from client.korvid_test_server import DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME

LOADGEN_EXE = BUILD / "native" / "bench" / "loadgen" / "korvid-loadgen"
# A full run's rates: five sized groups at the squares 16 to 1024 in two units each, the two
# pixel-array transfers and the random test's two.
MEASUREMENTS_PER_RESULT = 5 * 7 * 2 + 2 + 2
# How many description records of each kind korvid-loadgen draws its uploads from.
LOADGEN_VARIETY = 4

_postgres = {"url": None, "unavailable": None, "tried": False}


def postgres_url():
    if not _postgres["tried"]:
        _postgres["tried"] = True
        _postgres["url"] = os.environ.get(postgres_cluster.URL_VARIABLE)
        _postgres["unavailable"] = os.environ.get(postgres_cluster.UNAVAILABLE_VARIABLE)
        if not _postgres["url"] and not _postgres["unavailable"]:
            try:
                cluster = postgres_cluster.PostgresCluster().start()
                atexit.register(cluster.stop)
                _postgres["url"] = cluster.url
            except postgres_cluster.PostgresUnavailable as error:
                _postgres["unavailable"] = str(error)
    if not _postgres["url"]:
        raise unittest.SkipTest("no PostgreSQL: %s" % _postgres["unavailable"])
    return _postgres["url"]


def database_rows(url, sql):
    if url.startswith("sqlite:"):
        path = url[len("sqlite:"):]
        with contextlib.closing(sqlite3.connect("file:%s?mode=ro" % path, uri=True,
                                                timeout=10)) as connection:
            return [[str(v) for v in row] for row in connection.execute(sql).fetchall()]
    return postgres_cluster.query(url, sql)


class TestDatabase:
    """A fresh database of either storage; see the module's docstring."""

    def __init__(self, storage, folder=None, prefix="korvid-test-"):
        if storage not in ("sqlite", "postgresql"):
            raise ValueError("storage must be sqlite or postgresql, not %r" % storage)
        self.storage = storage
        self._own_folder = folder is None
        self.folder = pathlib.Path(folder or tempfile.mkdtemp(prefix=prefix))
        self.url = None
        try:
            if storage == "sqlite":
                self.url = "sqlite:%s" % (self.folder / "results.db")
            else:
                self.url = postgres_cluster.create_database(postgres_url())
        except BaseException:
            self.close()
            raise

    def rows(self, sql):
        return database_rows(self.url, sql)

    def close(self):
        if self.storage == "postgresql" and self.url:
            try:
                postgres_cluster.drop_database(self.url)
            except RuntimeError:
                pass
        self.url = None
        if self._own_folder:
            shutil.rmtree(self.folder, True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _cleanup(owner, function, *args):
    (owner.addClassCleanup if isinstance(owner, type) else owner.addCleanup)(function, *args)


def temporary_folder(owner, prefix):
    folder = pathlib.Path(tempfile.mkdtemp(prefix=prefix))
    _cleanup(owner, shutil.rmtree, folder, True)
    return folder


def new_database(owner, storage, folder=None):
    database = TestDatabase(storage, folder)
    _cleanup(owner, database.close)
    return database


def started_server(owner, database, **options):
    if not options.get("http") and not options.get("https"):
        options["http"] = "127.0.0.1:0"
    server = KorvidServer(database, **options)
    _cleanup(owner, server.stop)
    return server.start()


def free_ports(count):
    # Held open together, so that the system hands out a different port each time.
    with contextlib.ExitStack() as stack:
        sockets = [stack.enter_context(socket.socket()) for _ in range(count)]
        for sock in sockets:
            sock.bind(("127.0.0.1", 0))
        return [sock.getsockname()[1] for sock in sockets]


def run_loadgen(server_url, uploads, concurrency, seed):
    """korvid-loadgen against a server's listener (".../" with the API under it)."""
    done = subprocess.run(
        [str(LOADGEN_EXE), "--api", server_url + "api/v1/",
         "--result-page", server_url + "Benchmark/Korvid/Result/",
         "--client", DEFAULT_CLIENT_NAME, "--key", DEFAULT_CLIENT_KEY,
         "--uploads", str(uploads), "--concurrency", str(concurrency),
         "--variety", str(LOADGEN_VARIETY), "--seed", str(seed), "--json"],
        stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)
    try:
        report = json.loads(done.stdout)
    except ValueError:
        raise AssertionError("korvid-loadgen printed no report (exit code %d):\n%s%s" % (
            done.returncode, done.stdout[-2000:], done.stderr[-2000:]))
    report["returncode"] = done.returncode
    report["stderr"] = done.stderr
    return report
