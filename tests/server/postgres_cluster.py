#!/usr/bin/env python3
"""A throw-away PostgreSQL 15 cluster for tests: initdb in a temporary folder, a server on a
free 127.0.0.1 port with trust authentication on loopback only, a database "korvid", and
removal of everything on stop. Debian's binaries (/usr/lib/postgresql/15/bin) refuse to run as
root, so as root the cluster belongs to an unprivileged user ("postgres", else "nobody") and
every binary runs as that user.

As a module:

    cluster = PostgresCluster().start()      # raises PostgresUnavailable with the reason
    url = cluster.url                        # postgresql://postgres@127.0.0.1:PORT/korvid
    test_url = create_database(url)          # a fresh database with a unique name
    rows = query(test_url, "SELECT 1")       # through psql: a list of rows of strings
    with connections_refused(test_url):  # as a database that went away: sessions ended
        ...
    drop_database(test_url)
    cluster.stop()

create_database, drop_database and query take the URL of any PostgreSQL server (for example
KORVID_TEST_POSTGRES_URL), not only of a cluster started here.

As a program (scripts/test):

    postgres_cluster.py start DIR   starts a cluster and writes DIR/postgres.env, a line
                                    export KORVID_TEST_POSTGRES_URL=postgresql://...
                                    and prints the URL; when PostgreSQL cannot be had it writes
                                    export KORVID_TEST_POSTGRES_UNAVAILABLE='reason' instead,
                                    prints the reason and exits 1
    postgres_cluster.py stop DIR    stops that cluster and removes its folder
"""
import argparse
import contextlib
import os
import pathlib
import pwd
import shlex
import shutil
import socket
import subprocess
import sys
import tempfile
import urllib.parse
import uuid

PG_BIN = pathlib.Path(os.environ.get("KORVID_POSTGRES_BIN", "/usr/lib/postgresql/15/bin"))
SUPERUSER = "postgres"
DATABASE = "korvid"
URL_VARIABLE = "KORVID_TEST_POSTGRES_URL"
UNAVAILABLE_VARIABLE = "KORVID_TEST_POSTGRES_UNAVAILABLE"

# Settings for a cluster that lives for one test run: nothing needs to survive a crash.
SERVER_SETTINGS = {
    "listen_addresses": "127.0.0.1",
    "unix_socket_directories": "",
    "max_connections": "200",
    "fsync": "off",
    "synchronous_commit": "off",
    "full_page_writes": "off",
    "log_min_messages": "warning",
}


class PostgresUnavailable(RuntimeError):
    """PostgreSQL cannot be installed here or does not start; str() is the reason, one line."""


def unavailable_reason():
    """Why no cluster can be started here, or None when the binaries are present."""
    for program in ("initdb", "pg_ctl", "postgres"):
        if not (PG_BIN / program).is_file():
            return ("PostgreSQL 15 is not installed (no %s; Debian's package postgresql-15 "
                    "provides it)" % (PG_BIN / program))
    if not shutil.which("psql"):
        return "psql is not installed (Debian's package postgresql-client-15)"
    if os.geteuid() == 0 and _unprivileged_user() is None:
        return "running as root, and there is no user 'postgres' or 'nobody' to run PostgreSQL as"
    return None


def _unprivileged_user():
    for name in ("postgres", "nobody"):
        try:
            return pwd.getpwnam(name)
        except KeyError:
            continue
    return None


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _one_line(text):
    lines = [l.strip() for l in text.strip().splitlines() if l.strip()]
    return lines[-1] if lines else ""


