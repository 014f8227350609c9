"""What a record document, a lookup and a transcript may hold, against the real korvid-server
on SQLite and on PostgreSQL: hostile documents are refused with 400 and a short reason, the
server answers a normal request promptly afterwards and nothing of them is stored; values at
the bounds are stored on both storages and found again by their lookup."""
import pathlib
import re
import time
import urllib.parse

from server.hardening import (HardeningTestCase, answers_promptly, on_postgresql, post_document,
                              request_bytes, send_raw, stored_counts)

CPU = "BenchmarkCPU"
# The longest API base path the server's lookup bound allows for.
LONG_BASE = "/" + "b" * 62 + "/"
TRANSCRIPT = pathlib.Path(__file__).parent / "import" / "gdi-run.kvdresult"
NUL_LINE = 23  # "Board name: ..." in TRANSCRIPT


def client_encode(text):
    """As korvid's client percent-encodes (results/UrlEncode): all but A-Z a-z 0-9 - _ . ~"""
    data = text.encode("latin-1") if isinstance(text, str) else text
    return urllib.parse.quote(data, safe="-_.~")


def lookup_target(record_type, pairs, base="/api/v1/"):
    return base + record_type + "?" + "".join(
        "%s=%s&" % (client_encode(name), client_encode(value)) for name, value in pairs)


def record_id(reply):
    match = re.search(rb"<ID>(\d+)</ID>", reply.body)
    return int(match.group(1)) if match else None


def document(record_type, content):
    return ("<%s>\n%s</%s>\n" % (record_type, content, record_type)).encode("latin-1")


def field(name, value):
    return "\t<%s>%s</%s>\n" % (name, value, name)


