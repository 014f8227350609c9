#!/usr/bin/env python3
"""A local stand-in for the results server, for tests only (Python standard library + openssl).

It serves the two exchanges of the results protocol on 127.0.0.1:

  GET  <base>/<Type>?<key>=<value>&...   lookup; reply "<Type><ID>n</ID></Type>" or an empty
                                           wrapper "<SearchResponse/>" when nothing matches
  POST <base>/<Type>                      submission of an XML record document; reply
                                           "<Type><ID>n</ID></Type>" with a new ID

with HTTP Basic login (401 for anyone but the configured client name and key). Records are kept
in memory: a lookup matches a stored record of the type whose key is exactly the query's pairs,
in any order, as korvid-server matches: the key is every field and reference (<Name>ID=<id>) of
the record, collections aside, and a graphics card's Name only while its ProductID is 0x0. An
empty query matches only a record with an empty key.

Listeners:
  https      TLS with a certificate from a test CA made at start-up (DNS:localhost, DNS:127.0.0.1)
  http       the same protocol in plain HTTP
  untrusted  TLS with a certificate from another CA that no client trusts
  hang       accepts TCP connections and never reads or answers (not even a TLS handshake)
  control    plain HTTP endpoint that sets faults, seeds records and reads the request log

Sessions keep tests apart: the base path /api/v1/ belongs to the session "default", and
/s/<name>/api/v1/ to session <name> (created on first use). Each session has its own records,
ID counter (starting at 1), faults and request log.

Control endpoint (any method; parameters in the query string, values percent-encoded):
  /control/<session>/reset                 forget records, faults and requests; next ID 1
  /control/<session>/fault?...             queue a fault (see Fault)
  /control/<session>/clear_faults
  /control/<session>/next_id?value=N
  /control/<session>/record?id=N&query=Q   store a record; Q is a lookup query such as
                                           "BenchmarkLibrary?Name=kernel32.dll&"
  /control/<session>/requests              the request log as JSON (bodies and heads latin-1)
  /control/<session>/requests/count        number of requests, as text
  /control/<session>/request/<i>/head      raw request line and headers, byte for byte
  /control/<session>/request/<i>/body      raw body
  /control/<session>/request/<i>/target    method, a blank, and the path with query
  /control/<session>/records               stored records as JSON

Run as a program:  korvid_test_server.py --outdir DIR  writes DIR/server.env (export lines) once
every listener is up and serves until SIGTERM or SIGINT.
"""

import argparse
import base64
import http.server
import json
import os
import pathlib
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import xml.etree.ElementTree as ElementTree



def read_identity(path):
    """The KEY='value' lines of a korvid-identity.env that CMake writes into a build tree."""
    values = {}
    for line in pathlib.Path(path).read_text().splitlines():
        if line and not line.startswith("#"):
            name, _, quoted = line.partition("=")
            values[name] = quoted.strip("'")
    return values


def build_identity():
    """The version and default login of the build under test: the native tree's (the server's),
    else the Windows tree's, of KORVID_BUILD (default build/ of this clone)."""
    build = pathlib.Path(os.environ.get("KORVID_BUILD")
                         or pathlib.Path(__file__).resolve().parents[2] / "build")
    for tree in ("native", "windows"):
        path = build / tree / "generated" / "korvid-identity.env"
        if path.is_file():
            return read_identity(path)
    raise RuntimeError("no korvid-identity.env under %s: build first (scripts/build)" % build)


_IDENTITY = build_identity()
# The login a new database holds and korvid.exe sends, as this build has them.
DEFAULT_CLIENT_NAME = _IDENTITY["KORVID_CLIENT_NAME"]
DEFAULT_CLIENT_KEY = _IDENTITY["KORVID_CLIENT_KEY"]
NOT_FOUND_REPLY = b"<SearchResponse/>"
API_PREFIX = "/api/v1/"

