"""korvid.exe under Wine against korvid-server over HTTPS: korvid-server on free ports with a
certificate for localhost from a test CA, on a fresh database, and a copy of the korvid_e2e
build (harness/e2e_program.py) whose API and pages name those ports, with that CA beside it as
curl-ca-bundle.crt.

On SQLite: the connection test, and two full GDI runs at 320x240 that upload: the stored
result holds every measurement the transcript shows with the printed values, the second upload
adds no description record, and the result page that korvid.exe prints answers 200.
On PostgreSQL (the cluster scripts/test starts, else one of the run's own): the connection
test through korvid.exe, and two korvid-server processes sharing the database."""
import re
import sqlite3
import sys
import time
import unittest

from harness.e2e_program import E2E_EXE, browser_record, copy_program, record_browser
from harness.korvid_wine import VirtualDisplay, run_windows_program, windows_path
from server import postgres_cluster
from server.hardening import port_of
from server.korvid_server_process import (SERVER_EXE, KorvidServer, api_request, fetch,
                                          make_localhost_certificates)
from server.server_fixtures import new_database, temporary_folder

RESULT_PAGE = "http://localhost:%d/Benchmark/Korvid/Result/"
CONNECTION_OK = ("Testing the connection to the server...\n"
                 "Successfully made a connection to the server. Test complete.\n")

# The transcript's table titles and the measurement names the result record gives their rows.
SIZED_GROUPS = {"FillRect": "FillRect", "BltBitMap": "BlitRect",
                "OverlappedBltBitMap": "OverlappedBlitRect", "Composite": "Composite",
                "CompositeSrcMask": "CompositeSrcMask"}
NUMBER = r" *([0-9]+\.[0-9]{3})"


def printed_measurements(output):
    """Every measurement the transcript shows, as {field name: printed value}."""
    found = {}
    for name, value in re.findall(r"^(WritePixelArray|ReadPixelArray): ([0-9]+\.[0-9]{3}) MiB/s",
                                  output, re.M):
        found[name + "_MiB_s"] = float(value)
    for title, prefix in SIZED_GROUPS.items():
        table = output[output.index("\n%s:\n" % title) + 1:]
        table = table[:table.index("\n\n")]
        for w, h, _, ops, mp in re.findall(r"^\((\d+), (\d+)\)\t%s\t%s\t%s$" % ((NUMBER,) * 3),
                                           table, re.M):
            found["%s_%sx%s_Ops_s" % (prefix, w, h)] = float(ops)
            found["%s_%sx%s_MP_s" % (prefix, w, h)] = float(mp)
    random = re.search(r"^Random:\n[^\n]*\n%s\t%s\t%s$" % ((NUMBER,) * 3), output, re.M)
    if random:
        found["Random_Ops_s"] = float(random.group(2))
        found["Random_MP_s"] = float(random.group(3))
    return found


def close_enough(stored, printed):
    """The record carries six significant digits, the table three decimals."""
    return abs(stored - printed) <= 0.0005 + 5e-6 * abs(printed) + 1e-9


class ServerTestBase(unittest.TestCase):
    """A folder with certificates for the class and its server (cls.server); each test gets a
    fresh copy of korvid_e2e whose addresses name the ports that server took."""

    @classmethod
    def setUpClass(cls):
        if not E2E_EXE.exists():
            raise unittest.SkipTest("korvid_e2e is not built")
        if not SERVER_EXE.exists():
            raise unittest.SkipTest("korvid-server is not built (%s)" % SERVER_EXE)
        cls.directory = temporary_folder(cls, "korvid-server-e2e-")  # last: cleanups run backwards
        cls.ca, cls.cert, cls.key = make_localhost_certificates(cls.directory)

    @classmethod
    def start_server(cls, database, https="127.0.0.1:0", http="127.0.0.1:0"):
        server = KorvidServer(database, https=https, http=http, cert=cls.cert, key=cls.key,
                              cwd=cls.directory).start()
        cls.addClassCleanup(cls.stop_cleanly, server)
        return server

    @staticmethod
    def stop_cleanly(server):
        code = server.stop()
        if code != 0:
            raise AssertionError("korvid-server ended with %s on SIGTERM:\n%s" % (
                code, server.log[-3000:]))

    def setUp(self):
        self.folder = temporary_folder(self, "korvid-run-")
        self.https_port = port_of(self.server.url("https"))
        self.result_page = RESULT_PAGE % port_of(self.server.url("http"))
        copy_program(self.folder, self.https_port, port_of(self.server.url("http")), self.ca)

    def run_korvid(self, args, display, timeout=900, **kwargs):
        return run_windows_program(self.folder / "korvid.exe", args, display=display,
                                   cwd=self.folder, timeout=timeout, **kwargs)

    def connection_test(self):
        with VirtualDisplay("320x240x24") as display:
            code, out = self.run_korvid(["-tc"], display.name, timeout=180, stdin_text="")
        self.assertTrue(out.endswith(CONNECTION_OK), out + self.server.log[-2000:])
        self.assertEqual(code, 0, out)


