"""The Debian package of korvid-server as a host meets it: made by scripts/package-server in a
fresh clone (as its user with sudo, tests/harness/fresh_clone.py), then installed on this
machine with dpkg -i, its systemd unit checked by systemd-analyze verify, the installed server
started with the installed configuration (under systemd where systemd runs, else by hand as
the package's user), and removed and purged with the data left in place.

Installing needs root (or sudo without a password); a machine where korvid-server is installed
already, or where /var/lib/korvid-server holds data that no earlier run of this test made, is
left alone and the installation tests are skipped with the reason."""
import grp
import os
import pathlib
import pwd
import re
import shutil
import stat
import subprocess
import tempfile
import unittest

from harness.fresh_clone import FreshClone
from server.korvid_server_process import KorvidServer, api_request, fetch

STATE = pathlib.Path("/var/lib/korvid-server")
MARKER = STATE / ".made-by-korvid-package-test"
CONFIG = "/etc/korvid-server/korvid-server.conf"
UNIT = "/lib/systemd/system/korvid-server.service"
PACKAGE_FILES = {
    "./etc/korvid-server/korvid-server.conf",
    "./lib/systemd/system/korvid-server.service",
    "./lib/systemd/system/korvid-server@.service",
    "./usr/bin/korvid-server",
    "./usr/share/doc/korvid-server/deploying.md",
    "./usr/share/doc/korvid-server/results-server.md",
    "./usr/share/doc/korvid-server/examples/nginx-korvid.conf",
}


def as_root(*args, **kwargs):
    prefix = [] if os.geteuid() == 0 else ["sudo", "-n"]
    return subprocess.run(prefix + [str(a) for a in args], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, **kwargs)


def installed():
    done = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "korvid-server"],
                          capture_output=True, text=True)
    return done.returncode == 0 and "installed" in done.stdout.split()[-1:]


def section_headers(path):
    return subprocess.run(["readelf", "-S", "-W", str(path)], capture_output=True, text=True,
                          check=True).stdout


def build_id(path):
    notes = subprocess.run(["readelf", "-n", str(path)], capture_output=True, text=True,
                           check=True).stdout
    return re.search(r"Build ID: ([0-9a-f]+)", notes).group(1)


class Package:
    """What scripts/package-server made in the fresh clone, made once for the run."""
    made = None

    @classmethod
    def get(cls):
        if cls.made is None:
            clone = FreshClone.get()
            done = clone.run(["scripts/package-server"], timeout=1800)
            if done.returncode != 0:
                raise AssertionError("scripts/package-server failed:\n" + done.stdout[-4000:])
            made = cls()
            made.output = done.stdout
            # The build's own version: the release number, then the commit's time and hash.
            shown = subprocess.run([str(clone.path / "build" / "release" / "server" / "korvid-server"),
                                    "--version"], capture_output=True, text=True, timeout=60).stdout
            made.version = shown.strip().split(" ", 1)[-1]
            made.shown = shown
            dist = clone.path / "build" / "dist"
            made.deb = dist / ("korvid-server_%s_amd64.deb" % made.version)
            made.dbgsym = dist / ("korvid-server-dbgsym_%s_amd64.deb" % made.version)
            cls.made = made
        return cls.made


class ServerPackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        package = Package.get()
        cls.output, cls.version, cls.deb, cls.dbgsym = (package.output, package.version,
                                                        package.deb, package.dbgsym)
        cls.shown = package.shown
        cls.unpacked = pathlib.Path(tempfile.mkdtemp(prefix="korvid-deb-"))
        for deb in (cls.deb, cls.dbgsym):
            subprocess.run(["dpkg-deb", "-x", str(deb), str(cls.unpacked)], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.unpacked, ignore_errors=True)

    def field(self, name, deb=None):
        return subprocess.run(["dpkg-deb", "-f", str(deb or self.deb), name], capture_output=True,
                              text=True, check=True).stdout.strip()

    def test_the_script_says_what_it_made(self):
        self.assertEqual(self.output.splitlines()[-1],
                         "package-server: packed %s and %s" % (self.deb, self.dbgsym))

    def test_holds_the_program_its_unit_its_configuration_and_the_documents(self):
        listing = subprocess.run(["dpkg-deb", "-c", str(self.deb)], capture_output=True, text=True,
                                 check=True).stdout
        files = {line.split()[-1] for line in listing.splitlines() if not line.startswith("d")}
        self.assertEqual(files, PACKAGE_FILES)
        self.assertEqual(self.field("Package"), "korvid-server")
        self.assertEqual(self.field("Version"), self.version)
        # A tree without its git history (a copied clone) is the release number alone.
        self.assertRegex(self.shown, r"^korvid-server 2\.9(\+git[0-9]{14}\.[0-9a-f]{7,})?\n$")
        self.assertEqual(self.field("Architecture"), "amd64")
        depends = [d.split()[0] for d in self.field("Depends").split(", ")]
        for library in ("adduser", "libc6", "libsoci-core4.0", "libsoci-sqlite3-4.0",
                        "libsoci-postgresql4.0", "libsqlite3-0", "libpq5", "libssl3"):
            self.assertIn(library, depends)
        control = subprocess.run(["dpkg-deb", "--ctrl-tarfile", str(self.deb)], capture_output=True,
                                 check=True).stdout
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["tar", "-x", "-C", folder], input=control, check=True)
            self.assertEqual(pathlib.Path(folder, "conffiles").read_text(), CONFIG + "\n")

    def test_the_program_is_stripped_and_its_symbols_are_apart(self):
        program = self.unpacked / "usr" / "bin" / "korvid-server"
        headers = section_headers(program)
        self.assertNotIn(".debug_info", headers)
        self.assertNotIn(".symtab", headers)
        self.assertIn(".gnu_debuglink", headers)
        identity = build_id(program)
        symbols = self.unpacked / "usr/lib/debug/.build-id" / identity[:2] / (identity[2:] + ".debug")
        self.assertIn(".debug_info", section_headers(symbols))
        self.assertEqual(build_id(symbols), identity)
        self.assertEqual(self.field("Depends", self.dbgsym), "korvid-server (= %s)" % self.version)
        # The release build: no sanitizer in it.
        dynamic = subprocess.run(["nm", "-D", str(program)], capture_output=True, text=True).stdout
        self.assertNotIn("__asan", dynamic)
        self.assertNotIn("__ubsan", dynamic)


    def test_the_configuration_file_holds_every_option(self):
        program = self.unpacked / "usr" / "bin" / "korvid-server"
        help_text = subprocess.run([str(program), "--help"], capture_output=True, text=True, check=True).stdout
        options = set(re.findall(r"^  --([a-z-]+)", help_text, re.M)) - {"config", "help", "version"}
        self.assertIn("max-body", options)
        config = (self.unpacked / CONFIG.lstrip("/")).read_text()
        named = set(re.findall(r"^(?:# )?([a-z-]+) = ", config, re.M))
        self.assertEqual(options - named, set(), "options the file does not show")
        self.assertEqual(named - options, set(), "names in the file that are no option")
        # What the package sets, rather than shows: SQLite in the state folder, the loopback.
        active = dict(re.findall(r"^([a-z-]+) = (.*)$", config, re.M))
        self.assertEqual(active, {"database": "sqlite:/var/lib/korvid-server/korvid-results.db",
                                  "http": "127.0.0.1:8080", "packages": "/var/lib/korvid-server/packages"})


