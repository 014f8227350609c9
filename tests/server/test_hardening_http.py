"""korvid-server's HTTP layer against hostile clients, on the real server: bodies it must not
inflate or buffer past the limit, heads beyond their limits, ranges that would multiply a
download, slow and idle connections, a crowd of connections, and a SIGTERM while clients hold
connections open. Every case checks the status (or the close), that a normal lookup is still
answered promptly afterwards, and that nothing was stored."""
import gzip
import pathlib
import select
import shutil
import signal
import socket
import ssl
import tempfile
import time
import unittest
import warnings

from server.hardening import (HardeningTestCase, answers_promptly, connect, on_postgresql,
                              read_reply, request_bytes, send_in_pieces, send_raw, start_server,
                              stored_counts)

CPU = b"<BenchmarkCPU>\n\t<Name>Hardening probe</Name>\n</BenchmarkCPU>\n"
MIB = 1 << 20


def chunk(data):
    return b"%x\r\n" % len(data) + data + b"\r\n"


def stream_until_answered(server, head, pieces):
    """Sends the head, then the pieces one by one while nothing has come back; stops at the
    first reply byte. Returns (reply, bytes of the pieces sent before the reply came)."""
    with connect(server, timeout=20) as sock:
        sock.sendall(head)
        sent = 0
        for piece in pieces:
            if select.select([sock], [], [], 0)[0]:
                break
            if send_in_pieces(sock, [piece], 0) < len(piece):
                break
            sent += len(piece)
        return read_reply(sock, timeout=20), sent


class RefusalsTest(HardeningTestCase):
    """Bodies and heads beyond the limits: a body of 200 000 bytes (under the HTTP library's
    own default, so that the server's limit is the one seen), the default request line (8 KiB),
    100 fields and a head of 16 KiB."""

    SERVER_ARGS = ("--max-body", "200000")

    def test_requests_beyond_the_limits_are_refused_and_leave_nothing(self):
        post = lambda headers, body=b"": request_bytes(  # noqa: E731
            "POST", "/api/v1/BenchmarkCPU", [("Content-Type", "application/xml")] + headers, body)
        boundary = "KorvidHardening"
        cases = [
            # (what, request bytes, status, reason)
            ("gzip body", post([("Content-Encoding", "gzip")], gzip.compress(CPU * 4)), 415,
             b"compressed or encoded request bodies are not accepted\n"),
            ("deflate after identity", post([("Content-Encoding", "identity, deflate")], CPU), 415,
             b"compressed or encoded request bodies are not accepted\n"),
            ("length over the limit", post([("Content-Length", "200001")]), 413,
             b"the request body is too large\n"),
            ("chunks one byte over the limit",
             post([("Transfer-Encoding", "chunked")],
                  chunk(b"x" * 100000) * 2 + chunk(b"x") + b"0\r\n\r\n"), 413,
             b"the request body is too large\n"),
            # At the limit the body reaches the API, which finds no record document in it.
            ("chunks at the limit", post([("Transfer-Encoding", "chunked")],
                                         chunk(b"x" * 100000) * 2 + b"0\r\n\r\n"), 400, None),
            ("long request line", request_bytes("GET", "/api/v1/BenchmarkCPU?Name=" + "a" * 8200 + "&"),
             414, b"the request line is too long\n"),
            ("many fields", request_bytes("GET", "/", [("X-F%d" % i, "v") for i in range(150)]),
             431, b"the request has too many header fields\n"),
            ("large head", request_bytes("GET", "/", [("X-Big", "b" * 17000)]), 431,
             b"the request head is too large\n"),
            ("gzip transfer coding", post([("Transfer-Encoding", "gzip, chunked")],
                                          chunk(gzip.compress(CPU)) + b"0\r\n\r\n"), 501,
             b"no transfer coding but chunked is accepted\n"),
            ("broken import form", request_bytes(
                "POST", "/Benchmark/Korvid/Import",
                [("Content-Type", "multipart/form-data; boundary=" + boundary)],
                b"--" + boundary.encode() + b"\r\nContent-Disposition: form-data\r\n\r\nx\r\n--"
                + boundary.encode() + b"--\r\n"), 400,
             b"malformed multipart/form-data body: a part without a name\n"),
        ]
        before = stored_counts(self.server)
        for what, request, status, reason in cases:
            with self.subTest(what):
                reply = send_raw(self.server, request)
                self.assertEqual(reply.status, status)
                if reason is not None:
                    self.assertEqual(reply.body, reason)
                self.assertTrue(answers_promptly(self.server))

        # Chunks past the limit: refused while they still come, not after the last.
        head = request_bytes("POST", "/api/v1/BenchmarkCPU",
                             [("Content-Type", "application/xml"), ("Transfer-Encoding", "chunked")])
        reply, sent = stream_until_answered(self.server, head, [chunk(b"x" * 65536)] * 256)
        self.assertEqual((reply.status, reply.body), (413, b"the request body is too large\n"))
        self.assertLess(sent, 16 * MIB, "the server read the whole 16 MiB before refusing")
        self.assertTrue(answers_promptly(self.server))
        self.assertEqual(stored_counts(self.server), before)


