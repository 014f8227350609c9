"""The layout of docs/deploying.md, end to end: Debian's nginx with the configuration of
package/korvid-server/nginx-korvid.conf (its names, ports and certificate replaced by the
test's own), ending TLS and passing to two korvid-server processes on one PostgreSQL database,
and korvid.exe under Wine in front of it all (korvid_e2e with its addresses pointed at
nginx's two ports, which the test takes free: its API on https://localhost:HTTPS/api/v1/, its
pages on http://localhost:HTTP/).

One server is stopped once korvid.exe's upload has begun: the upload still ends with a result
page, whose address works over both of nginx's ports, and the database holds that result once.
nginx's limits are the servers' own: what passes nginx is what a server accepts.

Needs nginx (scripts/setup installs it) and PostgreSQL (the cluster scripts/test starts, else
one of its own); skipped with the reason without either."""
import os
import pathlib
import re
import shutil
import socket
import ssl
import subprocess
import threading
import time
import unittest
import urllib.request

from harness.e2e_program import E2E_EXE, copy_program
from harness.korvid_wine import ROOT, VirtualDisplay, run_windows_program
from server.hardening import read_reply
from server.korvid_server_process import SERVER_EXE, fetch, make_localhost_certificates
from server.server_fixtures import (database_rows, free_ports, new_database, started_server,
                                    temporary_folder)

NGINX = pathlib.Path("/usr/sbin/nginx")
SITE = ROOT / "package" / "korvid-server" / "nginx-korvid.conf"
MAX_BODY = 1048576


def site_for_test(text, upstreams, cert, key, http_port, https_port):
    """The documented site with the test's ports, name and certificate; nothing else changed."""
    servers = iter(upstreams)
    text = re.sub(r"server 127\.0\.0\.1:\d+ ", lambda m: "server %s " % next(servers), text)
    text = re.sub(r"^\s*listen \[::\]:\d+( ssl)?;\n", "", text, flags=re.M)
    text = text.replace("listen 80;", "listen 127.0.0.1:%d;" % http_port)
    text = text.replace("listen 443 ssl;", "listen 127.0.0.1:%d ssl;" % https_port)
    text = text.replace("server_name results.example.org;", "server_name localhost;")
    text = re.sub(r"ssl_certificate \S+;", "ssl_certificate %s;" % cert, text)
    text = re.sub(r"ssl_certificate_key \S+;", "ssl_certificate_key %s;" % key, text)
    return text