# Canned reply bodies for the faults a client must survive; {T} is the requested type name.
REPLY_KINDS = {
    "malformed": "<{T}><ID>5</ID",
    "empty": "",
    "noid": "<{T}><Name>x</Name></{T}>",
    "id0": "<{T}><ID>0</ID></{T}>",
    "idabc": "<{T}><ID>abc</ID></{T}>",
    "id42abc": "<{T}><ID>42abc</ID></{T}>",
    "othertype": "<SearchResponse><{OTHER}><ID>7</ID></{OTHER}></SearchResponse>",
    "emptywrapper": "<SearchResponse></SearchResponse>",
    "benchmarkwrapper": "<Benchmark><{T}><ID>12</ID></{T}></Benchmark>",
    "binary": "\x00\x01\xff<\x00>\xfe",
    "huge": None,  # 2.4 MB of elements, made when needed
}


def other_type_name(type_name):
    for candidate in ("BenchmarkMotherboard", "BenchmarkCPU"):
        if candidate not in type_name:
            return candidate
    return "SomethingElse"


# ---------------------------------------------------------------------------------------------
# Certificates


def _openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def _make_ca(directory, name, subject):
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
             "-keyout", name + ".key", "-out", name + ".pem", "-subj", subject,
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=directory)


def _make_server_cert(directory, ca, name):
    with open(os.path.join(directory, name + ".ext"), "w") as ext:
        # mbedTLS 2.28 does not match IP addresses, hence the name "127.0.0.1" as a DNS entry too.
        ext.write("subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1\n"
                  "basicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n")
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-keyout", name + ".key",
             "-out", name + ".csr", "-subj", "/CN=localhost", cwd=directory)
    _openssl("x509", "-req", "-sha256", "-days", "30", "-in", name + ".csr", "-CA", ca + ".pem",
             "-CAkey", ca + ".key", "-CAcreateserial", "-out", name + ".pem",
             "-extfile", name + ".ext", cwd=directory)


def make_certificates(directory):
    """Creates the test CA, a server certificate it signed, and an untrusted CA and server
    certificate. Returns a dict of file paths."""
    os.makedirs(directory, exist_ok=True)
    _make_ca(directory, "test-ca", "/CN=Korvid Test CA")
    _make_server_cert(directory, "test-ca", "server")
    _make_ca(directory, "other-ca", "/CN=Korvid Untrusted Test CA")
    _make_server_cert(directory, "other-ca", "untrusted")
    path = lambda f: os.path.join(directory, f)
    return {"ca_file": path("test-ca.pem"), "server_cert": path("server.pem"),
            "server_key": path("server.key"), "other_ca_file": path("other-ca.pem"),
            "untrusted_cert": path("untrusted.pem"), "untrusted_key": path("untrusted.key")}


# ---------------------------------------------------------------------------------------------
# State


class Fault:
    """One queued misbehaviour. It applies to the matching requests (method None = any) after
    `after` of them have passed normally, `count` times (-1 = for ever).

    action: "reply" (default) answers with `status` (default 200) and a body taken from `body`,
            else from `kind` (REPLY_KINDS), else the normal reply for that request (or a short
            error text when the status is not 2xx);
            "drop" closes the connection without any answer;
            "hang" holds the connection without answering for `delay` seconds (or until the
            server stops);
            "partial" announces a longer body than it sends, then closes;
            "pieces" sends the body three bytes at a time with short pauses.
    delay:  seconds to wait before acting (a slow reply).
    """

    def __init__(self, status=None, body=None, kind=None, method=None, count=1, after=0,
                 action="reply", delay=0.0, headers=None):
        if kind is not None and kind not in REPLY_KINDS:
            raise ValueError("unknown reply kind: %s" % kind)
        if action not in ("reply", "drop", "hang", "partial", "pieces"):
            raise ValueError("unknown action: %s" % action)
        self.status = status
        self.body = body.encode("latin-1") if isinstance(body, str) else body
        self.kind = kind
        self.method = method.upper() if method else None
        self.count = count
        self.after = after
        self.action = action
        self.delay = delay
        self.headers = headers or []


