"""korvid-server as a monitor and a host see it, against the real server: /healthz on every
listener (200 while the database answers, 503 while PostgreSQL refuses it, 200 again after),
/metrics on its own listener only (Prometheus' text format, counting what was done to it), the
access log as JSON lines without a credential, a configuration file that gives the options
(the command line winning), and every numeric option refused outside the range its help
names, with exit code 2."""
import json
import os
import re
import subprocess
import time
import unittest

from server import postgres_cluster
from server.korvid_server_process import SERVER_EXE, KorvidServer, api_request, fetch
from client.korvid_test_server import DEFAULT_CLIENT_KEY, _IDENTITY
from server.server_fixtures import (LOADGEN_EXE, new_database, run_loadgen, started_server,
                                    temporary_folder)


def metric(text, series):
    """The value of one series ('name{labels}' as the text writes it), 0 when it is absent."""
    match = re.search(r"^%s (\S+)$" % re.escape(series), text, re.M)
    return float(match.group(1)) if match else 0.0


def metrics_url(server):
    return next(l for l in server.listeners if l.startswith("metrics="))[len("metrics="):]


@unittest.skipUnless(SERVER_EXE.exists() and LOADGEN_EXE.exists(), "korvid-server or korvid-loadgen is not built")
class SqliteMonitoringTest(unittest.TestCase):
    def setUp(self):
        database = new_database(self, "sqlite")
        self.server = started_server(self, database.url, cwd=database.folder,
                                     extra_args=["--metrics", "127.0.0.1:0"])

    def test_health_and_metrics_each_on_their_listeners(self):
        site, monitor = self.server.url("http"), metrics_url(self.server)
        self.assertEqual(self.server.listeners[-1], "metrics=" + monitor)
        for base in (site, monitor):
            status, headers, body = fetch(base + "healthz")
            self.assertEqual((status, body, headers["Cache-Control"]), (200, b"ok\n", "no-store"))
            self.assertEqual(fetch(base + "healthz", "POST")[0], 405)
        self.assertEqual(fetch(site + "metrics")[0], 404)
        self.assertEqual(fetch(monitor + "Benchmark/Korvid/")[0], 404)
        self.assertEqual(fetch(monitor + "api/v1/BenchmarkCPU?Name=x&")[0], 404)

        report = run_loadgen(site, 2, 1, seed=5)
        self.assertEqual(report["failures"], [], report["stderr"])
        self.assertEqual(api_request(site + "api/v1/", "GET", "BenchmarkCPU?Name=x&",
                                     login=("nobody", "wrong"))[0], 401)
        self.assertEqual(fetch(site + "Benchmark/Korvid/Result/1")[0], 200)
        self.assertEqual(fetch(site + "Benchmark/Korvid/Result/999")[0], 404)

        status, headers, text = fetch(monitor + "metrics")
        text = text.decode()
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/plain; version=0.0.4; charset=utf-8")
        self.assertEqual(metric(text, "korvid_uploads_stored_total"), 2)
        self.assertEqual(metric(text, 'korvid_refusals_total{reason="login"}'), 1)
        self.assertEqual(metric(text, 'korvid_http_requests_total{route="result",status="200"}'), 1)
        self.assertEqual(metric(text, 'korvid_http_requests_total{route="result",status="404"}'), 1)
        self.assertEqual(metric(text, 'korvid_http_requests_total{route="healthz",status="200"}'), 2)
        self.assertEqual(metric(text, 'korvid_http_requests_total{route="healthz",status="405"}'), 2)
        submits = metric(text, 'korvid_http_requests_total{route="api_submit",status="200"}')
        self.assertGreater(submits, 2, "records and results were posted")
        self.assertEqual(metric(text, 'korvid_http_request_duration_seconds_count{route="api_submit"}'), submits)
        # The build's own version, as --version prints it: the release number and the commit.
        shown = subprocess.run([str(SERVER_EXE), "--version"], capture_output=True, text=True, timeout=30).stdout
        self.assertRegex(shown, r"^korvid-server %s\+git[0-9]{14}\.[0-9a-f]{7,}\n$" % re.escape(_IDENTITY["KORVID_VERSION"]))
        self.assertEqual(metric(text, 'korvid_build_info{version="%s"}' % shown.split()[1]), 1)
        self.assertGreaterEqual(metric(text, "korvid_connections_open"), 1)
        self.assertGreaterEqual(metric(text, 'korvid_background_runs_total{outcome="ok",task="figures"}'), 1)
        self.assertEqual(metric(text, 'korvid_database_errors_total{kind="unavailable"}'), 0)

        # The access log: one JSON object a line, the login's name but never its key.
        lines = [line for line in self.server.log.splitlines() if line.startswith("{")]
        records = [json.loads(line) for line in lines]
        self.assertGreater(len(records), submits)
        refused = [r for r in records if r["status"] == 401]
        self.assertEqual(len(refused), 1)
        self.assertIsNone(refused[0]["client"])
        uploads = [r for r in records if r["target"] == "/api/v1/KorvidResult"]
        self.assertEqual([(r["method"], r["status"], r["client"], r["user_agent"]) for r in uploads],
                         [("POST", 200, _IDENTITY["KORVID_CLIENT_NAME"],
                           "Korvid/%s (Windows)" % _IDENTITY["KORVID_VERSION"])] * 2)
        self.assertNotIn(DEFAULT_CLIENT_KEY, self.server.log)
        self.assertNotIn("wrong", self.server.log)


