"""The result pages in headless Chromium against a korvid-server this test starts, filled with
real uploads through the API: tables hold the uploaded values, every chart is an SVG with one
line per series, nothing is fetched from another host, the console stays clean and a card name
made of markup shows as text. Screenshots go to build/screenshots/ for a person to look at."""
import pathlib
import re
import shutil
import tempfile
import unittest
import urllib.request

from server.korvid_server_process import BUILD, SERVER_EXE, KorvidServer, api_request

EVIL = '<script>alert(1)</script> & "R&D"'
FIXTURE = pathlib.Path(__file__).parent / "import" / "gdi-run.upload.xml"
SCREENSHOTS = BUILD / "screenshots"

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException
    from selenium.webdriver.common.by import By
except ImportError:  # pragma: no cover - reported as a skip below
    webdriver = None


def measurement_fields():
    """The rates a GDI run under Wine uploaded, as (name, text) pairs."""
    return re.findall(r"\t<(\w+_(?:Ops_s|MP_s|MiB_s))>([^<]*)<", FIXTURE.read_text())


class Uploader:
    """Posts a result tree the way korvid.exe does: every description record first, then the
    result with references to their IDs."""

    def __init__(self, api):
        self.api = api

    def post(self, record_type, body):
        status, _, reply = api_request(self.api, "POST", record_type, body.encode())
        if status != 200:
            raise AssertionError("%s: %d %s" % (record_type, status, reply))
        return int(re.search(rb"<ID>(\d+)</ID>", reply).group(1))

    def record(self, record_type, fields, refs=()):
        lines = ["<%s>" % record_type]
        lines += ["\t<%s>%s</%s>" % (n, v.replace("&", "&amp;").replace("<", "&lt;"), n) for n, v in fields]
        lines += ['\t<%s id="%d"/>' % (n, i) for n, i in refs]
        return self.post(record_type, "\n".join(lines + ["</%s>" % record_type, ""]))

    def upload(self, card_name, driver_version, scale=1.0):
        os_id = self.record("BenchmarkOperatingSystem", [("Name", "Windows")])
        version = self.record("BenchmarkOperatingSystemVersion", [("OSVersion", "7 Professional")],
                              [("OperatingSystem", os_id)])
        cpu = self.record("BenchmarkCPU", [("Name", "AMD EPYC")])
        board = self.record("BenchmarkMotherboard", [("Name", "Wine"), ("Manufacturer", "The Wine Project")])
        card = self.record("BenchmarkGraphicsCard", [("Name", card_name), ("ProductID", "0x0"),
                                                     ("VendorID", "0x10de"), ("SubProductID", "0x0"),
                                                     ("SubVendorID", "0x0")])
        library = self.record("BenchmarkLibrary", [("Name", "nvd3dum.dll")])
        driver = self.record("BenchmarkLibraryVersion", [("LibraryVersion", driver_version)],
                             [("Library", library)])
        fields = [("RAMSize", "25276190720"), ("VRAMSize", "0"), ("DisplayWidth", "320"),
                  ("DisplayHeight", "240"), ("RefreshRate", "0"), ("BitsPerPixel", "32")]
        fields += [(n, "%g" % (float(v) * scale)) for n, v in measurement_fields()]
        body = ["<KorvidResult>"] + ["\t<%s>%s</%s>" % (n, v, n) for n, v in fields]
        body += ['\t<OperatingSystem id="%d"/>' % version, '\t<Processor id="%d"/>' % cpu,
                 '\t<Motherboard id="%d"/>' % board, '\t<GraphicsCard id="%d"/>' % card,
                 "\t<DriverLibraries>", '\t\t<BenchmarkLibraryVersion id="%d"/>' % driver,
                 "\t</DriverLibraries>", "</KorvidResult>", ""]
        return self.post("KorvidResult", "\n".join(body))