class Session:
    def __init__(self, name):
        self.name = name
        self.reset()

    def reset(self):
        self.records = []
        self.next_id = 1
        self.faults = []
        self.requests = []

    def add_record(self, type_name, pairs, record_id=None):
        if record_id is None:
            record_id = self.next_id
            self.next_id += 1
        self.records.append({"type": type_name, "id": int(record_id), "pairs": list(pairs)})
        return int(record_id)

    def find(self, type_name, pairs):
        wanted = sorted(pairs)
        for record in self.records:
            if record["type"] == type_name and record_key(type_name, record["pairs"]) == wanted:
                return record
        return None

    def take_fault(self, method):
        for fault in self.faults:
            if fault.count == 0 or (fault.method and fault.method != method):
                continue
            if fault.after > 0:
                fault.after -= 1
                continue
            if fault.count > 0:
                fault.count -= 1
            return fault
        return None


def record_key(type_name, pairs):
    """The pairs a stored record is found by, sorted: its fields and references without its
    collections' members, and without a graphics card's Name when its first ProductID is not 0x0
    (names vary between drivers, so the client leaves it out of the lookup)."""
    product = next((value for name, value in pairs if name == "ProductID"), None)
    known_by_ids = type_name == "BenchmarkGraphicsCard" and product not in (None, "0x0")
    return sorted(p for p in pairs if not p[0].endswith("[]") and not (known_by_ids and p[0] == "Name"))


def parse_query_text(query):
    """'Name=kernel32.dll&LibraryID=4&' -> [('Name', 'kernel32.dll'), ('LibraryID', '4')]."""
    pairs = []
    for item in query.split("&"):
        if not item:
            continue
        key, _, value = item.partition("=")
        pairs.append((urllib.parse.unquote(key, "latin-1"), urllib.parse.unquote(value, "latin-1")))
    return pairs


def parse_record_document(body, type_name):
    """The pairs a lookup can match for a submitted record, or None when the document is not
    a record of that type."""
    try:
        root = ElementTree.fromstring(body)
    except ElementTree.ParseError:
        return None
    if root.tag != type_name:
        return None
    pairs = []
    for child in root:
        if "id" in child.attrib and len(child) == 0:
            pairs.append((child.tag + "ID", child.attrib["id"]))
        elif len(child) == 0:
            pairs.append((child.tag, child.text or ""))
        else:
            for member in child:
                pairs.append((child.tag + "[]", member.attrib.get("id", "")))
    return pairs


class ServerState:
    def __init__(self, client_name, client_key):
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.sessions = {}
        self.expected_authorization = "Basic " + base64.b64encode(
            (client_name + ":" + client_key).encode("latin-1")).decode("ascii")

    def session(self, name="default"):
        with self.lock:
            if name not in self.sessions:
                self.sessions[name] = Session(name)
            return self.sessions[name]


# ---------------------------------------------------------------------------------------------
# The results protocol


class _RecordingReader:
    """Passes reads through to the real stream and keeps a copy of the header bytes."""

    def __init__(self, stream):
        self.stream = stream
        self.data = b""

    def readline(self, *args):
        line = self.stream.readline(*args)
        self.data += line
        return line

    def read(self, *args):
        data = self.stream.read(*args)
        self.data += data
        return data


class ApiHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 120
    server_version = "KorvidTestServer/1.0"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.server.listener_name, format % args))

    def parse_request(self):
        real = self.rfile
        recorder = _RecordingReader(real)
        self.rfile = recorder
        try:
            return super().parse_request()
        finally:
            self.rfile = real
            self.raw_head = self.raw_requestline + recorder.data

    def do_GET(self):
        self._serve("GET")

    def do_POST(self):
        self._serve("POST")

    def do_PUT(self):
        self._serve("PUT")

    def do_DELETE(self):
        self._serve("DELETE")

    def _read_body(self):
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            body = b""
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return body
                body += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def _serve(self, method):
        state = self.server.state
        path, _, query = self.path.partition("?")
        session_name = "default"
        if path.startswith("/s/"):
            session_name, _, rest = path[3:].partition("/")
            path = "/" + rest
        session = state.session(session_name)
        body = self._read_body()
        with state.lock:
            session.requests.append({
                "listener": self.server.listener_name, "method": method, "path": self.path,
                "head": self.raw_head, "headers": [[k, v] for k, v in self.headers.items()],
                "body": body})
            fault = session.take_fault(method)

        type_name = path[len(API_PREFIX):] if path.startswith(API_PREFIX) else ""
        if fault is not None:
            self._apply_fault(fault, session, method, type_name, query, body)
            return
        status, reply = self._normal_reply(session, method, type_name, query, body)
        self._send(status, reply)

    def _normal_reply(self, session, method, type_name, query, body):
        state = self.server.state
        if self.headers.get("Authorization") != state.expected_authorization:
            return 401, b"<Error>Unknown client</Error>"
        if not type_name or "/" in type_name:
            return 404, b"<Error>No such resource</Error>"
        with state.lock:
            if method == "GET":
                record = session.find(type_name, parse_query_text(query))
                if record is None:
                    return 200, NOT_FOUND_REPLY
                return 200, ("<%s><ID>%d</ID></%s>" % (type_name, record["id"], type_name)).encode()
            if method == "POST":
                pairs = parse_record_document(body, type_name)
                if pairs is None:
                    return 400, b"<Error>Not a record document</Error>"
                record_id = session.add_record(type_name, pairs)
                return 200, ("<%s><ID>%d</ID></%s>" % (type_name, record_id, type_name)).encode()
        return 405, b"<Error>Method not allowed</Error>"

    def _apply_fault(self, fault, session, method, type_name, query, body):
        if fault.delay:
            self.server.state.stopping.wait(fault.delay)
        if fault.action == "drop":
            self.close_connection = True
            self._shut()
            return
        if fault.action == "hang":
            self.server.state.stopping.wait(fault.delay or 3600)
            self.close_connection = True
            self._shut()
            return
        if fault.body is not None:
            reply = fault.body
        elif fault.kind == "huge":
            reply = ("<%s>" % type_name + "<Pad/>" * 400000 + "<ID>5</ID></%s>" % type_name).encode()
        elif fault.kind is not None:
            reply = REPLY_KINDS[fault.kind].replace("{T}", type_name).replace(
                "{OTHER}", other_type_name(type_name)).encode("latin-1")
        elif fault.status is not None and not 200 <= fault.status <= 299:
            # A failing server stores nothing.
            reply = ("<Error>Status %d</Error>" % fault.status).encode()
        else:
            status, reply = self._normal_reply(session, method, type_name, query, body)
            self._send(fault.status or status, reply, fault.headers, fault.action)
            return
        self._send(fault.status or 200, reply, fault.headers, fault.action)

    def _send(self, status, reply, extra_headers=(), action="reply"):
        partial = action == "partial"
        self.send_response(status)
        if status == 401:
            self.send_header("WWW-Authenticate", 'Basic realm="Korvid results"')
        for name, value in extra_headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Length", str(len(reply) + (100 if partial else 0)))
        if partial:
            self.send_header("Connection", "close")
        self.end_headers()
        if action == "pieces":
            self.wfile.flush()
            for start in range(0, len(reply), 3):
                self.wfile.write(reply[start:start + 3])
                self.wfile.flush()
                time.sleep(0.02)
        else:
            self.wfile.write(reply)
        self.wfile.flush()
        if partial:
            self.close_connection = True
            self._shut()

    def _shut(self):
        try:
            self.wfile.flush()
        except OSError:
            pass
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class _ThreadingServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, handler, state, listener_name, ssl_context=None, verbose=False):
        self.state = state
        self.listener_name = listener_name
        self.ssl_context = ssl_context
        self.verbose = verbose
        super().__init__(address, handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, in the connection's own thread, so that one client that
        # never completes it cannot stall the others.
        if self.ssl_context is None:
            self.RequestHandlerClass(request, client_address, self)
            return
        request.settimeout(30)
        try:
            tls = self.ssl_context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            tls.close()

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


# ---------------------------------------------------------------------------------------------
# Control


class ControlHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 60

    def log_message(self, format, *args):  # noqa: A002
        if self.server.verbose:
            sys.stderr.write("control %s\n" % (format % args))

    def do_GET(self):
        self._serve()

    def do_POST(self):
        self._serve()

    def _serve(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        try:
            status, content_type, reply = self._dispatch()
        except (ValueError, KeyError, IndexError) as error:
            status, content_type, reply = 400, "text/plain", str(error).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def _dispatch(self):
        state = self.server.state
        path, _, query = self.path.partition("?")
        params = {k: v[-1] for k, v in urllib.parse.parse_qs(
            query, keep_blank_values=True, encoding="latin-1").items()}
        parts = [urllib.parse.unquote(p) for p in path.strip("/").split("/")]
        if len(parts) < 3 or parts[0] != "control":
            return 404, "text/plain", b"unknown control path"
        session = state.session(parts[1])
        command = parts[2:]
        text = lambda s: (200, "text/plain", s.encode("latin-1"))
        with state.lock:
            if command == ["reset"]:
                session.reset()
                return text("ok")
            if command == ["fault"]:
                session.faults.append(fault_from_params(params))
                return text("ok")
            if command == ["clear_faults"]:
                session.faults = []
                return text("ok")
            if command == ["next_id"]:
                session.next_id = int(params["value"])
                return text("ok")
            if command == ["record"]:
                type_name, _, record_query = params["query"].partition("?")
                record_id = session.add_record(type_name, parse_query_text(record_query),
                                               int(params["id"]) if "id" in params else None)
                return text(str(record_id))
            if command == ["requests"]:
                log = [dict(r, head=r["head"].decode("latin-1"), body=r["body"].decode("latin-1"))
                       for r in session.requests]
                return 200, "application/json", json.dumps(log).encode()
            if command == ["requests", "count"]:
                return text(str(len(session.requests)))
            if len(command) == 3 and command[0] == "request":
                request = session.requests[int(command[1])]
                if command[2] == "head":
                    return 200, "application/octet-stream", request["head"]
                if command[2] == "body":
                    return 200, "application/octet-stream", request["body"]
                if command[2] == "target":
                    return text(request["method"] + " " + request["path"])
            if command == ["records"]:
                return 200, "application/json", json.dumps(session.records).encode()
        return 404, "text/plain", b"unknown control command"


def fault_from_params(params):
    return Fault(status=int(params["status"]) if params.get("status") else None,
                 body=params.get("body"),
                 kind=params.get("kind") or None,
                 method=params.get("method") or None,
                 count=int(params.get("count", "1")),
                 after=int(params.get("after", "0")),
                 action=params.get("action") or "reply",
                 delay=float(params.get("delay", "0")))


# ---------------------------------------------------------------------------------------------
# A listener that accepts and says nothing


class SilentListener:
    def __init__(self, state):
        self.state = state
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(16)
        self.socket.settimeout(0.2)
        self.port = self.socket.getsockname()[1]
        self.connections = []
        self.thread = threading.Thread(target=self._run, daemon=True)

    def start(self):
        self.thread.start()

    def _run(self):
        while not self.state.stopping.is_set():
            try:
                connection, _ = self.socket.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            self.connections.append(connection)

    def close(self):
        self.thread.join(2)
        for connection in self.connections:
            connection.close()
        self.socket.close()


# ---------------------------------------------------------------------------------------------
# The whole server


class TestResultsServer:
    """Starts every listener on free ports of 127.0.0.1.

        server = TestResultsServer().start()
        server.session("t1").faults.append(Fault(status=500))
        ... server.https_url("t1") ...
        server.stop()
    """

    def __init__(self, workdir=None, client_name=DEFAULT_CLIENT_NAME,
                 client_key=DEFAULT_CLIENT_KEY, verbose=False, ports=None):
        self._own_workdir = workdir is None
        self.workdir = workdir or tempfile.mkdtemp(prefix="korvid-test-server-")
        self.client_name = client_name
        self.client_key = client_key
        self.verbose = verbose
        self.ports = ports or {}
        self.state = ServerState(client_name, client_key)
        self.servers = {}
        self.threads = []
        self.silent = None
        self.certificates = None

    # -- life cycle

    def start(self):
        self.certificates = make_certificates(os.path.join(self.workdir, "certs"))
        trusted = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        trusted.load_cert_chain(self.certificates["server_cert"], self.certificates["server_key"])
        untrusted = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        untrusted.load_cert_chain(self.certificates["untrusted_cert"],
                                  self.certificates["untrusted_key"])
        for name, handler, context in (("https", ApiHandler, trusted), ("http", ApiHandler, None),
                                       ("untrusted", ApiHandler, untrusted),
                                       ("control", ControlHandler, None)):
            server = _ThreadingServer(("127.0.0.1", int(self.ports.get(name, 0))), handler,
                                      self.state, name, context, self.verbose)
            self.servers[name] = server
            thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                                      daemon=True)
            thread.start()
            self.threads.append(thread)
        self.silent = SilentListener(self.state)
        self.silent.start()
        return self

    def stop(self):
        self.state.stopping.set()
        for server in self.servers.values():
            server.shutdown()
            server.server_close()
        for thread in self.threads:
            thread.join(5)
        if self.silent:
            self.silent.close()
        self.servers = {}

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- addresses

    def port(self, name):
        if name == "hang":
            return self.silent.port
        return self.servers[name].server_address[1]

    def _base(self, scheme, port, session):
        prefix = "" if session in (None, "default") else "/s/" + session
        return "%s://localhost:%d%s%s" % (scheme, port, prefix, API_PREFIX)

    def https_url(self, session=None):
        return self._base("https", self.port("https"), session)

    def http_url(self, session=None):
        return self._base("http", self.port("http"), session)

    def untrusted_url(self, session=None):
        return self._base("https", self.port("untrusted"), session)

    def hang_url(self, session=None):
        return self._base("https", self.port("hang"), session)

    def hang_http_url(self, session=None):
        return self._base("http", self.port("hang"), session)

    def control_url(self):
        return "http://127.0.0.1:%d/control/" % self.port("control")

    @property
    def ca_file(self):
        return self.certificates["ca_file"]

    def session(self, name="default"):
        return self.state.session(name)

    def env(self):
        return {
            "KORVID_TEST_HTTPS_URL": self.https_url(),
            "KORVID_TEST_HTTP_URL": self.http_url(),
            "KORVID_TEST_UNTRUSTED_URL": self.untrusted_url(),
            "KORVID_TEST_HANG_URL": self.hang_url(),
            "KORVID_TEST_HANG_HTTP_URL": self.hang_http_url(),
            "KORVID_TEST_CONTROL_URL": self.control_url(),
            "KORVID_TEST_CA_FILE": self.ca_file,
            "KORVID_TEST_OTHER_CA_FILE": self.certificates["other_ca_file"],
            "KORVID_TEST_CLIENT_NAME": self.client_name,
            "KORVID_TEST_CLIENT_KEY": self.client_key,
        }


def write_env_file(path, env):
    temporary = path + ".tmp"
    with open(temporary, "w") as out:
        for key, value in sorted(env.items()):
            out.write("export %s='%s'\n" % (key, value.replace("'", "'\\''")))
    os.replace(temporary, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local results server for Korvid tests")
    parser.add_argument("--outdir", required=True)
    parser.add_argument("--client-name", default=os.environ.get("KORVID_TEST_CLIENT_NAME",
                                                                DEFAULT_CLIENT_NAME))
    parser.add_argument("--client-key", default=os.environ.get("KORVID_TEST_CLIENT_KEY",
                                                               DEFAULT_CLIENT_KEY))
    # Fixed ports, for a program built with the server's address compiled in.
    parser.add_argument("--https-port", type=int,
                        default=int(os.environ.get("KORVID_TEST_HTTPS_PORT", "0")))
    parser.add_argument("--http-port", type=int,
                        default=int(os.environ.get("KORVID_TEST_HTTP_PORT", "0")))
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)

    os.makedirs(args.outdir, exist_ok=True)
    server = TestResultsServer(workdir=os.path.abspath(args.outdir), client_name=args.client_name,
                               client_key=args.client_key, verbose=args.verbose,
                               ports={"https": args.https_port, "http": args.http_port})
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    server.start()
    write_env_file(os.path.join(args.outdir, "server.env"), server.env())
    while not done.wait(0.5):
        pass
    server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