@unittest.skipUnless(SERVER_EXE.exists(), "korvid-server is not built")
class PostgresHealthTest(unittest.TestCase):
    def setUp(self):
        self.database = new_database(self, "postgresql").url

    def test_healthz_follows_the_database(self):
        name = postgres_cluster.database_name(self.database)
        admin = postgres_cluster.with_database(self.database, "postgres")
        with KorvidServer(self.database, http="127.0.0.1:0",
                          extra_args=["--metrics", "127.0.0.1:0", "--db-pool", "2"]) as server:
            health = server.url("http") + "healthz"
            self.assertEqual(fetch(health)[:3:2], (200, b"ok\n"))
            # The database refuses new connections and drops the server's.
            with postgres_cluster.connections_refused(self.database):
                status, headers, body = fetch(health)
                self.assertEqual((status, body, headers["Retry-After"]), (503, b"unavailable\n", "2"))
                self.assertEqual(fetch(metrics_url(server) + "healthz")[0], 503)
                # A request is counted once its reply is written, which the client may see
                # finish first: the two refusals are read once both are in.
                deadline = time.time() + 5
                while True:
                    text = fetch(metrics_url(server) + "metrics").text
                    refused = metric(text, 'korvid_refusals_total{reason="unavailable"}')
                    if refused >= 2 or time.time() > deadline:
                        break
                    time.sleep(0.05)
                self.assertGreaterEqual(metric(text, 'korvid_database_errors_total{kind="unavailable"}') +
                                        metric(text, 'korvid_database_errors_total{kind="failed"}'), 2)
                self.assertEqual(refused, 2)
            # Back again: the lost sessions reconnect.
            deadline = time.time() + 20
            while fetch(health)[0] != 200 and time.time() < deadline:
                time.sleep(0.2)
            self.assertEqual(fetch(health)[:3:2], (200, b"ok\n"))
            # Two sessions in the pool and the background work's: never more connections.
            connections = postgres_cluster.query(admin, "SELECT COUNT(*) FROM pg_stat_activity "
                                                        "WHERE datname = '%s'" % name)
            self.assertLessEqual(int(connections[0][0]), 2)