RefusalsTestOnPostgreSQL = on_postgresql(RefusalsTest)


class HeadersTest(HardeningTestCase):
    """Request text never becomes a reply header, and a head that one reader could take for
    two requests, or for another request than this server sees, is refused."""

    def test_no_header_from_request_text(self):
        injected = "%0d%0aSet-Cookie:%20stolen=1%0d%0aX-Injected:%201"
        cases = [
            # Only the digits of what was sent reach the address.
            ("compare form", "/Benchmark/Korvid/Compare?id=1" + injected + "&id=2", 303,
             "/Benchmark/Korvid/Compare/1,1,1,2"),
            ("typed IDs", "/Benchmark/Korvid/Compare?ids=3" + injected, 303, "/Benchmark/Korvid/Compare/3,1,1"),
            ("canonical result ID", "/Benchmark/Korvid/Result/01" + injected, 404, None),
            ("canonical card ID", "/Benchmark/Korvid/Card/007/Drivers" + injected, 404, None),
            ("canonical card history", "/Benchmark/Korvid/Card/007/Drivers", 301,
             "/Benchmark/Korvid/Card/7/Drivers"),
        ]
        for what, target, status, location in cases:
            with self.subTest(what):
                reply = send_raw(self.server, request_bytes("GET", target, login=None))
                self.assertEqual(reply.status, status)
                self.assertEqual(reply.headers.get("location"), location)
                self.assertNotIn("set-cookie", reply.headers)
                self.assertNotIn("x-injected", reply.headers)
                self.assertFalse(any("stolen" in value for _, value in reply.header_lines))

    def test_ambiguous_heads_are_refused(self):
        def raw(*lines, body=b""):
            return ("\r\n".join(lines) + "\r\n\r\n").encode() + body
        cases = [
            ("folded line", raw("GET /Benchmark/Korvid/ HTTP/1.1", "Host: 127.0.0.1", "X-Note: a",
                                " folded", "Connection: close"), 400, b"folded header lines are not accepted\n"),
            ("folded with a tab", raw("GET / HTTP/1.1", "Host: 127.0.0.1", "Accept: text/html,",
                                      "\tapplication/json", "Connection: close"), 400,
             b"folded header lines are not accepted\n"),
            ("no Host", raw("GET /Benchmark/Korvid/ HTTP/1.1", "Connection: close"), 400,
             b"an HTTP/1.1 request needs a Host field\n"),
            ("two Hosts", raw("GET /Benchmark/Korvid/ HTTP/1.1", "Host: 127.0.0.1", "Host: evil.example",
                              "Connection: close"), 400, b"a request may name one Host\n"),
            ("two equal lengths", raw("POST /api/v1/BenchmarkCPU HTTP/1.1", "Host: 127.0.0.1",
                                      "Content-Type: application/xml", "Content-Length: %d" % len(CPU),
                                      "Content-Length: %d" % len(CPU), "Connection: close", body=CPU), 400,
             b"a request may give one Content-Length\n"),
            ("HTTP/1.0 needs no Host", raw("GET /Benchmark/Korvid/Measuring HTTP/1.0"), 200, None),
        ]
        before = stored_counts(self.server)
        for what, request, status, reason in cases:
            with self.subTest(what):
                reply = send_raw(self.server, request)
                self.assertEqual(reply.status, status)
                if reason is not None:
                    self.assertEqual(reply.body, reason)
                self.assertTrue(answers_promptly(self.server))
        self.assertEqual(stored_counts(self.server), before)