class PostgresCluster:
    """One cluster in a temporary folder of its own (under `parent`, default the system's),
    with the server settings given (default SERVER_SETTINGS)."""

    def __init__(self, parent=None, settings=None):
        self.parent = parent
        self.settings = settings
        self.directory = None
        self.port = None
        self.user = None  # the pwd entry the binaries run as, or None for the current user

    @property
    def data(self):
        return self.directory / "data"

    @property
    def log_file(self):
        return self.directory / "postgres.log"

    @property
    def server_url(self):
        return "postgresql://%s@127.0.0.1:%d/postgres" % (SUPERUSER, self.port)

    @property
    def url(self):
        return "postgresql://%s@127.0.0.1:%d/%s" % (SUPERUSER, self.port, DATABASE)

    def _run(self, program, *args, timeout=120):
        command = [str(PG_BIN / program), *map(str, args)]
        if self.user is not None:
            command = ["setpriv", "--reuid=%d" % self.user.pw_uid, "--regid=%d" % self.user.pw_gid,
                       "--init-groups", "--"] + command
        env = dict(os.environ, LC_ALL="C", LANG="C")
        if self.user is not None:
            env["HOME"] = self.user.pw_dir
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, env=env, timeout=timeout,
                              cwd=str(self.directory))

    def start(self, attempts=3):
        """Makes and starts the cluster; returns self. Raises PostgresUnavailable."""
        reason = unavailable_reason()
        if reason:
            raise PostgresUnavailable(reason)
        self.directory = pathlib.Path(tempfile.mkdtemp(prefix="korvid-postgres-", dir=self.parent))
        try:
            if os.geteuid() == 0:
                self.user = _unprivileged_user()
                os.chown(self.directory, self.user.pw_uid, self.user.pw_gid)
                # The user must reach the folder through its parents (a 0700 TMPDIR would not do).
                probe = self._run("pg_ctl", "--version")
                if probe.returncode != 0:
                    raise PostgresUnavailable("cannot run PostgreSQL as user %s: %s" % (
                        self.user.pw_name, _one_line(probe.stdout)))
            done = self._run("initdb", "-D", self.data, "-U", SUPERUSER, "-A", "trust",
                             "-E", "UTF8", "--no-locale", "--no-instructions")
            if done.returncode != 0:
                raise PostgresUnavailable("initdb failed: " + _one_line(done.stdout))
            with open(self.data / "pg_hba.conf", "w") as hba:
                hba.write("host all all 127.0.0.1/32 trust\n")
            last = ""
            for _ in range(attempts):
                self.port = free_port()
                options = " ".join("-c %s=%s" % (k, shlex.quote(v) if v else "''")
                                   for k, v in dict(self.settings or SERVER_SETTINGS,
                                                   port=str(self.port)).items())
                done = self._run("pg_ctl", "start", "-w", "-t", "60", "-D", self.data,
                                 "-l", self.log_file, "-o", options)
                if done.returncode == 0:
                    break
                last = self._log_tail() or _one_line(done.stdout)
            else:
                raise PostgresUnavailable("PostgreSQL did not start: " + last)
            query(self.server_url, "CREATE DATABASE %s" % DATABASE)
            return self
        except PostgresUnavailable:
            self.stop()
            raise
        except (OSError, subprocess.SubprocessError) as error:
            self.stop()
            raise PostgresUnavailable("PostgreSQL did not start: %s" % error) from error

    def _log_tail(self):
        try:
            lines = [l for l in self.log_file.read_text(errors="replace").splitlines()
                     if "FATAL" in l or "ERROR" in l]
        except OSError:
            return ""
        return lines[-1].strip() if lines else ""

    def stop(self):
        """Stops the server (fast shutdown: open sessions are ended) and removes the folder."""
        if self.directory is None:
            return
        if (self.data / "postmaster.pid").exists():
            self._run("pg_ctl", "stop", "-m", "fast", "-w", "-t", "60", "-D", self.data)
            if (self.data / "postmaster.pid").exists():
                self._run("pg_ctl", "stop", "-m", "immediate", "-w", "-t", "30", "-D", self.data)
        shutil.rmtree(self.directory, ignore_errors=True)
        self.directory = None

    def __enter__(self):
        return self.start() if self.directory is None else self

    def __exit__(self, *exc):
        self.stop()


# ---------------------------------------------------------------------------------------------
# Databases on any server, by URL