@unittest.skipUnless(SERVER_EXE.exists(), "korvid-server is not built")
class ConfigurationAndOptionsTest(unittest.TestCase):
    def setUp(self):
        self.folder = str(temporary_folder(self, "korvid-config-"))

    def run_server(self, *args):
        return subprocess.run([str(SERVER_EXE), *args], capture_output=True, text=True, timeout=60,
                              cwd=self.folder, stdin=subprocess.DEVNULL)

    def test_the_server_serves_as_its_configuration_file_says(self):
        config = os.path.join(self.folder, "korvid-server.conf")
        with open(config, "w") as file:
            file.write("# a host's settings\ndatabase = sqlite:%s/from-file.db\nhttp = 127.0.0.1:1\n"
                       "metrics = 127.0.0.1:0\nthreads = 3\n" % self.folder)
        # The file's listener (port 1, not to be had) is replaced by the command line's.
        with KorvidServer.with_command([SERVER_EXE, "--config", config, "--http", "127.0.0.1:0"],
                                       self.folder) as server:
            self.assertEqual(len(server.listeners), 2, server.listeners)
            self.assertEqual(fetch(server.url("http") + "healthz")[0], 200)
            self.assertEqual(fetch(metrics_url(server) + "metrics")[0], 200)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "from-file.db")))

        with open(config, "a") as file:
            file.write("threads = 300\n")
        done = self.run_server("--config", config)
        self.assertEqual((done.returncode, done.stderr),
                         (2, "korvid-server: %s:6: --threads needs a whole number from 1 to 256, not "
                             "\"300\" (see korvid-server --help)\n" % config))

    def test_every_numeric_option_keeps_to_the_range_its_help_names(self):
        text = self.run_server("--help").stdout
        numeric = re.findall(r"^  (--[a-z-]+) (?:N|BYTES|SECONDS)\b", text, re.M)
        ranges = re.findall(r"^  (--[a-z-]+) (?:N|BYTES|SECONDS)\b(?:(?!\n  -).)*?\((\d+)-(\d+), default",
                            text, re.M | re.S)
        # Every numeric option names its range; these at least are there.
        self.assertEqual(sorted(name for name, _, _ in ranges), sorted(numeric))
        self.assertLessEqual({"--threads", "--io-threads", "--db-pool", "--max-body", "--max-request-line",
                              "--max-headers", "--max-head", "--max-connections", "--head-timeout",
                              "--body-timeout", "--idle-timeout", "--handshake-timeout", "--send-timeout",
                              "--shutdown-timeout"}, set(numeric))
        for name, least, most in ranges:
            for value in (str(int(least) - 1), str(int(most) + 1), "4294967297", "999999999999", "1e3", "-1"):
                if value.isdigit() and int(least) <= int(value) <= int(most):
                    continue
                with self.subTest(option=name, value=value):
                    done = self.run_server(name, value, "--http", "127.0.0.1:0")
                    self.assertEqual((done.returncode, done.stderr),
                                     (2, "korvid-server: %s needs a whole number from %s to %s, not \"%s\" "
                                         "(see korvid-server --help)\n" % (name, least, most, value)))
        for option, value in (("--http", "127.0.0.1:65536"), ("--https", "127.0.0.1:99999"),
                              ("--metrics", "127.0.0.1:4294967297")):
            with self.subTest(option=option, value=value):
                done = self.run_server(option, value)
                self.assertEqual(done.returncode, 2)
                self.assertIn("needs a port from 0 to 65535", done.stderr)
        # A result's ID as an argument: a positive 32-bit number, checked before the database.
        for value in ("0", "2147483648", "9999999999", "99999999999"):
            with self.subTest(rescore=value):
                done = self.run_server("rescore", value, "--database", "sqlite:absent.db")
                self.assertEqual((done.returncode, done.stderr),
                                 (2, "korvid-server: rescore needs the RESULT_ID of the new reference, "
                                     "from 1 to 2147483647 (see korvid-server --help)\n"))


if __name__ == "__main__":
    unittest.main()
