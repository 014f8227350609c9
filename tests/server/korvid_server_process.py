"""korvid-server (build/native/server/korvid-server) as a process of a script test: started on
the listeners and database a test names, ready once every listener takes connections, stopped
with SIGTERM; plus a CA and a localhost certificate for its HTTPS listener and plain HTTP
requests against its API."""
import base64
import os
import pathlib
import signal
import socket
import subprocess
import threading
import time
import urllib.error
import urllib.request

from server.korvid_test_server import (DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME, _make_ca,
                                       _make_server_cert)

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KORVID_BUILD", ROOT / "build"))
SERVER_EXE = BUILD / "native" / "server" / "korvid-server"


def make_localhost_certificates(directory):
    """A test CA and a server certificate for localhost that it signed: (ca, cert, key)."""
    _make_ca(str(directory), "ca", "/CN=Korvid Server Test CA")
    _make_server_cert(str(directory), "ca", "server")
    return tuple(pathlib.Path(directory) / name for name in ("ca.pem", "server.pem", "server.key"))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _listening(address):
    host, port = address.rsplit(":", 1)
    try:
        with socket.create_connection((host, int(port)), timeout=1):
            return True
    except OSError:
        return False


class KorvidServer:
    """One korvid-server process. `https` and `http` are HOST:PORT listeners (either may be
    None); `output` is everything it printed so far (ready line, access log, errors)."""

    def __init__(self, database, https=None, http=None, cert=None, key=None, cwd=None,
                 extra_args=()):
        self.database = database
        self.https = https
        self.http = http
        self.args = [str(SERVER_EXE), "--database", database]
        if https:
            self.args += ["--https", https, "--cert", str(cert), "--key", str(key)]
        if http:
            self.args += ["--http", http]
        self.args += list(extra_args)
        self.cwd = cwd
        self.process = None
        self.returncode = None
        self._lines = []
        self._reader = None

    @property
    def output(self):
        return "".join(self._lines)

    def start(self, timeout=60):
        self.process = subprocess.Popen(self.args, cwd=self.cwd, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        text=True, errors="replace")
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        deadline = time.time() + timeout
        listeners = [a for a in (self.https, self.http) if a]
        while time.time() < deadline:
            if self.process.poll() is not None:
                self._reader.join(timeout=5)
                raise RuntimeError("korvid-server ended with %d before serving:\n%s" % (
                    self.process.returncode, self.output[-3000:]))
            if all(_listening(a) for a in listeners):
                return self
            time.sleep(0.1)
        self.stop()
        raise RuntimeError("korvid-server did not listen within %d s:\n%s" % (
            timeout, self.output[-3000:]))

    def _read(self):
        for line in self.process.stdout:
            self._lines.append(line)

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
        self._reader.join(timeout=5)
        self.returncode = self.process.returncode
        self.process = None
        return self.returncode

    def __enter__(self):
        return self.start() if self.process is None else self

    def __exit__(self, *exc):
        self.stop()


def api_request(base_url, method, path, body=None, login=(DEFAULT_CLIENT_NAME, DEFAULT_CLIENT_KEY),
                timeout=30):
    """One request to the API at base_url (".../api/v1/"), as korvid.exe makes it: path is
    "<Type>?<query>" or "<Type>"; body is the record document (bytes). Returns
    (status, headers, body bytes) for any status; no proxy, no TLS (plain HTTP listeners)."""
    request = urllib.request.Request(base_url + path, data=body, method=method)
    if login:
        token = base64.b64encode(("%s:%s" % login).encode()).decode()
        request.add_header("Authorization", "Basic " + token)
    if body is not None:
        request.add_header("Content-Type", "application/xml")
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open(request, timeout=timeout) as reply:
            return reply.status, reply.headers, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()