class KorvidServerOnSQLiteTest(ServerTestBase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.database = cls.directory / "results.db"
        cls.server = cls.start_server("sqlite:%s" % cls.database)

    def read(self, sql, *parameters):
        with sqlite3.connect(self.database, timeout=30) as connection:
            return connection.execute(sql, parameters).fetchall()

    def test_connection_test_passes(self):
        self.connection_test()
        self.assertEqual(self.read("SELECT count(*) FROM records WHERE type = "
                                   "'BenchmarkOperatingSystem' AND search_key LIKE '%AmigaOS%'"),
                         [(1,)], "the connection test's record is stored once")

    def upload_run(self, display):
        """A full GDI run that uploads; the page it opens goes to a recording browser."""
        record = self.folder / "browser.txt"
        record.unlink(missing_ok=True)
        code, out = self.run_korvid(["-y", "-u", "-ns"], display, dll_overrides="d2d1=d",
                                    extra_env={"KORVID_BROWSER_RECORD": windows_path(record)})
        self.assertEqual(code, 0, out)
        self.assertIn("Initialising GDI test.\n", out)
        self.assertNotIn("Test failed.", out)
        pages = re.findall(r"^Result URL: (%s(\d+))$" % re.escape(self.result_page), out, re.M)
        self.assertEqual(len(pages), 1, out + self.server.log[-3000:])
        browser_record(record)
        return out, pages[0][0], int(pages[0][1])

    def test_full_gdi_runs_upload_every_measurement_and_share_description_records(self):
        record_browser(self, self.folder)

        with VirtualDisplay("320x240x24") as display:
            started = time.time()
            out, page, result_id = self.upload_run(display.name)
            first_run = time.time() - started
            records = self.read("SELECT count(*) FROM records")[0][0]
            card = self.read("SELECT graphics_card_id FROM results WHERE id = ?", result_id)
            out2, page2, result_id2 = self.upload_run(display.name)
        print("\n  two full GDI runs: %.0f s, %.0f s" % (first_run, time.time() - started - first_run),
              end=" ", file=sys.stderr, flush=True)

        # Every measurement the transcript shows, stored with the value it shows, and no other.
        printed = printed_measurements(out)
        self.assertIn("WritePixelArray_MiB_s", printed)
        self.assertIn("FillRect_128x128_Ops_s", printed)
        self.assertIn("Random_MP_s", printed)
        stored = {}
        for test, width, height, unit, value in self.read(
                "SELECT test, width, height, unit, value FROM measurements WHERE result_id = ?",
                result_id):
            name = "%s_%dx%d_%s" % (test, width, height, unit) if width else "%s_%s" % (test, unit)
            stored[name] = value
        self.assertEqual(sorted(stored), sorted(printed))
        for name, value in printed.items():
            self.assertTrue(close_enough(stored[name], value), (name, stored[name], value))
        self.assertEqual(self.read("SELECT display_width, display_height, bits_per_pixel "
                                   "FROM results WHERE id = ?", result_id), [(320, 240, 32)])

        # The second upload: a new result, every description record found again.
        self.assertNotEqual(result_id2, result_id)
        self.assertEqual(self.read("SELECT count(*) FROM records")[0][0], records)
        self.assertEqual(self.read("SELECT graphics_card_id FROM results WHERE id = ?",
                                   result_id2), card)
        self.assertEqual(len(self.read("SELECT * FROM measurements WHERE result_id = ?",
                                       result_id2)), len(printed_measurements(out2)))
        shared = "SELECT name, target_id FROM result_references WHERE result_id = ? ORDER BY position"
        self.assertEqual(self.read(shared, result_id2), self.read(shared, result_id))
        members = ("SELECT collection, record_id FROM result_members WHERE result_id = ? "
                   "ORDER BY collection, position")
        self.assertEqual(self.read(members, result_id2), self.read(members, result_id))

        # The pages that korvid.exe printed and opened.
        for address in (page, page2):
            self.assertEqual(fetch(address)[0], 200, address)
        self.assertIn("Opening the submitted results... Done.\n", out2)
        self.assertIn("arg %s\nend\n" % page2, (self.folder / "browser.txt").read_text())


class KorvidServerOnPostgreSQLTest(ServerTestBase):
    """Two korvid-server processes on one fresh database of the throw-away cluster."""

    @classmethod
    def setUpClass(cls):
        cls.database = new_database(cls, "postgresql").url
        super().setUpClass()
        cls.server = cls.start_server(cls.database)
        cls.other = cls.start_server(cls.database, https=None, http="127.0.0.1:0")

    def count(self, sql):
        return int(postgres_cluster.query(self.database, sql)[0][0])

    def test_connection_test_through_korvid_exe_then_the_other_server_finds_its_record(self):
        self.connection_test()
        self.assertEqual(self.count("SELECT count(*) FROM records WHERE type = "
                                    "'BenchmarkOperatingSystem' AND search_key LIKE '%AmigaOS%'"), 1)
        base = self.other.url("http") + "api/v1/"
        status, _, body = api_request(base, "GET", "BenchmarkOperatingSystem?Name=AmigaOS&")
        self.assertEqual(status, 200, body)
        found = re.fullmatch(rb"\s*<BenchmarkOperatingSystem>\s*<ID>(\d+)</ID>\s*"
                             rb"</BenchmarkOperatingSystem>\s*", body)
        self.assertTrue(found, body)
        stored = self.count("SELECT id FROM records WHERE search_key LIKE '%AmigaOS%'")
        self.assertEqual(int(found.group(1)), stored)

    def test_both_servers_store_a_shared_record_once(self):
        first = self.server.url("http") + "api/v1/"
        second = self.other.url("http") + "api/v1/"
        document = (b"<BenchmarkCPU>\n\t<Name>Intel(R) Core(TM) i7 \xae</Name>\n"
                    b"</BenchmarkCPU>\n")
        lookup = "BenchmarkCPU?Name=Intel%28R%29%20Core%28TM%29%20i7%20%AE&"
        status, headers, _ = api_request(first, "GET", lookup, login=None)
        self.assertEqual(status, 401)
        self.assertTrue(headers.get("WWW-Authenticate", "").startswith("Basic"), headers)
        status, _, body = api_request(first, "GET", lookup)
        self.assertEqual(status, 200, body)
        self.assertNotIn(b"<ID>", body)
        ids = set()
        for base in (first, second, first):
            status, _, body = api_request(base, "POST", "BenchmarkCPU", document)
            self.assertEqual(status, 200, body)
            ids.add(re.search(rb"<ID>(\d+)</ID>", body).group(1))
        status, _, body = api_request(second, "GET", lookup)
        self.assertEqual(re.search(rb"<ID>(\d+)</ID>", body).group(1), ids.pop(), body)
        self.assertEqual(ids, set())
        self.assertEqual(self.count("SELECT count(*) FROM records WHERE type = 'BenchmarkCPU'"), 1)
        self.assertEqual(postgres_cluster.query(
            self.database, "SELECT value FROM record_fields f JOIN records r ON r.id = f.record_id "
                           "WHERE r.type = 'BenchmarkCPU'"), [["Intel(R) Core(TM) i7 \u00ae"]])


if __name__ == "__main__":
    unittest.main()
