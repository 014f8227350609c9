"""korvid.exe under Wine: the endings of the command line (help, an unrecognised option, the
connection test against the local results server) and a run cancelled at its first question.

Run by scripts/test (stage "scripts"), or alone after scripts/build:
    tests/client/start /tmp/srv && . /tmp/srv/server.env
    KORVID_EXE=build/windows/korvid.exe python3 tests/harness/run_script_tests.py app/test_korvid_exe
The connection tests need the local results server (KORVID_TEST_* variables); they run a copy of
korvid.exe whose built-in API address is replaced by the local server's."""
import atexit
import os
import pathlib
import re
import shutil
import socket
import subprocess
import tempfile
import unittest
import urllib.request

from harness.korvid_wine import (BoxAnswerer, VirtualDisplay, korvid_exe, run_windows_program,
                                 wine_environment)

SEPARATOR = "-" * 60
BANNER = (SEPARATOR + "\n"
          "Korvid 2.9\n"
          "A benchmark tool for graphics cards.\n"
          "Measures 2D drawing through Direct2D (or GDI) on this machine's graphics card.\n"
          "\n"
          "Run it with -h to see the command line options.\n"
          + SEPARATOR + "\n"
          "\n")

HELP = (
    "Command line options: \n"
    " ?, -h, --help - Print this help information\n"
    " -v - Verbose output to screen (useful for debugging)\n"
    " -d [n] - Set the debug level to the value given by the integer [n]\n"
    " -nm, --nocopytests - Do not perform the copy to/from VRAM tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nf, --nofilltests - Do not perform the fill rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nb, --noblittests - Do not perform the blit rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nc, --nocompositingtests - Do not perform the compositing tests (N/A on Windows XP and older) NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nr, --norandomtests - Do not perform the random tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -u, --upload - Automatically upload the results to the server. NOTE: Will be ignored if any of the tests are disabled\n"
    " -nu, --noupload - Disable uploading results to the server\n"
    "      If neither --upload, not --noupload is set, then it will ask the user whether or not to upload)\n"
    " -s <filename>, --save <filename> - Saves the results to the given filename\n"
    " -sd, --savedefault - Automatically saves to the default filename which is in the following format: \n"
    "        <card-name>__<date>.kvdresult\n"
    " -ns, --nosave - Do not save the results to disk.\n"
    "     If -save, --savedefault, and --nosave are all not used, then the user will be asked wether or not the result should be saved to the default filename\n"
    " -so, --saveoverwrite - If the save file already exists, overwrite it (if unset, then the user will be asked what to do if this happens)\n"
    "  -tc, --testconnection - This will test the connection to the Ostrand server. If this option is set, then no tests are performed, and all other options are ignored\n"
    "  -y, --yestoall - No prompts are shown, with the program behaving as if yes were clicked for all prompts. WARNING: Be careful with this option as you could accidentally overwrite files (the \"file exists\" message box will NOT show)\n"
    "\n"
    "\n")


# One virtual display for every run of this module, also the console-only ones: a Wine
# program started without a display brings up Wine's desktop process without one, and message
# boxes of programs started on a display shortly afterwards (while the same wineserver lives)
# then fail at once, as if answered No.
_display = None


