"""Shared helpers for the adversarial tests of korvid-server: a real server on SQLite or on
PostgreSQL, the checks every hostile case ends with, and raw-socket requests that may break
any rule of HTTP.

The names below are stable; other test modules import them.

Servers
    start_server(storage, extra_args=(), https=False) -> RunningServer
        Starts build/native/server/korvid-server on a fresh database of that storage
        ("sqlite" or "postgresql") with a plain HTTP listener on a free port of 127.0.0.1
        (and an HTTPS one with a test certificate when https=True). Raises unittest.SkipTest
        with the reason when PostgreSQL cannot be had (server_fixtures.postgres_url) or the
        server is not built. Use it as a context manager or call stop(); the database is
        removed afterwards.
    RunningServer
        .storage   "sqlite" or "postgresql"
        .database  the --database value
        .process   the KorvidServer (server/korvid_server_process.py): .log, .returncode
        .url       "http://127.0.0.1:PORT/";  .host, .port: its address
        .https_url "https://127.0.0.1:PORT/" (https=True only); .https_port; .ca_file
        .api_url   url + "api/v1/"
        .rows(sql) the rows of a query on the server's database (lists of strings)
        .stop()    SIGTERM; the exit code
    port_of(url) -> int: the port of a listener's URL
    HardeningTestCase(unittest.TestCase)
        One server per test class on the storage of STORAGE ("sqlite" by default) with the
        korvid-server options of SERVER_ARGS (and an HTTPS listener when HTTPS is true),
        started in setUpClass and stopped in tearDownClass, as self.server.
        on_postgresql(cls) returns the same class on PostgreSQL:
        `FooOnPostgreSQL = on_postgresql(Foo)` at module level. A storage that cannot be had
        skips every test of the class (in setUp, so that runners count them).

Checks
    answers_promptly(server, timeout=2.0) -> bool
        A normal authenticated lookup (GET api/v1/BenchmarkCPU?Name=...) is answered 200 with
        a lookup reply within the time-out, on a new connection.
    stored_counts(server) -> dict
        Row counts of the record and result tables (STORED_TABLES), read from the database
        directly, for "nothing was stored" checks: compare before and after.

Raw requests
    LOGIN: the default client's (name, key); authorization(login=LOGIN): the header value.
    request_bytes(method, target, headers=(), body=b"", login=LOGIN, close=True) -> bytes
        One HTTP/1.1 request: Host, then Authorization (unless login is None), then the
        headers given ((name, value) pairs, sent as they are), Content-Length when a body is
        given and no Transfer-Encoding/Content-Length header was, Connection: close when close.
    connect(server, timeout=10.0, port=None) -> socket.socket
    send_raw(server, data, timeout=10.0) -> RawReply
        Connects, sends the bytes (a refused or reset write is not an error: the server may
        answer and close early), reads one reply (or the close) and closes.
    send_in_pieces(sock, pieces, pause) -> int
        Sends each piece with a pause between; stops at the first write the peer refused;
        returns the number of bytes that went out.
    read_reply(sock, timeout=10.0) -> RawReply
        Reads one reply from a socket: the head, then Content-Length bytes or chunks or up to
        the close. A connection closed before a status line gives status None.
    RawReply: .status (int or None), .reason, .headers (lower-case names -> last value),
        .header_lines ((name, value) pairs as sent), .body (bytes), .closed (the server closed
        the connection after it), .elapsed (seconds)
    post_document(server, record_type, body, headers=(), login=LOGIN) -> RawReply
        A POST of a record document (bytes) to the API, as korvid.exe sends it.
"""
import base64
import socket
import time
import unittest

from server.korvid_server_process import SERVER_EXE, KorvidServer, make_localhost_certificates
from client.korvid_test_server import DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME
from server.server_fixtures import TestDatabase

LOGIN = (DEFAULT_CLIENT_NAME, DEFAULT_CLIENT_KEY)
STORED_TABLES = ("records", "record_fields", "record_references", "results", "result_fields",
                 "result_references", "result_members", "measurements")