class InstalledServerTest(unittest.TestCase):
    """Install, verify, serve, remove, purge: one test, since each step needs the one before."""

    def setUp(self):
        if os.geteuid() != 0 and as_root("true").returncode != 0:
            self.skipTest("installing a package needs root or sudo without a password")
        if installed():
            self.skipTest("korvid-server is installed on this machine; the test would replace it")
        if STATE.exists() and not MARKER.exists():
            self.skipTest("%s holds data that this test did not make" % STATE)
        self.deb = Package.get().deb
        self.addCleanup(self.clean_up)

    def clean_up(self):
        if installed():
            as_root("dpkg", "--purge", "korvid-server")
        as_root("rm", "-rf", str(STATE))
        as_root("userdel", "korvid-server")

    def test_installs_serves_and_leaves_the_data_when_removed(self):
        done = as_root("dpkg", "-i", self.deb, timeout=300)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        as_root("touch", MARKER)

        # Its own system user, owning the state folder; the configuration readable by it alone.
        user = pwd.getpwnam("korvid-server")
        self.assertLess(user.pw_uid, 1000)
        self.assertEqual(user.pw_shell, "/usr/sbin/nologin")
        self.assertEqual(grp.getgrgid(user.pw_gid).gr_name, "korvid-server")
        state = os.stat(STATE)
        self.assertEqual((state.st_uid, stat.S_IMODE(state.st_mode)), (user.pw_uid, 0o750))
        config = os.stat(CONFIG)
        self.assertEqual((config.st_uid, config.st_gid, stat.S_IMODE(config.st_mode)),
                         (0, user.pw_gid, 0o640))

        for unit in (UNIT, "korvid-server@second.service"):
            done = subprocess.run(["systemd-analyze", "verify", unit], capture_output=True, text=True)
            self.assertEqual((done.returncode, done.stdout + done.stderr), (0, ""), unit)

        if os.path.isdir("/run/systemd/system"):
            self.check_served_by_systemd()
        else:
            self.check_served_by_hand(user)

        done = as_root("dpkg", "--remove", "korvid-server")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertFalse(os.path.exists("/usr/bin/korvid-server"))
        self.assertTrue(os.path.exists(CONFIG), "a removal keeps the configuration")
        self.assertTrue((STATE / "korvid-results.db").is_file(), "a removal keeps the results")
        done = as_root("dpkg", "--purge", "korvid-server")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertFalse(os.path.exists(CONFIG))
        self.assertTrue((STATE / "korvid-results.db").is_file(), "a purge keeps the results")

    def check_served_by_systemd(self):
        done = subprocess.run(["systemctl", "is-active", "korvid-server"], capture_output=True, text=True)
        self.assertEqual(done.stdout.strip(), "active", done.stderr)
        self.assertEqual(fetch("http://127.0.0.1:8080/healthz")[::2], (200, b"ok\n"))

    def check_served_by_hand(self, user):
        # As the service would run it, but on a free port: the command line wins over the file.
        with KorvidServer.with_command(["setpriv", "--reuid=%d" % user.pw_uid, "--regid=%d" % user.pw_gid,
                                        "--init-groups", "--", "/usr/bin/korvid-server", "--config",
                                        CONFIG, "--http", "127.0.0.1:0"], STATE) as server:
            self.assertEqual(len(server.listeners), 1, server.listeners)
            url = server.url("http")
            self.assertNotIn(":8080/", url)
            self.assertEqual(fetch(url + "healthz")[::2], (200, b"ok\n"))
            # The default login of a new database, in the database the file names.
            status, _, body = api_request(url + "api/v1/", "GET", "BenchmarkCPU?Name=none&")
            self.assertEqual((status, body.strip()), (200, b"<SearchResponse/>"))
        self.assertEqual(server.returncode, 0, server.log[-2000:])
        database = os.stat(STATE / "korvid-results.db")
        self.assertEqual(database.st_uid, user.pw_uid)


if __name__ == "__main__":
    unittest.main()
