"""The README's road from a fresh clone, as a user with sudo (tests/harness/fresh_clone.py):
scripts/serve --detach builds the release korvid-server and serves, a short
scripts/run --with-server builds korvid.exe for it, runs it on a small virtual display,
uploads and prints the result page, which answers; scripts/serve --stop ends the server. No
script leaves a file of another user in the clone. And scripts/setup, as that user, builds the
Windows libraries into a folder under /opt that only root may write, through sudo."""
import os
import pathlib
import subprocess
import unittest

from harness.fresh_clone import FreshClone
from server.korvid_server_process import fetch
from server.server_fixtures import free_ports


def steps(output, script):
    return [line for line in output.splitlines() if line.startswith(script + ": ")]


class FreshCloneRoadTest(unittest.TestCase):
    def test_serve_run_with_server_and_stop(self):
        clone = FreshClone.get()
        root = clone.path
        https, http = free_ports(2)

        done = clone.run(["scripts/serve", "--detach", "--https", https, "--http", http], timeout=1800)
        self.assertEqual(done.returncode, 0, done.stdout[-4000:])
        self.assertEqual(steps(done.stdout, "serve")[:3], [
            "serve: building korvid-server in %s/build/release (log in %s/build/server/build.log)"
            % (root, root),
            "serve: making a local CA in %s/build/server" % root,
            "serve: making a server certificate for localhost"], done.stdout)
        self.assertIn("\nkorvid-server ready: https://127.0.0.1:%d/ http://127.0.0.1:%d/\n" % (https, http),
                      "\n" + done.stdout)
        self.assertIn("\nServing in the background (log %s/build/server/korvid-server.log); "
                      "scripts/serve --stop ends it.\n" % root, done.stdout)
        pid = int((root / "build" / "server" / "korvid-server.pid").read_text())
        # The release build, without sanitizers, as the user.
        executable = root / "build" / "release" / "server" / "korvid-server"
        self.assertEqual(os.readlink("/proc/%d/exe" % pid), str(executable))
        self.assertEqual(os.stat("/proc/%d" % pid).st_uid, clone.user.pw_uid)
        symbols = subprocess.run(["nm", "-D", str(executable)], capture_output=True, text=True).stdout
        self.assertNotIn("__asan_init", symbols)
        self.assertNotIn("__ubsan_handle", symbols)
        self.assertEqual(fetch("http://127.0.0.1:%d/Benchmark/Korvid/" % http)[0], 200)

        # A full run (only those upload) kept short: GDI on a 320x240 display.
        done = clone.run(["scripts/run", "--with-server", "-y", "-u", "-ns"], timeout=1800,
                         env={"KORVID_DISPLAY_SIZE": "320x240", "WINEDLLOVERRIDES": "d2d1=d"})
        self.assertEqual(done.returncode, 0, done.stdout[-4000:])
        page = "http://localhost:%d/Benchmark/Korvid/Result/1" % http
        self.assertEqual(steps(done.stdout, "run"), [
            "run: korvid-server is serving already (scripts/serve --detach); using it",
            "run: korvid-server serves https://localhost:%d/api/v1/; building korvid.exe for it in "
            "%s/build/windows-server" % (https, root),
            "run: result page: " + page,
            "run: korvid-server keeps serving in the background; scripts/serve --stop ends it"],
            done.stdout[-4000:])
        self.assertIn("\nResult URL: %s\n" % page, done.stdout)
        reply = fetch(page.replace("localhost", "127.0.0.1"))
        self.assertEqual(reply.status, 200)
        self.assertIn("<title>Result 1: ", reply.text)

        done = clone.run(["scripts/serve", "--stop"])
        self.assertEqual((done.returncode, done.stdout), (0, "serve: stopped\n"))
        self.assertFalse(os.path.exists("/proc/%d" % pid), "korvid-server still runs")
        with self.assertRaises(OSError):
            fetch("http://127.0.0.1:%d/Benchmark/Korvid/" % http)
        self.assertEqual(clone.files_of_others(), [])

    def test_setup_writes_the_windows_libraries_through_sudo(self):
        clone = FreshClone.get()
        deps = pathlib.Path("/opt/korvid-deps-fresh-clone-test")

        def remove():
            subprocess.run(([] if os.geteuid() == 0 else ["sudo", "-n"]) + ["rm", "-rf", str(deps)], check=True)

        remove()
        self.addCleanup(remove)
        done = clone.run(["scripts/setup"], env={"KORVID_DEPS": str(deps)}, timeout=1200)
        self.assertEqual(done.returncode, 0, done.stdout[-4000:])
        self.assertEqual([line for line in done.stdout.splitlines() if line.startswith("setup: ")], [
            "setup: Debian packages present",
            "setup: header-only libraries linked under %s/include" % deps,
            "setup: fetching and unpacking Debian's mbedtls source",
            "setup: fetching and unpacking Debian's curl source",
            "setup: building mbedTLS for Windows",
            "setup: building libcurl (mbedTLS) for Windows",
            "setup: static libcurl for Windows installed in %s/x86_64-w64-mingw32" % deps], done.stdout[-4000:])
        prefix = deps / "x86_64-w64-mingw32"
        for built in ("lib/libcurl.a", "lib/libmbedtls.a", "include/curl/curl.h", ".korvid-curl-ok"):
            self.assertTrue((prefix / built).is_file(), built)
        self.assertEqual(os.stat(deps).st_uid, 0, "written through sudo, as root")
        # A second run finds everything and changes nothing.
        done = clone.run(["scripts/setup"], env={"KORVID_DEPS": str(deps)}, timeout=300)
        self.assertEqual((done.returncode, done.stdout.splitlines()[-1]),
                         (0, "setup: static libcurl for Windows present in %s" % prefix))


if __name__ == "__main__":
    unittest.main()