class DownloadsTest(HardeningTestCase):
    """A 2 MB package: ranges never make a reply larger than the file, HEAD tells the GET's
    length."""

    SIZE = 2 * 1000 * 1000
    PATH = "/Benchmark/Korvid/Downloads/korvid-2.9-win64.zip"

    @classmethod
    def setUpClass(cls):
        cls.packages = tempfile.mkdtemp(prefix="korvid-packages-")
        cls.content = bytes((i * 7 + i // 251) & 0xFF for i in range(cls.SIZE))
        (pathlib.Path(cls.packages) / "korvid-2.9-win64.zip").write_bytes(cls.content)
        cls.SERVER_ARGS = ("--packages", cls.packages)
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.packages, True)

    def test_ranges_of_a_package_download(self):
        overlapping = "bytes=" + ",".join("0-%d" % (self.SIZE - 1 - i) for i in range(300))
        cases = [
            # (Range, status, Content-Range, the bytes expected)
            (overlapping, 200, None, self.content),
            ("bytes=0-0,1-1", 200, None, self.content),
            ("bytes=1000-1999", 206, "bytes 1000-1999/2000000", self.content[1000:2000]),
            ("bytes=-100", 206, "bytes 1999900-1999999/2000000", self.content[-100:]),
            ("bytes=1999999-", 206, "bytes 1999999-1999999/2000000", self.content[-1:]),
            ("bytes=2000000-", 416, "bytes */2000000", b"the requested range is not satisfiable\n"),
        ]
        for header, status, content_range, body in cases:
            with self.subTest(header[:40]):
                reply = send_raw(self.server, request_bytes("GET", self.PATH, [("Range", header)],
                                                            login=None), timeout=30)
                self.assertEqual(reply.status, status)
                self.assertEqual(reply.headers.get("content-range"), content_range)
                self.assertEqual(int(reply.headers["content-length"]), len(body))
                self.assertTrue(reply.body == body, "the reply's bytes differ from the file's")
        self.assertTrue(answers_promptly(self.server))

    def test_head_tells_the_length_of_the_get(self):
        for path in (self.PATH, "/api/v1/BenchmarkCPU?Name=x&", "/Benchmark/Korvid/",
                     "/Benchmark/Korvid/Nothing"):
            with self.subTest(path):
                get = send_raw(self.server, request_bytes("GET", path), timeout=30)
                with connect(self.server) as sock:
                    sock.sendall(request_bytes("HEAD", path))
                    head = read_reply(sock, head_only=True)
                    sock.settimeout(5)
                    self.assertEqual(sock.recv(100), b"", "HEAD sent a body")
                self.assertEqual(head.status, get.status)
                self.assertEqual(head.headers["content-length"], str(len(get.body)))
                self.assertEqual(head.headers.get("content-type"), get.headers.get("content-type"))


class ConnectionsTest(HardeningTestCase):
    """Slow, idle and many connections, on a server with short deadlines."""

    SERVER_ARGS = ("--head-timeout", "4", "--idle-timeout", "2", "--handshake-timeout", "2")
    HTTPS = True

    def test_slow_connections_do_not_hold_the_server(self):
        trickling = []
        try:
            for _ in range(200):
                sock = connect(self.server)
                sock.sendall(b"GET /Benchmark/Korvid/ HTTP/1.1\r\n")
                trickling.append(sock)
            idle = [connect(self.server) for _ in range(20)]
            unshaken = [connect(self.server, port=self.server.https_port) for _ in range(20)]
            trickling += idle + unshaken
            started = time.monotonic()
            for _ in range(3):
                for sock in trickling[:200]:
                    send_in_pieces(sock, [b"X-Slow: 1\r\n"], 0)
                self.assertTrue(answers_promptly(self.server))
                time.sleep(1.5)
            # Past the head deadline (4 s from the first byte), every one was closed: a read
            # sees the end (or a reset), never waits.
            time.sleep(max(0.0, started + 6 - time.monotonic()))
            for sock in trickling:
                sock.settimeout(5)
                try:
                    data = sock.recv(1024)
                except ConnectionResetError:
                    data = b""
                self.assertEqual(data, b"")
        finally:
            for sock in trickling:
                sock.close()
        self.assertTrue(answers_promptly(self.server))

    def test_a_thousand_connections_at_once_are_all_answered(self):
        request = request_bytes("GET", "/api/v1/BenchmarkCPU?Name=crowd&")
        socks = []
        try:
            for _ in range(1000):
                socks.append(connect(self.server, timeout=60))
                socks[-1].sendall(request)
            statuses = []
            for sock in socks:
                statuses.append(read_reply(sock, timeout=60).status)
        finally:
            for sock in socks:
                sock.close()
        self.assertEqual(statuses, [200] * 1000)
        self.assertTrue(answers_promptly(self.server))

    def test_tls_offers_only_versions_1_2_and_1_3(self):
        warnings.simplefilter("ignore", DeprecationWarning)  # asking for TLS 1.1 on purpose
        for version, accepted in ((ssl.TLSVersion.TLSv1_2, True), (ssl.TLSVersion.TLSv1_3, True),
                                  (ssl.TLSVersion.TLSv1_1, False)):
            with self.subTest(version.name):
                context = ssl.create_default_context(cafile=str(self.server.ca_file))
                context.set_ciphers("DEFAULT:@SECLEVEL=0")
                context.minimum_version = context.maximum_version = version
                try:
                    with socket.create_connection((self.server.host, self.server.https_port), 10) as raw, \
                            context.wrap_socket(raw, server_hostname="localhost") as tls:
                        tls.sendall(request_bytes("GET", "/api/v1/BenchmarkCPU?Name=x&"))
                        reply = read_reply(tls)
                        self.assertTrue(accepted, "the server accepted " + version.name)
                        self.assertEqual((tls.version(), reply.status), (version.name.replace("_", "."), 200))
                except ssl.SSLError as error:
                    if "NO_PROTOCOLS_AVAILABLE" in str(error) or "no protocols available" in str(error):
                        self.skipTest("this Python cannot offer " + version.name)
                    self.assertFalse(accepted, str(error))
                    # The server's own refusal, not a failure on this side.
                    self.assertIn("PROTOCOL_VERSION", str(error))


class PendingBodiesTest(HardeningTestCase):
    """Bodies held at once have a budget over every connection: connections that announce
    bodies and send them slowly (or wait for busy workers) cannot make the server hold more."""

    SERVER_ARGS = ("--max-body", "100000", "--max-pending-bodies", "150000")

    def test_bodies_beyond_the_budget_wait_for_room_with_503(self):
        def head(length):
            return request_bytes("POST", "/api/v1/BenchmarkCPU", [("Content-Type", "application/xml"),
                                                                 ("Content-Length", str(length))])
        chunked = request_bytes("POST", "/api/v1/BenchmarkCPU", [("Content-Type", "application/xml"),
                                                                ("Transfer-Encoding", "chunked")])
        before = stored_counts(self.server)
        with connect(self.server) as slow:
            slow.sendall(head(90000) + b"<Bench")  # holds 90 000 of the 150 000 bytes
            time.sleep(0.2)
            for what, data in (("a body that does not fit beside it", head(70000) + CPU),
                               ("a chunked body, counted at the body limit", chunked + chunk(CPU) + b"0\r\n\r\n")):
                reply = send_raw(self.server, data)
                self.assertEqual(reply.status, 503, what)
                self.assertEqual(reply.headers.get("retry-after"), "2", what)
            # What still fits is served: the small body of a real record.
            fitting = send_raw(self.server, request_bytes("POST", "/api/v1/BenchmarkCPU",
                                                          [("Content-Type", "application/xml")], CPU))
            self.assertEqual(fitting.status, 200)
            self.assertTrue(answers_promptly(self.server))
        # The slow one is gone, and its room with it.
        time.sleep(0.2)
        again = send_raw(self.server, chunked + chunk(CPU) + b"0\r\n\r\n")
        self.assertEqual(again.status, 200, again)
        after = stored_counts(self.server)
        self.assertEqual(after["records"] - before["records"], 1)


class ShutdownTest(unittest.TestCase):
    """SIGTERM while clients hold connections open."""

    def test_sigterm_finishes_requests_in_flight_and_exits_within_its_deadline(self):
        server = start_server("sqlite", ("--shutdown-timeout", "4"))
        try:
            slow = []
            for _ in range(50):
                sock = connect(server)
                sock.sendall(b"GET / HTTP/1.1\r\n")
                slow.append(sock)
            idle = [connect(server) for _ in range(10)]
            # A request in flight: its body is half sent when the signal comes.
            in_flight = connect(server)
            body = CPU
            in_flight.sendall(request_bytes("POST", "/api/v1/BenchmarkCPU",
                                            [("Content-Type", "application/xml")], body)[:-20])
            # A client that never finishes its body: only the deadline ends it.
            stuck = connect(server)
            stuck.sendall(request_bytes("POST", "/api/v1/BenchmarkCPU",
                                        [("Content-Type", "application/xml"),
                                         ("Content-Length", "100000")]) + b"abc")
            time.sleep(0.5)
            started = time.monotonic()
            server.process.process.send_signal(signal.SIGTERM)
            time.sleep(0.3)
            in_flight.sendall(body[-20:])
            reply = read_reply(in_flight, timeout=10)
            self.assertEqual((reply.status, reply.body),
                             (200, b"<BenchmarkCPU><ID>1</ID></BenchmarkCPU>\n"))
            self.assertEqual(reply.headers.get("connection"), "close")
            # Closed at once, well before the deadline.
            for sock in slow + idle:
                sock.settimeout(1.5)
                try:
                    self.assertEqual(sock.recv(100), b"")
                except ConnectionResetError:
                    pass
            server.process.process.wait(timeout=20)
            elapsed = time.monotonic() - started
            self.assertLess(elapsed, 4 + 4, "exited %.1f s after SIGTERM" % elapsed)
            code = server.stop()
            self.assertEqual(code, 0, server.process.log[-2000:])
            self.assertIn("korvid-server stopped\n", server.process._stdout)
            for sock in slow + idle + [in_flight, stuck]:
                sock.close()
        finally:
            server.stop()


if __name__ == "__main__":
    unittest.main()