@unittest.skipIf(webdriver is None, "python3-selenium is not installed")
@unittest.skipUnless(SERVER_EXE.exists(), "korvid-server is not built")
@unittest.skipUnless(shutil.which("chromedriver"), "chromium-driver is not installed")
class ResultPagesInChromium(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = pathlib.Path(tempfile.mkdtemp(prefix="korvid-pages-"))
        packages = cls.folder / "packages"
        packages.mkdir()
        (packages / "korvid-2.9-win64.zip").write_bytes(b"PK\x05\x06" + bytes(18))
        cls.server = KorvidServer("sqlite:%s" % (cls.folder / "results.db"), http="127.0.0.1:0",
                                  extra_args=["--packages", str(packages)]).start()
        cls.base = cls.server.url("http")
        if b"Korvid results" not in urllib.request.urlopen(cls.base + "Benchmark/Korvid/").read():
            cls.server.stop()
            raise unittest.SkipTest("this korvid-server does not serve the result pages yet")
        uploader = Uploader(cls.base + "api/v1/")
        cls.ids = [uploader.upload("NVIDIA GeForce GTX 470", "30.0.1", scale)
                   for scale in (1.0, 0.9, 1.1, 1.05)]
        cls.older = uploader.upload("NVIDIA GeForce GTX 470", "29.0.9", 0.8)
        cls.evil = uploader.upload(EVIL, "1.0", 1.0)
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,2400",
                         "--no-proxy-server", "--disable-background-networking", "--disable-extensions"):
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=webdriver.ChromeService("/usr/bin/chromedriver"), options=options)
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def visit(self, path, screenshot):
        self.browser.get(self.base + path)
        self.browser.save_screenshot(str(SCREENSHOTS / screenshot))
        resources = self.browser.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name)")
        for url in resources:
            self.assertTrue(url.startswith(self.base), url)
        errors = [e for e in self.browser.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(errors, [])
        with self.assertRaises(NoAlertPresentException):
            self.browser.switch_to.alert.text
        return self.browser.find_element(By.TAG_NAME, "body").text

    def assert_charts_have_one_line_per_series(self):
        charts = self.browser.find_elements(By.CSS_SELECTOR, "svg.chart")
        self.assertGreater(len(charts), 0)
        for chart in charts:
            series = [l.get_attribute("data-series") for l in chart.find_elements(By.CSS_SELECTOR, "polyline.series")]
            self.assertEqual(sorted(series), ["Cohort median", "This result"])
            self.assertEqual(len(chart.find_elements(By.CSS_SELECTOR, "polygon.band")), 1)

    def test_result_page_holds_the_uploaded_values_with_charts(self):
        text = self.visit("Benchmark/Korvid/Result/%d" % self.ids[0], "result-page.png")
        for name, value in measurement_fields():
            if name.startswith("FillRect_") and name.endswith("_Ops_s"):
                self.assertIn("%.3f" % float(value), text, name)
        self.assertIn("NVIDIA GeForce GTX 470", text)
        self.assertIn("Display mode\n320x240@0 (32 bpp)", text.replace("\t", "\n"))
        self.assertIn("nvd3dum.dll 29.0.9", text)  # the older driver's column
        self.assert_charts_have_one_line_per_series()

    def test_compare_and_download_pages(self):
        text = self.visit("Benchmark/Korvid/Compare/%d,%d,%d" % (self.ids[0], self.ids[2], self.older),
                          "compare-page.png")
        self.assertIn("×1.10", text)
        self.assertIn("×0.80", text)
        text = self.visit("Benchmark/Korvid/Downloads", "download-page.png")
        self.assertIn("korvid-2.9-win64.zip", text)
        self.assertIn("22 bytes", text)
        self.visit("Benchmark/Korvid/Ranking", "ranking-page.png")
        self.visit("Benchmark/Korvid/", "index-page.png")

    def test_a_card_named_with_markup_shows_as_text(self):
        text = self.visit("Benchmark/Korvid/Result/%d" % self.evil, "escaped-card.png")
        self.assertIn(EVIL, text)
        self.assertEqual(self.browser.find_elements(By.TAG_NAME, "script"), [])


if __name__ == "__main__":
    unittest.main()
