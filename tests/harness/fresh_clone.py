"""A clone of this work tree as a new user gets it: the files git would give (tracked, and new
ones not ignored), no build/, owned by a user who is not root but may use sudo, as the README
offers ("root or sudo"). When the tests run as root, that user is made for the run
(korvid-sudo-test, with sudo without a password) and removed at its end; otherwise it is the
user running the tests, when sudo works for them without a password, and the clone is skipped
with the reason when it does not.

One clone per test run, in build/fresh-clone/ (left there after the run for a look at what
failed): the first test that asks for it makes it, later ones reuse what earlier ones built.
When that user cannot reach build/ (a work tree under a folder only its owner may enter, as
root's home is), the clone goes to a folder of its own under /tmp instead, named after the work
tree, and is left there the same way.
"""
import atexit
import hashlib
import os
import pathlib
import pwd
import shutil
import signal
import subprocess
import time
import unittest

from harness.korvid_wine import BUILD, ROOT

TEST_USER = "korvid-sudo-test"
SUDOERS = pathlib.Path("/etc/sudoers.d") / TEST_USER
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"


def _quiet(*args, **kwargs):
    return subprocess.run(list(args), stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          **kwargs)


class FreshClone:
    _made = None
    _refused = None

    def __init__(self):
        self.path = None
        self.made_user = False
        self.user = None

    @classmethod
    def get(cls):
        """The clone, made on first use; raises unittest.SkipTest with the reason when no user
        with sudo can be had."""
        if cls._refused:
            raise unittest.SkipTest(cls._refused)
        if cls._made is None:
            clone = cls()
            try:
                clone._make()
            except unittest.SkipTest as reason:
                cls._refused = str(reason)
                raise
            atexit.register(clone._remove_user)
            cls._made = clone
        return cls._made

    # -- the user --------------------------------------------------------------------------

    def _make_user(self):
        if os.geteuid() != 0:
            if _quiet("sudo", "-n", "true").returncode != 0:
                raise unittest.SkipTest("neither root nor a user with sudo without a password: "
                                        "no user with sudo to run a fresh clone as")
            self.user = pwd.getpwuid(os.geteuid())
            return
        if not shutil.which("sudo"):
            raise unittest.SkipTest("sudo is not installed (scripts/setup installs it)")
        try:
            pwd.getpwnam(TEST_USER)
        except KeyError:
            done = _quiet("useradd", "--create-home", "--user-group", "--shell", "/bin/bash", TEST_USER)
            if done.returncode != 0:
                raise unittest.SkipTest("cannot make the user %s: %s" % (TEST_USER, done.stderr.strip()))
        self.made_user = True
        SUDOERS.write_text("%s ALL=(ALL:ALL) NOPASSWD: ALL\n" % TEST_USER)
        SUDOERS.chmod(0o440)
        self.user = pwd.getpwnam(TEST_USER)
        done = self.run(["sudo", "-n", "true"], cwd="/")
        if done.returncode != 0:
            raise unittest.SkipTest("sudo does not work for %s: %s" % (TEST_USER, done.stdout.strip()))

    def _remove_user(self):
        self._end_server()
        if not self.made_user:
            return
        SUDOERS.unlink(missing_ok=True)
        # Wine's server of the user's prefix outlives the programs by a few seconds.
        self.run(["sh", "-c", "wineserver -k 2>/dev/null; true"],
                 env={"WINEPREFIX": str(self.path / "build" / "wineprefix")}, cwd="/")
        for _ in range(20):
            if _quiet("userdel", "--remove", TEST_USER).returncode in (0, 6):
                return
            time.sleep(0.5)

    # -- the clone -------------------------------------------------------------------------

    def _end_server(self):
        """A korvid-server that scripts/serve --detach started in the clone, stopped by its
        process ID (a test that failed half-way may have left one)."""
        pid_file = self.path / "build" / "server" / "korvid-server.pid"
        try:
            pid = int(pid_file.read_text())
            os.kill(pid, signal.SIGTERM)
            for _ in range(100):
                os.kill(pid, 0)
                time.sleep(0.1)
            os.kill(pid, signal.SIGKILL)
        except (OSError, ValueError):
            pass

    def _place(self):
        """build/fresh-clone when the clone's user can enter build/; otherwise a folder under
        /tmp that only this work tree uses."""
        if os.geteuid() != 0 or self.run(["test", "-x", str(BUILD)], cwd="/").returncode == 0:
            return BUILD / "fresh-clone"
        tree = hashlib.sha256(str(ROOT).encode()).hexdigest()[:12]
        return pathlib.Path("/tmp") / ("korvid-fresh-clone-" + tree)

    def _make(self):
        self._make_user()
        self.path = self._place()
        self._end_server()
        shutil.rmtree(self.path, ignore_errors=True)
        listed = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z", "--cached", "--others",
                                 "--exclude-standard"], capture_output=True, check=True).stdout
        for name in sorted(set(listed.decode().split("\0")) - {""}):
            source = ROOT / name
            if not source.is_file() or name.startswith("build/"):
                continue  # deleted in the work tree and not yet committed
            target = self.path / name
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, target)
        if os.geteuid() == 0:
            for folder, subfolders, files in os.walk(self.path):
                for name in [folder] + [os.path.join(folder, n) for n in subfolders + files]:
                    os.lchown(name, self.user.pw_uid, self.user.pw_gid)

    def run(self, args, env=None, cwd=None, timeout=600):
        """Runs args as the clone's user in the clone, with a login's plain environment (no
        display) plus env; returns the CompletedProcess, standard error merged into text
        standard output."""
        environment = {"HOME": self.user.pw_dir, "USER": self.user.pw_name,
                       "LOGNAME": self.user.pw_name, "PATH": PATH, "LANG": "C.UTF-8",
                       "SHELL": "/bin/bash"}
        environment.update(env or {})
        command = list(map(str, args))
        if os.geteuid() == 0:
            command = ["setpriv", "--reuid=%d" % self.user.pw_uid, "--regid=%d" % self.user.pw_gid,
                       "--init-groups", "--"] + command
        return subprocess.run(command, cwd=str(cwd or self.path), env=environment,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, errors="replace",
                              timeout=timeout)

    def files_of_others(self):
        """Paths in the clone that belong to another user than the clone's: what a script
        wrote there through sudo, or as root."""
        found = []
        for folder, subfolders, files in os.walk(self.path):
            for name in [folder] + [os.path.join(folder, n) for n in subfolders + files]:
                if os.lstat(name).st_uid != self.user.pw_uid:
                    found.append(os.path.relpath(name, self.path))
        return found
