"""Checks of the local results server itself: python3 -m unittest discover -s tests/client"""
import base64
import os
import pathlib
import shutil
import ssl
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.parse
import urllib.request

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import korvid_test_server as server_module  # noqa: E402


class ServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = server_module.TestResultsServer().start()
        cls.context = ssl.create_default_context(cafile=cls.server.ca_file)
        login = "%s:%s" % (cls.server.client_name, cls.server.client_key)
        cls.authorization = "Basic " + base64.b64encode(login.encode()).decode()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.server.workdir, ignore_errors=True)

    def request(self, url, body=None, authorization=None, context=None):
        request = urllib.request.Request(url, data=body)
        request.add_header("Authorization", authorization or self.authorization)
        if body is not None:
            request.add_header("Content-Type", "application/xml")
        try:
            with urllib.request.urlopen(request, context=context or self.context, timeout=10) as reply:
                return reply.status, reply.read()
        except urllib.error.HTTPError as error:
            return error.code, error.read()

    def test_lookup_submission_and_matching_by_fields_and_references(self):
        base = self.server.https_url("records")
        self.assertEqual((200, b"<SearchResponse/>"),
                         self.request(base + "BenchmarkLibrary?Name=kernel32.dll&"))
        self.assertEqual((200, b"<BenchmarkLibrary><ID>1</ID></BenchmarkLibrary>"),
                         self.request(base + "BenchmarkLibrary",
                                      b"<BenchmarkLibrary>\n\t<Name>kernel32.dll</Name>\n</BenchmarkLibrary>\n"))
        self.assertEqual((200, b"<BenchmarkLibrary><ID>1</ID></BenchmarkLibrary>"),
                         self.request(base + "BenchmarkLibrary?Name=kernel32.dll&"))
        document = (b"<BenchmarkLibraryVersion>\n\t<LibraryVersion>6.1</LibraryVersion>\n"
                    b"\t<Library id=\"1\"/>\n</BenchmarkLibraryVersion>\n")
        self.assertEqual(200, self.request(base + "BenchmarkLibraryVersion", document)[0])
        self.assertEqual((200, b"<BenchmarkLibraryVersion><ID>2</ID></BenchmarkLibraryVersion>"),
                         self.request(base + "BenchmarkLibraryVersion?LibraryVersion=6.1&LibraryID=1&"))
        self.assertEqual((200, b"<SearchResponse/>"),
                         self.request(base + "BenchmarkLibraryVersion?LibraryVersion=6.1&LibraryID=9&"))
        # Percent-encoded values match the stored text.
        self.request(base + "BenchmarkCPU", b"<BenchmarkCPU><Name>Intel(R) Core</Name></BenchmarkCPU>")
        self.assertEqual((200, b"<BenchmarkCPU><ID>3</ID></BenchmarkCPU>"),
                         self.request(base + "BenchmarkCPU?Name=Intel%28R%29%20Core&"))
        self.assertEqual(400, self.request(base + "BenchmarkCPU", b"<Other/>")[0])

    def test_a_lookup_matches_the_exact_key_as_korvid_server_does(self):
        base = self.server.https_url("exact")
        card = (b"<BenchmarkGraphicsCard>\n\t<Name>GTX 470</Name>\n\t<ProductID>0x6cd</ProductID>\n"
                b"\t<VendorID>0x10de</VendorID>\n</BenchmarkGraphicsCard>\n")
        self.assertEqual(200, self.request(base + "BenchmarkGraphicsCard", card)[0])
        found = (200, b"<BenchmarkGraphicsCard><ID>1</ID></BenchmarkGraphicsCard>")
        nothing = (200, b"<SearchResponse/>")
        cases = [
            ("ProductID=0x6cd&VendorID=0x10de&", found, "the name is no part of a known card's key"),
            ("VendorID=0x10de&ProductID=0x6cd&", found, "in another order"),
            ("ProductID=0x6cd&", nothing, "a part of the key"),
            ("", nothing, "an empty query"),
            ("Name=GTX%20470&ProductID=0x6cd&VendorID=0x10de&", nothing, "a pair more"),
            ("ProductID=0x6cd&VendorID=0x10de&VendorID=0x10de&", nothing, "a pair twice"),
        ]
        for query, reply, what in cases:
            self.assertEqual(reply, self.request(base + "BenchmarkGraphicsCard?" + query), what)
        # Without a product ID the name is the card.
        self.request(base + "BenchmarkGraphicsCard",
                     b"<BenchmarkGraphicsCard><Name>Soft</Name><ProductID>0x0</ProductID></BenchmarkGraphicsCard>")
        self.assertEqual((200, b"<BenchmarkGraphicsCard><ID>2</ID></BenchmarkGraphicsCard>"),
                         self.request(base + "BenchmarkGraphicsCard?Name=Soft&ProductID=0x0&"))
        self.assertEqual(nothing, self.request(base + "BenchmarkGraphicsCard?ProductID=0x0&"))

    def test_login_is_checked(self):
        base = self.server.https_url("login")
        status, _ = self.request(base + "BenchmarkCPU?Name=x&", authorization="Basic eDp5")
        self.assertEqual(401, status)
        session = self.server.session("login")
        self.assertEqual(1, len(session.requests))
        self.assertIn(b"Authorization: Basic eDp5\r\n", session.requests[0]["head"])

    def test_untrusted_server_is_not_authenticated_by_the_test_ca(self):
        with self.assertRaises(urllib.error.URLError) as raised:
            self.request(self.server.untrusted_url() + "BenchmarkCPU?Name=x&")
        self.assertIsInstance(raised.exception.reason, ssl.SSLCertVerificationError)
        unchecked = ssl._create_unverified_context()
        self.assertEqual(200, self.request(self.server.untrusted_url("u") + "BenchmarkCPU?Name=x&",
                                           context=unchecked)[0])

    def test_certificate_names(self):
        text = subprocess.run(["openssl", "x509", "-noout", "-text", "-in",
                               self.server.certificates["server_cert"]],
                              check=True, capture_output=True, text=True).stdout
        self.assertIn("DNS:localhost", text)
        self.assertIn("DNS:127.0.0.1", text)

    def test_faults_apply_in_order_and_only_to_their_method(self):
        name = "faults"
        base = self.server.http_url(name)
        session = self.server.session(name)
        session.faults.append(server_module.Fault(status=500, method="POST"))
        session.faults.append(server_module.Fault(kind="id42abc", method="GET", after=1))
        self.assertEqual((200, b"<SearchResponse/>"), self.request(base + "BenchmarkCPU?Name=a&"))
        self.assertEqual((200, b"<BenchmarkCPU><ID>42abc</ID></BenchmarkCPU>"),
                         self.request(base + "BenchmarkCPU?Name=a&"))
        self.assertEqual(500, self.request(base + "BenchmarkCPU", b"<BenchmarkCPU/>")[0])
        self.assertEqual([], session.records, "a failing server stores nothing")
        self.assertEqual(200, self.request(base + "BenchmarkCPU", b"<BenchmarkCPU/>")[0])

    def test_control_endpoint_and_sessions(self):
        control = self.server.control_url()
        with urllib.request.urlopen(control + "c1/record?id=4&query=" +
                                    urllib.parse.quote("BenchmarkLibrary?Name=k.dll&", safe="")) as reply:
            self.assertEqual(b"4", reply.read())
        urllib.request.urlopen(control + "c1/fault?method=GET&status=403&count=1").read()
        self.assertEqual(403, self.request(self.server.http_url("c1") + "BenchmarkLibrary?Name=k.dll&")[0])
        self.assertEqual((200, b"<BenchmarkLibrary><ID>4</ID></BenchmarkLibrary>"),
                         self.request(self.server.http_url("c1") + "BenchmarkLibrary?Name=k.dll&"))
        # Another session does not see the record.
        self.assertEqual((200, b"<SearchResponse/>"),
                         self.request(self.server.http_url("c2") + "BenchmarkLibrary?Name=k.dll&"))
        with urllib.request.urlopen(control + "c1/request/1/target") as reply:
            self.assertEqual(b"GET /s/c1/api/v1/BenchmarkLibrary?Name=k.dll&", reply.read())
        with urllib.request.urlopen(control + "c1/requests/count") as reply:
            self.assertEqual(b"2", reply.read())


class ScriptsTest(unittest.TestCase):
    def test_start_writes_the_environment_and_stop_ends_the_server(self):
        outdir = tempfile.mkdtemp(prefix="korvid-server-scripts-")
        try:
            subprocess.run([str(HERE / "start"), outdir], check=True, timeout=120)
            env_text = pathlib.Path(outdir, "server.env").read_text()
            for name in ("KORVID_TEST_HTTPS_URL", "KORVID_TEST_HTTP_URL", "KORVID_TEST_UNTRUSTED_URL",
                         "KORVID_TEST_CONTROL_URL", "KORVID_TEST_CA_FILE", "KORVID_TEST_HANG_URL"):
                self.assertIn("export %s='" % name, env_text)
            self.assertIn("export KORVID_TEST_HTTPS_URL='https://localhost:", env_text)
            pid = int(pathlib.Path(outdir, "server.pid").read_text())
            os.kill(pid, 0)
            subprocess.run([str(HERE / "stop"), outdir], check=True, timeout=60)
            with self.assertRaises(ProcessLookupError):
                os.kill(pid, 0)
        finally:
            subprocess.run([str(HERE / "stop"), outdir], timeout=60)
            shutil.rmtree(outdir, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