class DocumentsTest(HardeningTestCase):

    def get(self, target):
        return send_raw(self.server, request_bytes("GET", target))

    def assert_refused(self, cases):
        """cases: (what, request bytes, reason); each a 400 with that reason, nothing stored,
        and the server answering promptly afterwards."""
        for what, data, reason in cases:
            before = stored_counts(self.server)
            reply = send_raw(self.server, data, timeout=30)
            self.assertEqual(reply.status, 400, "%s: %r" % (what, reply))
            if reason is not None:
                self.assertEqual(reply.body.decode("utf-8").strip(), reason, what)
            self.assertTrue(answers_promptly(self.server), what)
            self.assertEqual(stored_counts(self.server), before, what)

    def post(self, record_type, body):
        return request_bytes("POST", "/api/v1/" + record_type,
                             [("Content-Type", "application/xml")], body)

    def test_a_deep_document_with_a_quote_in_a_tag_is_refused_before_the_parser(self):
        deep = b'<BenchmarkCPU><f">' + b"<a>" * 300000
        self.assertLess(len(deep), 1 << 20)
        started = time.monotonic()
        self.assert_refused([
            ("a quote in a name, then 300 000 levels", self.post(CPU, deep),
             "malformed record document: unreadable tag at byte 14"),
            ("'<' in an attribute value", self.post(CPU, b'<BenchmarkCPU><Name a="' + b"<a>" * 20000 + b'"/>'),
             "malformed record document: unreadable tag at byte 14"),
            ("a processing instruction inside", self.post(CPU, b"<BenchmarkCPU><?x " + b"<a>" * 20000 + b"?>"),
             "processing instructions are not accepted in a record document"),
            ("junk in an end tag", self.post(CPU, b"<BenchmarkCPU><Name>x</Name <a>" + b"<a>" * 20000),
             "malformed record document: unreadable tag at byte 21"),
            ("plain nesting", self.post(CPU, b"<a>" * 300000), "the record document is nested too deeply"),
        ])
        self.assertLess(time.monotonic() - started, 30)

    def test_nul_is_refused_raw_and_as_a_character_reference_in_uploads_and_lookups(self):
        self.assert_refused([
            ("a NUL byte in a document", self.post(CPU, document(CPU, field("Name", "a\0b"))),
             "the record document contains a NUL byte"),
            ("&#0; in a value", self.post(CPU, document(CPU, field("Name", "a&#0;b"))),
             "the value of <Name> contains a NUL character"),
            ("&#x0; in a result", self.post("KorvidResult", document("KorvidResult", field("Note", "&#x0;"))),
             "the value of <Note> contains a NUL character"),
            ("%00 in a lookup", request_bytes("GET", "/api/v1/BenchmarkCPU?Name=a%00b&"),
             "NUL byte in the query"),
            # Raw in the request line: refused by whichever layer sees it first.
            ("a NUL byte in a lookup", request_bytes("GET", "/api/v1/BenchmarkCPU?Name=a\0b&"), None),
        ])

    def test_names_values_and_measurement_names_beyond_their_bounds_are_refused(self):
        long_test = "A" * 59 + "_Ops_s"
        self.assert_refused([
            ("a 129-byte field name", self.post(CPU, document(CPU, field("N" * 129, "x"))),
             "an element or attribute name is longer than 128 bytes"),
            ("a 4097-byte value", self.post(CPU, document(CPU, field("Name", "x" * 4097))),
             "the value of <Name> is longer than 4096 bytes"),
            ("2049 Windows-1252 bytes, 4098 in UTF-8",
             self.post(CPU, document(CPU, field("Name", "\xae" * 2049))),
             "the value of <Name> is longer than 4096 bytes"),
            ("a 4000-letter measurement name",
             self.post("KorvidResult", document("KorvidResult", field("A" * 4000 + "_Ops_s", "1"))),
             "an element or attribute name is longer than 128 bytes"),
            ("a 65-byte measurement name",
             self.post("KorvidResult", document("KorvidResult", field(long_test, "1"))),
             "the measurement name <%s> is longer than 64 bytes" % long_test),
            ("65 members in a collection", self.post("KorvidResult", document(
                "KorvidResult", "\t<Libraries>" + '<BenchmarkLibraryVersion id="1"/>' * 65 + "</Libraries>\n")),
             "the collection <Libraries> holds more than 64 records"),
            ("a lookup name of 129 bytes", request_bytes("GET", "/api/v1/BenchmarkCPU?%s=1&" % ("N" * 129)),
             "a name in the query is longer than 128 bytes"),
            ("a lookup value of 4097 bytes", request_bytes("GET", "/api/v1/BenchmarkCPU?Name=%s&" % ("x" * 4097)),
             "the value of Name in the query is longer than 4096 bytes"),
        ])

    def test_values_at_the_bounds_are_stored_on_both_storages_and_found(self):
        # A card name of some hundred characters, a value and a measurement name at the bound.
        card_name = "Radeon\xae HD 7970 GHz Edition " * 12
        card = [("Name", card_name), ("ProductID", "0x0"), ("VendorID", "0x1002"),
                ("SubProductID", "0x0"), ("SubVendorID", "0x0")]
        stored = post_document(self.server, "BenchmarkGraphicsCard",
                               document("BenchmarkGraphicsCard", "".join(field(n, v) for n, v in card)))
        self.assertEqual(stored.status, 200, stored)
        found = self.get(lookup_target("BenchmarkGraphicsCard", card))
        self.assertEqual(record_id(found), record_id(stored))
        self.assertIn([card_name.replace("\xae", "\u00ae")],
                      self.server.rows("SELECT value FROM record_fields WHERE name = 'Name'"))

        test = "A" * 58 + "_Ops_s"
        result = post_document(self.server, "KorvidResult", document(
            "KorvidResult", field("Note", "n" * 4096) + field(test, "12.5") + field("N" * 128, "1")))
        self.assertEqual(result.status, 200, result)
        self.assertEqual(self.server.rows("SELECT name, LENGTH(value) FROM result_fields WHERE result_id = %d "
                                          "ORDER BY position" % record_id(result)),
                         [["Note", "4096"], [test, "4"], ["N" * 128, "1"]])
        self.assertTrue(answers_promptly(self.server))

    def test_a_collection_or_reference_sent_twice_and_a_field_posing_as_a_reference_are_refused(self):
        card = post_document(self.server, "BenchmarkCPU", document(CPU, field("Name", "Twice")))
        library = post_document(self.server, "BenchmarkLibrary",
                                document("BenchmarkLibrary", field("Name", "d2d1.dll")))
        version = post_document(self.server, "BenchmarkLibraryVersion", document(
            "BenchmarkLibraryVersion", field("LibraryVersion", "6.1") + '\t<Library id="%d"/>\n'
            % record_id(library)))
        ids = [record_id(r) for r in (card, library, version)]
        self.assertNotIn(None, ids)
        self.assert_refused([
            ("a reference sent twice", self.post("KorvidResult", document(
                "KorvidResult", '\t<Processor id="%d"/>\n\t<Processor id="%d"/>\n' % (ids[0], ids[0]))),
             "the reference <Processor> is sent twice"),
            ("a collection sent twice", self.post("KorvidResult", document(
                "KorvidResult", ('\t<Libraries><BenchmarkLibraryVersion id="%d"/></Libraries>\n' % ids[2]) * 2)),
             "the collection <Libraries> is sent twice"),
            ("LibraryID beside Library", self.post("BenchmarkLibraryVersion", document(
                "BenchmarkLibraryVersion", field("LibraryVersion", "6.1") + field("LibraryID", str(ids[1])))),
             "the field <LibraryID> would be looked up as the reference <Library>"),
            ("a reference written as a field", self.post("KorvidResult", document(
                "KorvidResult", field("Processor", str(ids[0])))),
             "<Processor> must be an empty element with one id attribute"),
        ])

    def test_blank_only_values_are_found_by_the_lookup_of_the_same_bytes(self):
        for blanks in ("   ", "\t", " \r\n "):
            board = [("Name", blanks), ("Manufacturer", "Blank %r" % blanks)]
            stored = post_document(self.server, "BenchmarkMotherboard", document(
                "BenchmarkMotherboard", "".join(field(n, v) for n, v in board)))
            self.assertEqual(stored.status, 200, stored)
            found = self.get(lookup_target("BenchmarkMotherboard", board))
            self.assertEqual(record_id(found), record_id(stored), repr(blanks))
            # Blanks alone are the empty value; around a text they are kept.
            empty = self.get(lookup_target("BenchmarkMotherboard", [("Name", ""), board[1]]))
            self.assertEqual(record_id(empty), record_id(stored), repr(blanks))
        padded = [("Name", "  P8P67 ")]
        stored = post_document(self.server, CPU, document(CPU, field("Name", "  P8P67 ")))
        self.assertEqual(record_id(self.get(lookup_target(CPU, padded))), record_id(stored))
        self.assertEqual(self.get(lookup_target(CPU, [("Name", "P8P67")])).body, b"<SearchResponse/>\n")

    def test_a_transcript_with_a_nul_is_refused_naming_its_line(self):
        text = TRANSCRIPT.read_text().replace("Board name: NVIDIA", "Board name: NV\0IDIA")
        before = stored_counts(self.server)
        body = urllib.parse.urlencode({"transcript": text}).encode()
        reply = send_raw(self.server, request_bytes(
            "POST", "/Benchmark/Korvid/Import", [("Content-Type", "application/x-www-form-urlencoded")], body))
        self.assertEqual(reply.status, 400, reply)
        self.assertIn(b"line %d: the line holds a NUL byte" % NUL_LINE, reply.body)
        self.assertTrue(answers_promptly(self.server))
        self.assertEqual(stored_counts(self.server), before)