class RunningServer:
    """A korvid-server with its database; see the module's docstring."""

    def __init__(self, storage, extra_args=(), https=False):
        if not SERVER_EXE.exists():
            raise unittest.SkipTest("korvid-server is not built (scripts/build)")
        self._database = TestDatabase(storage, prefix="korvid-hardening-")
        self.storage = storage
        self.folder = str(self._database.folder)
        self.database = self._database.url
        self.ca_file = cert = key = None
        if https:
            self.ca_file, cert, key = make_localhost_certificates(self.folder)
        self.process = KorvidServer(self.database, http="127.0.0.1:0",
                                    https="127.0.0.1:0" if https else None, cert=cert, key=key,
                                    cwd=self.folder, extra_args=list(extra_args))
        try:
            self.process.start()
        except Exception:
            self._database.close()
            raise
        self.url = self.process.url("http")
        self.host = "127.0.0.1"
        self.port = port_of(self.url)
        self.api_url = self.url + "api/v1/"
        self.https_url = self.process.url("https") if https else None
        self.https_port = port_of(self.https_url) if https else None

    def rows(self, sql):
        return self._database.rows(sql)

    def stop(self, timeout=30):
        code = self.process.stop(timeout)
        self._database.close()
        self.database = None
        return code

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def port_of(url):
    """The port of "http://127.0.0.1:PORT/"."""
    return int(url.rstrip("/").rsplit(":", 1)[1])


def start_server(storage, extra_args=(), https=False):
    return RunningServer(storage, extra_args, https)


class HardeningTestCase(unittest.TestCase):
    """One server per class; see the module's docstring."""

    STORAGE = "sqlite"
    SERVER_ARGS = ()
    HTTPS = False
    server = None
    _unavailable = None

    @classmethod
    def setUpClass(cls):
        cls.server = None
        cls._unavailable = None
        try:
            cls.server = start_server(cls.STORAGE, cls.SERVER_ARGS, cls.HTTPS)
        except unittest.SkipTest as reason:
            cls._unavailable = str(reason)

    @classmethod
    def tearDownClass(cls):
        if cls.server is not None:
            cls.server.stop()
            cls.server = None

    def setUp(self):
        if self._unavailable:
            self.skipTest(self._unavailable)


def on_postgresql(cls):
    """The test class `cls` (a HardeningTestCase) run against a server on PostgreSQL."""
    return type(cls.__name__ + "OnPostgreSQL", (cls,), {"STORAGE": "postgresql",
                                                       "__module__": cls.__module__})


def authorization(login=LOGIN):
    return "Basic " + base64.b64encode(("%s:%s" % login).encode()).decode()


def request_bytes(method, target, headers=(), body=b"", login=LOGIN, close=True):
    names = {name.lower() for name, _ in headers}
    lines = ["%s %s HTTP/1.1" % (method, target), "Host: 127.0.0.1"]
    if login is not None:
        lines.append("Authorization: " + authorization(login))
    lines += ["%s: %s" % (name, value) for name, value in headers]
    if body and "content-length" not in names and "transfer-encoding" not in names:
        lines.append("Content-Length: %d" % len(body))
    if close:
        lines.append("Connection: close")
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + bytes(body)


class RawReply:
    def __init__(self):
        self.status = None
        self.reason = ""
        self.headers = {}
        self.header_lines = []
        self.body = b""
        self.closed = False
        self.elapsed = 0.0

    def __repr__(self):
        return "RawReply(status=%r, headers=%r, body=%r)" % (self.status, self.headers,
                                                             self.body[:200])


def connect(server, timeout=10.0, port=None):
    return socket.create_connection((server.host, port or server.port), timeout=timeout)


