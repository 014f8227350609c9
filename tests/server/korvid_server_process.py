"""korvid-server (build/native/server/korvid-server) as a process of a script test: started on
the listeners and database a test names, ready once every listener takes connections, stopped
with SIGTERM; plus a CA and a localhost certificate for its HTTPS listener, and plain HTTP
requests: any page (fetch) and its API as korvid.exe asks it (api_request)."""
import base64
import collections
import os
import pathlib
import signal
import subprocess
import threading
import time
import urllib.error
import urllib.request

from client.korvid_test_server import (DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME, _make_ca,
                                       _make_server_cert)

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KORVID_BUILD", ROOT / "build"))
SERVER_EXE = BUILD / "native" / "server" / "korvid-server"


def make_localhost_certificates(directory):
    """A test CA and a server certificate for localhost that it signed: (ca, cert, key)."""
    _make_ca(str(directory), "ca", "/CN=Korvid Server Test CA")
    _make_server_cert(str(directory), "ca", "server")
    return tuple(pathlib.Path(directory) / name for name in ("ca.pem", "server.pem", "server.key"))


class KorvidServer:
    """One korvid-server process. `https` and `http` are HOST:PORT listeners (either may be
    None; port 0 lets the system choose). Once started, `listeners` are the addresses of its
    ready line ("https://127.0.0.1:41234/", ...) and `log` everything it wrote to stderr so far
    (access log, errors)."""

    READY = "korvid-server ready: "

    def __init__(self, database, https=None, http=None, cert=None, key=None, cwd=None,
                 extra_args=()):
        self.args = [str(SERVER_EXE), "--database", database]
        if https:
            self.args += ["--https", https, "--cert", str(cert), "--key", str(key)]
        if http:
            self.args += ["--http", http]
        # The tests store many results from one address; a test of the limit sets its own.
        if "--upload-limit" not in extra_args:
            self.args += ["--upload-limit", "off"]
        self.args += list(extra_args)
        self.cwd = cwd
        self.process = None
        self.returncode = None
        self.listeners = []
        self._stdout = []
        self._stderr = []
        self._readers = []
        self._ready = threading.Event()

    @classmethod
    def with_command(cls, command, cwd=None):
        """A server started by a command line of the test's own: another binary, a
        configuration file, another user."""
        server = cls("unused", cwd=cwd)
        server.args = [str(part) for part in command]
        return server

    @property
    def log(self):
        return "".join(self._stderr)

    def url(self, scheme):
        """The first listener of that scheme, e.g. "http://127.0.0.1:41234/"."""
        return next(l for l in self.listeners if l.startswith(scheme + "://"))

    def start(self, timeout=60):
        self.process = subprocess.Popen(self.args, cwd=self.cwd, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, errors="replace")
        self._readers = [threading.Thread(target=self._read, args=(stream, lines), daemon=True)
                         for stream, lines in ((self.process.stdout, self._stdout),
                                               (self.process.stderr, self._stderr))]
        for reader in self._readers:
            reader.start()
        deadline = time.time() + timeout
        while not self._ready.wait(0.1):
            if self.process.poll() is not None or time.time() > deadline:
                code = self.stop()
                raise RuntimeError("korvid-server did not get ready (exit code %s):\n%s%s" % (
                    code, "".join(self._stdout), self.log[-3000:]))
        ready = next(l for l in self._stdout if l.startswith(self.READY))
        self.listeners = ready[len(self.READY):].split()
        return self

    def _read(self, stream, lines):
        for line in stream:
            lines.append(line)
            if line.startswith(self.READY):
                self._ready.set()

    def stop(self, timeout=30):
        """SIGTERM, then SIGKILL after `timeout` seconds; returns the exit code."""
        if self.process is None:
            return self.returncode
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for reader in self._readers:
            reader.join(timeout=5)
        self.process.stdout.close()
        self.process.stderr.close()
        self.returncode = self.process.returncode
        self.process = None
        return self.returncode

    def __enter__(self):
        return self.start() if self.process is None else self

    def __exit__(self, *exc):
        self.stop()


class Reply(collections.namedtuple("Reply", "status headers body")):
    """A reply of any status: the status, the headers (an email.message.Message, names in any
    case) and the body as bytes; .text is the body as UTF-8."""

    @property
    def text(self):
        return self.body.decode("utf-8", "replace")


def fetch(url, method="GET", body=None, headers=(), timeout=30):
    """One request over plain HTTP, past any proxy the environment names; an error status
    is a Reply like any other, a connection that fails raises OSError."""
    request = urllib.request.Request(url, data=body, method=method)
    for name, value in headers:
        request.add_header(name, value)
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open(request, timeout=timeout) as reply:
            return Reply(reply.status, reply.headers, reply.read())
    except urllib.error.HTTPError as error:
        return Reply(error.code, error.headers, error.read())


def api_request(base_url, method, path, body=None, login=(DEFAULT_CLIENT_NAME, DEFAULT_CLIENT_KEY),
                timeout=30):
    """One request to the API at base_url (".../api/v1/"), as korvid.exe makes it: path is
    "<Type>?<query>" or "<Type>"; body is the record document (bytes). Returns
    (status, headers, body bytes) for any status; no proxy, no TLS (plain HTTP listeners)."""
    headers = []
    if login:
        token = base64.b64encode(("%s:%s" % login).encode()).decode()
        headers.append(("Authorization", "Basic " + token))
    if body is not None:
        headers.append(("Content-Type", "application/xml"))
    return fetch(base_url + path, method, body, headers, timeout)