class Nginx:
    """nginx in the foreground with a configuration of its own in `folder`."""

    def __init__(self, folder, site, port):
        """port: one that the site listens on, which tells when nginx is up."""
        self.folder = folder
        self.port = port
        for name in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
            (folder / "temp" / name).mkdir(parents=True, exist_ok=True)
        user = ""
        if os.geteuid() == 0:
            # Its workers drop to nobody: they must reach their temporary files.
            user = "user nobody nogroup;\n"
            for path in [folder / "temp"] + list((folder / "temp").iterdir()):
                shutil.chown(path, "nobody", "nogroup")
        (folder / "site.conf").write_text(site)
        (folder / "nginx.conf").write_text(
            "%sdaemon off;\nworker_processes 1;\npid %s/nginx.pid;\nerror_log %s/error.log;\n"
            "events { worker_connections 256; }\n"
            "http {\n  access_log %s/access.log;\n  client_body_temp_path %s/temp/body;\n"
            "  proxy_temp_path %s/temp/proxy;\n  fastcgi_temp_path %s/temp/fastcgi;\n"
            "  uwsgi_temp_path %s/temp/uwsgi;\n  scgi_temp_path %s/temp/scgi;\n"
            "  include %s/site.conf;\n}\n" % ((user,) + (folder,) * 9))
        self.process = None

    def start(self):
        check = subprocess.run([str(NGINX), "-t", "-q", "-p", str(self.folder), "-c",
                                str(self.folder / "nginx.conf")], capture_output=True, text=True)
        if check.returncode != 0:
            raise AssertionError("nginx refuses the configuration:\n" + check.stderr)
        self.process = subprocess.Popen([str(NGINX), "-p", str(self.folder), "-c",
                                         str(self.folder / "nginx.conf")],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, text=True)
        deadline = time.time() + 30
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return self
            except OSError:
                if self.process.poll() is not None:
                    break
                time.sleep(0.1)
        self.stop()
        raise AssertionError("nginx did not start:\n%s%s" % (self.process.stderr.read(), self.error_log()))

    def error_log(self):
        path = self.folder / "error.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def access_log(self):
        path = self.folder / "access.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def raw_request(port, head, body=b""):
    """One request over plain HTTP to nginx; the status of its reply."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(head + body)
        return read_reply(s, timeout=30).status


@unittest.skipUnless(NGINX.exists(), "nginx is not installed (scripts/setup installs it)")
@unittest.skipUnless(E2E_EXE.exists() and SERVER_EXE.exists(), "korvid_e2e or korvid-server is not built")
class BehindNginxTest(unittest.TestCase):
    def setUp(self):
        self.database = new_database(self, "postgresql").url
        self.folder = temporary_folder(self, "korvid-nginx-")
        os.chmod(self.folder, 0o755)
        self.ca, cert, key = make_localhost_certificates(self.folder)
        self.servers = [started_server(self, self.database, cwd=str(self.folder)) for _ in range(2)]
        upstreams = [server.url("http")[len("http://"):].rstrip("/") for server in self.servers]
        self.http_port, self.https_port = free_ports(2)
        site = site_for_test(SITE.read_text(), upstreams, cert, key, self.http_port, self.https_port)
        self.nginx = Nginx(self.folder, site, self.http_port).start()
        self.addCleanup(self.nginx.stop)

    def result_ids(self):
        return [int(r[0]) for r in database_rows(self.database, "SELECT id FROM results ORDER BY id")]

    def test_korvid_exe_uploads_through_nginx_while_one_server_stops(self):
        run = self.folder / "run"
        run.mkdir()
        copy_program(run, self.https_port, self.http_port, self.ca)

        # The first server stops once the upload has begun (its first API request reached nginx).
        stopped = threading.Event()

        def stop_first_server():
            deadline = time.time() + 600
            while "/api/v1/" not in self.nginx.access_log() and time.time() < deadline:
                time.sleep(0.05)
            self.servers[0].stop()
            stopped.set()

        stopper = threading.Thread(target=stop_first_server, daemon=True)
        stopper.start()
        with VirtualDisplay("320x240x24") as display:
            code, out = run_windows_program(run / "korvid.exe", ["-y", "-u", "-ns"], display=display.name,
                                            dll_overrides="d2d1=d", cwd=run, timeout=900)
        stopper.join(timeout=60)
        self.assertTrue(stopped.is_set())
        self.assertEqual(self.servers[0].returncode, 0, self.servers[0].log[-2000:])
        self.assertEqual(code, 0, out[-3000:])
        urls = re.findall(r"^Result URL: (\S+)$", out, re.M)
        self.assertEqual(len(urls), 1, out[-3000:])
        self.assertRegex(urls[0], r"^http://localhost:%d/Benchmark/Korvid/Result/\d+$" % self.http_port)
        ids = self.result_ids()
        self.assertEqual(ids, [int(urls[0].rsplit("/", 1)[1])], "stored once, under the ID given")
        self.assertIn('"method":"POST","target":"/api/v1/KorvidResult"', self.servers[1].log)

        # The result page over both of nginx's ports; the remaining server answers for both.
        page = fetch(urls[0])
        self.assertEqual(page.status, 200)
        self.assertIn("<title>Result %d: " % ids[0], page.text)
        https = urls[0].replace("http://localhost:%d" % self.http_port,
                                "https://localhost:%d" % self.https_port)
        context = ssl.create_default_context(cafile=str(self.ca))
        with urllib.request.urlopen(https, context=context, timeout=30) as reply:
            self.assertEqual(reply.status, 200)

    def test_nginx_refuses_what_the_servers_refuse_and_passes_what_they_take(self):
        login = "Authorization: Basic a29ydmlkOmtleQ==\r\n"
        cases = [
            # (what, head, body, status expected, answered by nginx alone)
            ("largest body", "POST /api/v1/KorvidResult HTTP/1.1\r\nHost: localhost\r\n%s"
             "Content-Length: %d\r\nConnection: close\r\n\r\n" % (login, MAX_BODY), b"<" * MAX_BODY, 401, False),
            ("body one byte over", "POST /api/v1/KorvidResult HTTP/1.1\r\nHost: localhost\r\n%s"
             "Content-Length: %d\r\nConnection: close\r\n\r\n" % (login, MAX_BODY + 1), b"<" * (MAX_BODY + 1), 413, True),
            ("long request line", "GET /Benchmark/Korvid/?q=%s HTTP/1.1\r\nHost: localhost\r\n"
             "Connection: close\r\n\r\n" % ("x" * 8000), b"", 200, False),
            ("request line over", "GET /Benchmark/Korvid/?q=%s HTTP/1.1\r\nHost: localhost\r\n"
             "Connection: close\r\n\r\n" % ("x" * 8300), b"", 414, True),
            ("metrics kept inside", "GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n",
             b"", 404, True),
            ("health for a load balancer", "GET /healthz HTTP/1.1\r\nHost: localhost\r\n"
             "Connection: close\r\n\r\n", b"", 200, False),
        ]
        for what, head, body, status, by_nginx in cases:
            with self.subTest(what):
                before = [server.log.count("\n") for server in self.servers]
                self.assertEqual(raw_request(self.http_port, head.encode(), body), status)
                # A server logs each request it answered, once the reply is out.
                deadline = time.time() + (1 if by_nginx else 10)
                while time.time() < deadline:
                    reached = [server.log.count("\n") for server in self.servers] != before
                    if reached:
                        break
                    time.sleep(0.05)
                self.assertEqual(reached, not by_nginx)


if __name__ == "__main__":
    unittest.main()