class LookupBoundTest(HardeningTestCase):
    """The server under the longest API base path that its lookup bound allows for: every
    description record it stores is found by a lookup whose request line fits 8192 bytes."""

    SERVER_ARGS = ("--api-base", LONG_BASE)

    def answers(self):
        reply = send_raw(self.server, request_bytes("GET", LONG_BASE + "BenchmarkCPU?Name=Prompt&"), timeout=2)
        return reply.status == 200 and reply.body.startswith(b"<")

    def test_a_record_whose_lookup_would_not_fit_is_refused_and_one_at_the_bound_is_found(self):
        # "GET " + 64 + "BenchmarkCPU?" + "Name=" + value + "&" + " HTTP/1.1": 96 bytes and the
        # value, 2698 slashes of 3 bytes and two letters: 8192.
        at_bound = "/" * 2698 + "ab"
        target = lookup_target(CPU, [("Name", at_bound)], LONG_BASE)
        self.assertEqual(len("GET %s HTTP/1.1" % target), 8192)

        before = stored_counts(self.server)
        for value in (at_bound + "c", " " * 2700):
            body = document(CPU, field("Name", value))
            reply = send_raw(self.server, request_bytes("POST", LONG_BASE + CPU,
                                                        [("Content-Type", "application/xml")], body))
            self.assertEqual(reply.status, 400, reply)
            self.assertRegex(reply.body.decode(), r"^the lookup of this record would need a request line of "
                             r"819[36] bytes, over the 8192 bytes a request line may have\s*$")
            self.assertTrue(self.answers())
            self.assertEqual(stored_counts(self.server), before)

        stored = send_raw(self.server, request_bytes("POST", LONG_BASE + CPU, [("Content-Type", "application/xml")],
                                                     document(CPU, field("Name", at_bound))))
        self.assertEqual(stored.status, 200, stored)
        found = send_raw(self.server, request_bytes("GET", target))
        self.assertEqual(found.status, 200, found)
        self.assertEqual(record_id(found), record_id(stored))
        self.assertTrue(self.answers())


class ConfiguredLookupBoundTest(HardeningTestCase):
    """The bound follows the server's own request-line limit and an API base longer than 64
    bytes: what is stored can be found through this server."""

    BASE = "/" + "c" * 100 + "/"
    SERVER_ARGS = ("--api-base", BASE, "--max-request-line", "4096")

    def test_the_bound_is_the_configured_request_line_under_the_configured_base(self):
        # "GET " + 102 + "BenchmarkCPU?" + "Name=" + value + "&" + " HTTP/1.1": 134 bytes and
        # the value, 1320 slashes and two letters: 4096.
        at_bound = "/" * 1320 + "ab"
        target = lookup_target(CPU, [("Name", at_bound)], self.BASE)
        self.assertEqual(len("GET %s HTTP/1.1" % target), 4096)
        over = send_raw(self.server, request_bytes("POST", self.BASE + CPU, [("Content-Type", "application/xml")],
                                                   document(CPU, field("Name", at_bound + "c"))))
        self.assertEqual(over.status, 400, over)
        self.assertIn(b"4097 bytes, over the 4096 bytes", over.body)
        stored = send_raw(self.server, request_bytes("POST", self.BASE + CPU, [("Content-Type", "application/xml")],
                                                     document(CPU, field("Name", at_bound))))
        self.assertEqual(stored.status, 200, stored)
        found = send_raw(self.server, request_bytes("GET", target))
        self.assertEqual((found.status, record_id(found)), (200, record_id(stored)))


DocumentsTestOnPostgreSQL = on_postgresql(DocumentsTest)
LookupBoundTestOnPostgreSQL = on_postgresql(LookupBoundTest)