def _wait_for_wineserver_exit():
    """Lets the prefix's wineserver (and its desktop process) end, so the next program starts
    them afresh on this module's display."""
    wineserver = shutil.which("wineserver") or shutil.which("wineserver-stable")
    if wineserver:
        try:
            subprocess.run([wineserver, "-w"], env=wine_environment(_display.name), timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            pass


def _shared_display():
    """The module's display, made on first use and closed when the test process ends (the
    harness that loads this module does not run module fixtures)."""
    global _display
    if _display is None:
        _display = VirtualDisplay("320x240x24").__enter__()
        _wait_for_wineserver_exit()
        atexit.register(_close_display)
    return _display


def _close_display():
    _wait_for_wineserver_exit()
    _display.__exit__(None, None, None)


def run_korvid(program, args, **kwargs):
    return run_windows_program(program, args, display=_shared_display().name, **kwargs)


def require_program(test):
    if not korvid_exe().exists():
        test.skipTest(f"{korvid_exe()} is not built")


class CommandLineEndingsTest(unittest.TestCase):
    def setUp(self):
        require_program(self)

    def test_help_prints_banner_and_help_and_ends_without_pause(self):
        for option in ("-h", "--help", "?"):
            with self.subTest(option=option), tempfile.TemporaryDirectory() as folder:
                # A file whose name "?" would match if the runtime expanded wildcards.
                pathlib.Path(folder, "a").write_text("")
                # No input at all: a pause would still end, so its text is what shows it.
                code, out = run_korvid(korvid_exe(), [option], cwd=folder,
                                                stdin_text="", timeout=120)
                self.assertEqual(code, 0)
                self.assertEqual(out, BANNER + HELP)
                self.assertEqual(os.listdir(folder), ["a"])
                code, out = run_korvid(korvid_exe(), ["*"], cwd=folder,
                                                stdin_text="", timeout=120)
                self.assertEqual(code, 10)
                self.assertIn("ERROR: Unrecognised command line option.*\n\n", out)

    def test_unrecognised_option_prints_it_then_help_and_ends_with_10(self):
        for option in ("-x", "-H", "--Help", "-y=1"):
            with self.subTest(option=option):
                code, out = run_korvid(korvid_exe(), ["-nf", option, "-h"],
                                                stdin_text="", timeout=120)
                self.assertEqual(code, 10)
                self.assertEqual(out, BANNER + "ERROR: Unrecognised command line option." +
                                 option + "\n\n" + HELP)


class CancelledRunTest(unittest.TestCase):
    """The first question of a run, answered "Cancel": the run ends with the pause, exit 0."""

    def setUp(self):
        require_program(self)
        if not shutil.which("xdotool"):
            self.skipTest("xdotool is needed to answer the message box")

    def test_cancel_at_the_confirmation(self):
        with tempfile.TemporaryDirectory() as folder:
            # Tab moves from "Continue" to "Cancel"; space presses it.
            answerer = BoxAnswerer(_shared_display().name, answers=["Tab space"], timeout=240)
            answerer.start()
            try:
                code, out = run_korvid(korvid_exe(), ["-nu", "-ns"], cwd=folder, timeout=300)
            finally:
                answerer.stop()
            self.assertEqual(answerer.seen, ["Korvid"], out)
            self.assertEqual(code, 0)
            self.assertTrue(out.startswith(BANNER + "System Information:\n"), out)
            self.assertIn("\nMeasuring clock granularity...\nClock granularity is", out)
            self.assertTrue(out.endswith(" seconds each.\n\nUser cancelled. Exiting.\n\n\n"
                                         "Press ENTER to exit\n"), out)
            self.assertEqual(os.listdir(folder), [])


def _server_env():
    names = ("KORVID_TEST_HTTPS_URL", "KORVID_TEST_CONTROL_URL", "KORVID_TEST_CA_FILE",
             "KORVID_TEST_CLIENT_KEY")
    if not all(os.environ.get(n) for n in names):
        return None
    return {n: os.environ[n] for n in names}


def _built_in(name):
    """A value of the generated BuildConfig.h beside the program that is tested."""
    config = korvid_exe().parent / "generated" / "BuildConfig.h"
    match = re.search(r'#define ' + name + r' "([^"]*)"', config.read_text())
    return match.group(1) if match else None


def _unused_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ConnectionTest(unittest.TestCase):
    """"-tc" against the local results server. The program knows only its built-in server, so
    each test runs a copy whose API address is replaced, byte for byte, by the local one (the
    rest of the string buffer filled with NULs), with the test CA as its CA bundle."""

    counter = 0

    def setUp(self):
        require_program(self)
        self.env = _server_env()
        if not self.env:
            self.skipTest("no local results server (KORVID_TEST_* variables)")
        self.api = _built_in("KORVID_API_URL")
        key = _built_in("KORVID_CLIENT_KEY")
        if not self.api or key != self.env["KORVID_TEST_CLIENT_KEY"]:
            self.skipTest("the program's client key is not the test server's")
        ConnectionTest.counter += 1
        self.session = f"k{ConnectionTest.counter}"
        self._control("reset")
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def _control(self, command, query=""):
        url = self.env["KORVID_TEST_CONTROL_URL"] + self.session + "/" + command
        if query:
            url += "?" + query
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(url, timeout=30) as reply:
            return reply.read().decode()

    def _program_for(self, api_url, folder=None):
        """A copy of korvid.exe in folder (default: the test's own) that talks to api_url, with
        the test CA beside it."""
        image = korvid_exe().read_bytes()
        old = self.api.encode() + b"\0"
        new = api_url.encode()
        if len(new) > len(old) - 1:
            self.skipTest(f"the local address {api_url} is longer than the built-in {self.api}")
        self.assertGreaterEqual(image.count(old), 1, "the built-in address is in the program")
        image = image.replace(old, new + b"\0" * (len(old) - len(new)))
        folder = pathlib.Path(folder or self.folder.name)
        program = folder / "korvid.exe"
        program.write_bytes(image)
        shutil.copyfile(self.env["KORVID_TEST_CA_FILE"], folder / "curl-ca-bundle.crt")
        return program

    def _local_api(self):
        port = re.search(r"://[^/:]+:(\d+)/", self.env["KORVID_TEST_HTTPS_URL"]).group(1)
        return f"https://localhost:{port}/s/{self.session}/api/v1/"

    def test_working_connection_ends_with_0(self):
        program = self._program_for(self._local_api())
        code, out = run_korvid(program, ["-tc"], cwd=self.folder.name,
                                        stdin_text="", timeout=120)
        self.assertEqual(out, BANNER + "Testing the connection to the server...\n"
                              "Successfully made a connection to the server. Test complete.\n")
        self.assertEqual(code, 0)
        self.assertGreaterEqual(int(self._control("requests/count")), 1)

    def test_a_folder_the_ansi_code_page_cannot_spell_keeps_the_certificate_check(self):
        # Under Wine here the ANSI code page is Windows-1252, which has no Cyrillic letters.
        folder = pathlib.Path(self.folder.name) / "Зоя"
        folder.mkdir()
        program = self._program_for(self._local_api(), folder)
        code, out = run_korvid(program, ["-y", "-tc"], cwd=str(folder), stdin_text="",
                               timeout=120)
        self.assertEqual(out, BANNER + "Testing the connection to the server...\n"
                              "Successfully made a connection to the server. Test complete.\n")
        self.assertEqual(code, 0)

    def test_debug_level_and_verbose_reach_the_client(self):
        # A first exchange with a fresh session: the lookup finds nothing, the record is posted.
        # Level 2 shows the client's own lines of that level and nothing of level 3 or more.
        api = self._local_api()
        program = self._program_for(api)
        lines = ("(2) Preparing object of type: BenchmarkOperatingSystem\n"
                 "(2) Getting ID for an object of type BenchmarkOperatingSystem from the server.\n"
                 "(2) Search query: " + api + "BenchmarkOperatingSystem?Name=AmigaOS&\n"
                 "(2) Submitting an object of type BenchmarkOperatingSystem from the server.\n"
                 "(2) Submission of an object of type BenchmarkOperatingSystem is done.\n"
                 "(2) Object of type: BenchmarkOperatingSystem has been prepared for use \n")
        for options in (["-d", "2"], ["-v"]):
            self._control("reset")
            code, out = run_korvid(program, options + ["-tc"], cwd=self.folder.name,
                                   stdin_text="", timeout=120)
            self.assertEqual(out, BANNER + "Testing the connection to the server...\n" + lines +
                             "Successfully made a connection to the server. Test complete.\n")
            self.assertEqual(code, 0)

    def test_server_down_prints_the_failure_and_ends_with_10(self):
        program = self._program_for(f"https://localhost:{_unused_port()}/api/v1/")
        code, out = run_korvid(program, ["-y", "-tc"], cwd=self.folder.name,
                                        stdin_text="", timeout=120)
        self.assertEqual(code, 10)
        self.assertTrue(out.startswith(BANNER + "Testing the connection to the server...\n"
                                       "Connection to the server failed with the following "
                                       "message (7) "), out)
        self.assertTrue(out.endswith("\nTest failed.\n"), out)
        self.assertNotIn("Press ENTER", out)

    def test_refused_login_asks_even_with_yes_to_all_and_ends_with_10(self):
        if not shutil.which("xdotool"):
            self.skipTest("xdotool is needed to answer the message box")
        self._control("fault", "status=401&count=-1")
        program = self._program_for(self._local_api())
        answerer = BoxAnswerer(_shared_display().name, answers=["n"], timeout=120)
        answerer.start()
        try:
            code, out = run_korvid(program, ["-y", "-tc"], cwd=self.folder.name, stdin_text="",
                                   timeout=180)
        finally:
            answerer.stop()
        self.assertEqual(answerer.seen, ["Korvid"], out)
        self.assertEqual(code, 10)
        self.assertTrue(out.startswith(BANNER + "Testing the connection to the server...\n"
                                       "Connection to the server failed with HTTP response "
                                       "code: 401, and message: "), out)
        self.assertTrue(out.endswith("Test failed.\n"), out)


if __name__ == "__main__":
    unittest.main()