def send_in_pieces(sock, pieces, pause):
    sent = 0
    for i, piece in enumerate(pieces):
        if i and pause:
            time.sleep(pause)
        try:
            sock.sendall(piece)
        except (BrokenPipeError, ConnectionResetError):
            break
        sent += len(piece)
    return sent


class _Reader:
    def __init__(self, sock, deadline):
        self.sock = sock
        self.deadline = deadline
        self.buffer = b""
        self.eof = False

    def more(self):
        if self.eof:
            return False
        remaining = self.deadline - time.monotonic()
        if remaining <= 0:
            raise socket.timeout("no complete reply in time")
        self.sock.settimeout(remaining)
        try:
            data = self.sock.recv(65536)
        except ConnectionResetError:
            data = b""
        if not data:
            self.eof = True
            return False
        self.buffer += data
        return True

    def until(self, marker):
        while marker not in self.buffer:
            if not self.more():
                return None
        at = self.buffer.index(marker)
        found, self.buffer = self.buffer[:at], self.buffer[at + len(marker):]
        return found

    def exactly(self, count):
        while len(self.buffer) < count:
            if not self.more():
                break
        found, self.buffer = self.buffer[:count], self.buffer[count:]
        return found


def read_reply(sock, timeout=10.0, head_only=False):
    """head_only: the reply to a HEAD request, whose Content-Length announces no body."""
    started = time.monotonic()
    reader = _Reader(sock, started + timeout)
    reply = RawReply()
    head = reader.until(b"\r\n\r\n")
    if head is None:
        reply.closed = True
        reply.elapsed = time.monotonic() - started
        return reply
    lines = head.decode("latin-1").split("\r\n")
    parts = lines[0].split(" ", 2)
    reply.status = int(parts[1])
    reply.reason = parts[2] if len(parts) > 2 else ""
    for line in lines[1:]:
        name, _, value = line.partition(":")
        reply.header_lines.append((name, value.strip()))
        reply.headers[name.lower()] = value.strip()
    if head_only or reply.status in (204, 304) or 100 <= reply.status < 200:
        pass
    elif reply.headers.get("transfer-encoding", "").lower() == "chunked":
        body = b""
        while True:
            size_line = reader.until(b"\r\n")
            if size_line is None:
                break
            size = int(size_line.split(b";")[0], 16)
            if size == 0:
                reader.until(b"\r\n")
                break
            body += reader.exactly(size)
            reader.exactly(2)
        reply.body = body
    elif "content-length" in reply.headers:
        reply.body = reader.exactly(int(reply.headers["content-length"]))
    else:
        while reader.more():
            pass
        reply.body = reader.buffer
        reader.buffer = b""
    if reply.headers.get("connection", "").lower() == "close":
        # Whether the server really closes: the next read sees the end.
        try:
            reply.closed = not reader.buffer and not reader.more()
        except socket.timeout:
            reply.closed = False
    reply.elapsed = time.monotonic() - started
    return reply


def send_raw(server, data, timeout=10.0, port=None):
    with connect(server, timeout, port) as sock:
        send_in_pieces(sock, [data], 0)
        return read_reply(sock, timeout, head_only=data[:5] == b"HEAD ")


def post_document(server, record_type, body, headers=(), login=LOGIN):
    names = {name.lower() for name, _ in headers}
    extra = list(headers) if "content-type" in names else \
        [("Content-Type", "application/xml")] + list(headers)
    return send_raw(server, request_bytes("POST", "/api/v1/" + record_type, extra, body, login))


def answers_promptly(server, timeout=2.0):
    started = time.monotonic()
    try:
        reply = send_raw(server, request_bytes("GET", "/api/v1/BenchmarkCPU?Name=Prompt%20check&"),
                         timeout=timeout)
    except OSError:
        return False
    return (reply.status == 200 and reply.body.startswith(b"<")
            and time.monotonic() - started <= timeout)


def stored_counts(server):
    return {table: int(server.rows("SELECT COUNT(*) FROM %s" % table)[0][0])
            for table in STORED_TABLES}