def with_database(url, name):
    """The same URL naming another database."""
    parts = urllib.parse.urlsplit(url)
    return urllib.parse.urlunsplit(parts._replace(path="/" + name))


def database_name(url):
    return urllib.parse.unquote(urllib.parse.urlsplit(url).path.lstrip("/"))


def query(url, sql, timeout=60):
    """Runs SQL through psql on the database the URL names; returns the rows of the last
    statement as lists of strings. A failure raises RuntimeError with psql's message."""
    done = subprocess.run(
        ["psql", "--no-psqlrc", "-X", "-q", "-A", "-t", "-F", "\x1f", "-v", "ON_ERROR_STOP=1",
         "-d", url, "-c", sql],
        stdin=subprocess.DEVNULL, capture_output=True, encoding="utf-8", errors="replace",
        timeout=timeout, env=dict(os.environ, PGCONNECT_TIMEOUT="10", PGCLIENTENCODING="UTF8"))
    if done.returncode != 0:
        raise RuntimeError("psql %r: %s" % (sql, done.stderr.strip()))
    return [line.split("\x1f") for line in done.stdout.splitlines() if line]


def create_database(url, prefix="korvid_test"):
    """Creates a database with a unique name on the server that the URL points at; returns the
    URL of the new database."""
    name = "%s_%s" % (prefix, uuid.uuid4().hex[:12])
    query(with_database(url, "postgres"), "CREATE DATABASE %s" % name)
    return with_database(url, name)


def drop_database(url):
    """Drops the database the URL names, ending any session still connected to it."""
    query(with_database(url, "postgres"), "DROP DATABASE IF EXISTS %s WITH (FORCE)" %
          database_name(url))


@contextlib.contextmanager
def connections_refused(url):
    """While the with-block runs, the database the URL names refuses new connections and the
    sessions it had are ended; afterwards it takes connections again."""
    name = database_name(url)
    admin = with_database(url, "postgres")
    query(admin, "ALTER DATABASE %s ALLOW_CONNECTIONS false" % name)
    try:
        query(admin, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%s'"
              % name)
        yield
    finally:
        query(admin, "ALTER DATABASE %s ALLOW_CONNECTIONS true" % name)


# ---------------------------------------------------------------------------------------------
# Command line: the cluster outlives the program, so its folder is noted in DIR.


def _state_file(directory):
    return pathlib.Path(directory) / "postgres.cluster"


def _env_file(directory):
    return pathlib.Path(directory) / "postgres.env"


def command_start(directory):
    directory = pathlib.Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    command_stop(directory)
    cluster = PostgresCluster()
    try:
        cluster.start()
    except PostgresUnavailable as error:
        _env_file(directory).write_text("export %s=%s\n" % (UNAVAILABLE_VARIABLE,
                                                            shlex.quote(str(error))))
        print("PostgreSQL unavailable: %s" % error, file=sys.stderr)
        return 1
    _state_file(directory).write_text("%s\n%d\n" % (cluster.directory, cluster.port))
    _env_file(directory).write_text("export %s=%s\n" % (URL_VARIABLE, shlex.quote(cluster.url)))
    print(cluster.url)
    return 0


def command_stop(directory):
    state = _state_file(directory)
    if state.exists():
        lines = state.read_text().split()
        cluster = PostgresCluster()
        cluster.directory = pathlib.Path(lines[0])
        if cluster.directory.exists():
            owner = cluster.directory.stat().st_uid
            if os.geteuid() == 0 and owner != 0:
                cluster.user = pwd.getpwuid(owner)
            cluster.stop()
        state.unlink()
    _env_file(directory).unlink(missing_ok=True)
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("action", choices=("start", "stop"))
    parser.add_argument("directory", help="where postgres.env and the cluster's note are kept")
    args = parser.parse_args(argv)
    if args.action == "start":
        return command_start(args.directory)
    return command_stop(args.directory)


if __name__ == "__main__":
    sys.exit(main())
