"""The whole program as a Windows user meets it: korvid.exe under Wine on a small virtual
display, uploading to the local results server, with the browser recorded in the registry.

Each test runs a copy of korvid_e2e (harness/e2e_program.py) in a fresh folder, its API
pointed at the port the local results server took and the test CA beside it as
curl-ca-bundle.crt."""
import os
import re
import subprocess
import threading
import time
import unittest
import xml.etree.ElementTree as ElementTree

from harness.e2e_program import E2E_EXE, browser_record, copy_program, record_browser
from harness.korvid_wine import (BoxAnswerer, VirtualDisplay, run_windows_program, wine_command,
                                 wine_environment, windows_path)
from client.korvid_test_server import TestResultsServer
from server.server_fixtures import temporary_folder

RESULT_PAGE = "http://localhost:%d/Benchmark/Korvid/Result/"
SEPARATOR = "-" * 60

# What the run prints to the console alone; everything else is also in the transcript.
CONSOLE_ONLY = re.compile(
    r"^(Kernel32\.dll version: |Gdi32\.dll version: |d2d1\.dll version: |d3d10\.dll version: |"
    r"Measuring clock granularity\.\.\.$|This machine doesn't support Direct2D\.$|"
    r"Uploading the results to the server\.\.\.$|Upload progress: |Saved the results to |"
    r"Opening the submitted results\.\.\. |Press ENTER to exit$)")

GROUP_TITLES = ["FillRect:", "BltBitMap:", "OverlappedBltBitMap:", "Composite:",
                "CompositeSrcMask:", "Random:"]


def is_subsequence(short, long):
    it = iter(long)
    return all(any(line == other for other in it) for line in short)


class EndToEndTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not E2E_EXE.exists():
            raise unittest.SkipTest("korvid_e2e is not built")

    def setUp(self):
        self.folder = temporary_folder(self, "korvid-e2e-")
        self.browser_record = self.folder / "browser.txt"

    def start_server(self, **kwargs):
        """The local results server on free ports, and korvid.exe pointed at it (its pages at
        the server's plain listener, which serves none: nothing opens them but the recorder)."""
        server = TestResultsServer(**kwargs).start()
        self.addCleanup(server.stop)
        self.https_port = server.port("https")
        self.result_page = RESULT_PAGE % server.port("http")
        copy_program(self.folder, self.https_port, server.port("http"), server.ca_file)
        return server

    def run_korvid(self, args, display, dll_overrides=None, timeout=900):
        return run_windows_program(
            self.folder / "korvid.exe", args, display=display, dll_overrides=dll_overrides,
            cwd=self.folder, timeout=timeout,
            extra_env={"KORVID_BROWSER_RECORD": windows_path(self.browser_record)})

    def result_files(self):
        return sorted(self.folder.glob("*.kvdresult"))

    def test_full_run_uploads_saves_and_opens_the_result_page(self):
        server = self.start_server()
        record_browser(self, self.folder)
        with VirtualDisplay("320x240x24") as display:
            code, out = self.run_korvid(["-y", "-u", "-sd"], display.name)
            opened = browser_record(self.browser_record)
        self.assertEqual(code, 0, out)
        lines = out.split("\n")

        # Banner, machine description, then every group's table in order.
        self.assertEqual(lines[0], SEPARATOR)
        self.assertEqual(lines[1:3], ["Korvid 2.9", "A benchmark tool for graphics cards."])
        self.assertIn("System Information:", lines)
        positions = [lines.index(title) for title in ["System Information:"] + GROUP_TITLES]
        self.assertEqual(positions, sorted(positions))
        self.assertIn("Initialising Direct2D test.", lines)
        self.assertTrue(any(l.startswith("WritePixelArray: ") for l in lines))
        self.assertTrue(any(l.startswith("ReadPixelArray: ") for l in lines))
        self.assertNotIn("Some tests failed", out)

        # The upload: every description record looked up or submitted before the root, each
        # at most once, and the root's POST last, carrying every measurement of the run.
        requests = server.session().requests
        targets = [(r["method"], r["path"]) for r in requests]
        root_posts = [i for i, t in enumerate(targets) if t == ("POST", "/api/v1/KorvidResult")]
        self.assertEqual(root_posts, [len(targets) - 1], targets)
        self.assertFalse(any(p.startswith("/api/v1/KorvidResult?") for _, p in targets))
        posted = [r["body"] for r in requests if r["method"] == "POST"]
        self.assertEqual(len(posted), len(set(posted)), "each record is submitted at most once")
        looked_up = [p for m, p in targets if m == "GET"]
        self.assertEqual(len(looked_up), len(set(looked_up)), "each record is looked up once")
        for kind in ("BenchmarkOperatingSystem", "BenchmarkCPU", "BenchmarkMotherboard",
                     "BenchmarkGraphicsCard", "BenchmarkLibrary", "BenchmarkLibraryVersion"):
            self.assertTrue(any(p.startswith("/api/v1/" + kind) for _, p in targets), kind)
        for r in requests:
            self.assertIn(b"\r\nAuthorization: Basic ", r["head"])

        root = ElementTree.fromstring(requests[-1]["body"])
        self.assertEqual(root.tag, "KorvidResult")
        fields = {child.tag: child.text for child in root if "id" not in child.attrib}
        for name in ("WritePixelArray_MiB_s", "ReadPixelArray_MiB_s", "Random_Ops_s",
                     "Random_MP_s", "ProcessorClockSpeed", "RAMSize", "DisplayWidth",
                     "DisplayHeight", "BitsPerPixel"):
            self.assertIn(name, fields)
        # The ANSI code page the machine's texts were written in: Windows-1252 where Wine runs
        # in the C or an English locale.
        self.assertRegex(fields.get("CodePage", ""), r"^[0-9]+$")
        locale = os.environ.get("LC_ALL") or os.environ.get("LANG") or "C"
        if locale.split(".")[0] in ("C", "POSIX") or locale.startswith("en"):
            self.assertEqual(fields["CodePage"], "1252")
        # The card is the adapter Direct3D drew on, its memory DXGI's for it: Wine's driver
        # writes no 64-bit size, and AdapterRAM (4 GiB at most) is not taken.
        self.assertNotEqual(fields.get("VRAMSize"), "4293918720")
        # A group the machine cannot draw (Wine's Direct2D: the overlapped copy and the source
        # mask) prints its not-supported lines and records nothing; the others record each size.
        for title, prefix in (("FillRect:", "FillRect_"), ("BltBitMap:", "BlitRect_"),
                              ("OverlappedBltBitMap:", "OverlappedBlitRect_"),
                              ("Composite:", "Composite_"),
                              ("CompositeSrcMask:", "CompositeSrcMask_")):
            table = out[out.index("\n" + title + "\n"):]
            table = table[:table.index("\n\n", 1)]
            if "is not supported on this machine" in table:
                self.assertFalse([n for n in fields if n.startswith(prefix + "16x16")], title)
            else:
                self.assertIn(prefix + "16x16_Ops_s", fields, title)
                self.assertIn(prefix + "128x128_MP_s", fields, title)
        self.assertEqual(fields["DisplayWidth"], "320")
        self.assertEqual(fields["DisplayHeight"], "240")
        measured = [n for n in fields if re.match(r"^(FillRect|BlitRect|OverlappedBlitRect|Composite|"
                                                  r"CompositeSrcMask)_\d+x\d+_", n)]
        table_rows = len(re.findall(r"^\(\d+, \d+\)\t", out, re.M))
        self.assertEqual(len(measured), 2 * table_rows, "Ops_s and MP_s for every row printed")

        # The progress line ends in Done., then the page of the ID the server gave the root.
        root_id = server.session().records[-1]["id"]
        self.assertEqual(server.session().records[-1]["type"], "KorvidResult")
        self.assertRegex(out, r"Upload progress: Step (\d+) of \1\. Done\. *\n")
        self.assertIn("Result URL: %s%d\n" % (self.result_page, root_id), out)

        # The saved file: the transcript plus one line end, CRLF throughout.
        files = self.result_files()
        self.assertEqual(len(files), 1)
        self.assertRegex(files[0].name, r"^.+__\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.kvdresult$")
        data = files[0].read_bytes()
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line end is CRLF")
        self.assertTrue(data.endswith(b"\r\n\r\n"))
        saved = data.decode("latin-1").replace("\r\n", "\n")[:-1].split("\n")[:-1]
        self.assertTrue(is_subsequence(saved, lines), "the file holds only what was printed")
        expected = [l for l in lines if l and not CONSOLE_ONLY.match(l.lstrip("\r"))]
        self.assertEqual([l for l in saved if l], expected)
        self.assertEqual(saved[-1], "Result URL: %s%d" % (self.result_page, root_id))

        # The result page, through the program recorded for .htm files.
        self.assertIn("Opening the submitted results... Done.\n", out)
        self.assertIn("arg %s%d\nend\n" % (self.result_page, root_id), opened)

    def test_partial_run_is_not_uploaded_nor_saved(self):
        server = self.start_server()
        with VirtualDisplay("320x240x24") as display:
            code, out = self.run_korvid(["-nf", "-y", "-ns"], display.name, dll_overrides="d2d1=d")
        self.assertEqual(code, 0, out)
        self.assertIn("This machine doesn't support Direct2D.\n", out)
        self.assertNotIn("FillRect:", out)
        self.assertIn("\n" + SEPARATOR + "\nDid not perform the full set of tests, so the result "
                      "cannot be submitted to the results server\n", out)
        self.assertEqual(server.session().requests, [])
        self.assertEqual(self.result_files(), [])
        self.assertTrue(out.endswith("\n\nPress ENTER to exit\n"))

    def test_refused_login_retries_sixteen_times_then_asks_about_the_download_page(self):
        server = self.start_server(client_key="another-client-key")
        record_browser(self, self.folder)
        with VirtualDisplay("320x240x24") as display:
            answerer = BoxAnswerer(display.name, answers=["n"], timeout=600)
            answerer.start()
            code, out = self.run_korvid(["-v", "-y", "-ns"], display.name, dll_overrides="d2d1=d")
            answerer.stop()
        self.assertEqual(code, 0, out)
        failures = re.findall(r"^Uploading results failed with exception \((\d+)\): (.*)$", out, re.M)
        self.assertEqual(len(failures), 16, out)
        self.assertEqual(out.count("Uploading the results to the server...\n"), 16)
        for code_text, message in failures:
            self.assertEqual(code_text, "0")
            self.assertEqual(message, "BenchmarkClient::getObjectID failed. Server returned "
                                      "response code: 401")
        self.assertEqual(answerer.seen, ["Korvid"], "one question: the login-denied one")
        # "-v": the client's lines of level 2, one lookup per attempt, none of level 3.
        queries = re.findall(r"^\(2\) Search query: https://localhost:%d/api/v1/Benchmark\w+\?" % self.https_port,
                             out, re.M)
        self.assertEqual(len(queries), 16, out)
        self.assertNotIn("(3) ", out)
        self.assertTrue(all(r["method"] == "GET" for r in server.session().requests))
        self.assertNotIn("Result URL: ", out)
        self.assertNotIn("Opening the submitted results", out)
        self.assertFalse(self.browser_record.exists(), "No opens nothing")

    def test_cancel_at_the_confirmation_ends_the_run(self):
        self.start_server()
        with VirtualDisplay("320x240x24") as display:
            # The relabelled second button, "Cancel", has no accelerator: move to it and press it.
            answerer = BoxAnswerer(display.name, answers=["Tab space"], timeout=300)
            answerer.start()
            code, out = self.run_korvid(["-nu", "-sd"], display.name)
            answerer.stop()
        self.assertEqual(code, 0, out)
        self.assertEqual(answerer.seen, ["Korvid"])
        self.assertIn("\nUser cancelled. Exiting.\n", out)
        self.assertTrue(out.endswith("User cancelled. Exiting.\n\n\nPress ENTER to exit\n"), out)
        self.assertNotIn("Initialising", out)
        self.assertNotIn("FillRect:", out)
        self.assertEqual(self.result_files(), [])


    def test_upload_from_a_folder_the_code_page_cannot_spell_verifies_the_server(self):
        # Wine's ANSI code page here is Windows-1252, which has no Cyrillic letters. The bundle
        # beside the program is read all the same: no certificate failure, so the check is never
        # switched off, not even with -y.
        self.folder = self.folder / "Зоя"
        self.folder.mkdir()
        server = self.start_server()
        record_browser(self, self.folder)
        with VirtualDisplay("320x240x24") as display:
            code, out = self.run_korvid(["-y", "-u", "-sd"], display.name, dll_overrides="d2d1=d")
            browser_record(self.browser_record)
        self.assertEqual(code, 0, out)
        self.assertNotIn("Uploading results failed", out)
        root_id = server.session().records[-1]["id"]
        self.assertIn("Result URL: %s%d\n" % (self.result_page, root_id), out)
        self.assertEqual(len(self.result_files()), 1, out)

    def test_a_run_another_window_disturbs_is_saved_but_not_uploaded(self):
        server = self.start_server()
        with VirtualDisplay("320x240x24") as display:
            # Once the test window is up, another program's window takes the foreground.
            intruder = Intruder(display.name)
            intruder.start()
            try:
                code, out = self.run_korvid(["-y", "-u", "-sd"], display.name,
                                            dll_overrides="d2d1=d")
            finally:
                intruder.stop()
        self.assertEqual(code, 0, out)
        self.assertTrue(intruder.started, out)
        self.assertIn("\nWARNING: This test was disturbed (another window took the foreground), so "
                      "its result is not a normal one.\n", out)
        self.assertIn("\n" + SEPARATOR + "\nSome tests were disturbed, so the result cannot be "
                      "submitted to the results server. Close other programs, keep the screen on "
                      "and run the benchmark again.\n", out)
        self.assertNotIn("Uploading the results", out)
        self.assertEqual(server.session().requests, [])
        files = self.result_files()
        self.assertEqual(len(files), 1, out)
        self.assertIn(b"WARNING: This test was disturbed", files[0].read_bytes())


class Intruder(threading.Thread):
    """Starts Wine's notepad on the display as soon as korvid.exe's full-screen test window is
    there; it takes the foreground. Ended with the test's Wine session."""

    def __init__(self, display):
        super().__init__(daemon=True)
        self.display = display
        self.started = False
        self.process = None
        self._finish = threading.Event()

    def run(self):
        env = {**os.environ, "DISPLAY": self.display}
        while not self._finish.is_set():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname",
                                    "^korvid\\.exe$"], capture_output=True, text=True, env=env,
                                   timeout=30).stdout.split()
            if found:
                break
            time.sleep(0.2)
        if self._finish.is_set():
            return
        self.process = subprocess.Popen([wine_command(), "notepad"], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        env=wine_environment(self.display))
        self.started = True

    def stop(self):
        self._finish.set()
        self.join(timeout=30)
        if self.process:
            self.process.kill()
            self.process.wait(timeout=30)


if __name__ == "__main__":
    unittest.main()
