"""The result pages in headless Chromium against a korvid-server this test starts, filled with
real uploads through the API: tables hold the uploaded values, every chart is an SVG with one
line per series, nothing is fetched from another host, the console stays clean and a card name
made of markup shows as text. Screenshots go to build/screenshots/ for a person to look at."""
import base64
import json
import pathlib
import re
import shutil
import sys
import tempfile
import unittest
import urllib.request

from server.korvid_server_process import BUILD, SERVER_EXE, KorvidServer, api_request
from server.korvid_test_server import DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME

EVIL = '<script>alert(1)</script> & "R&D"'
LONG_NAME = ("NVIDIA GeForce GTX 970 with a name as long as a vendor's marketing department could make it "
             "in a single breath, ending only at one hundred and fifty characters")[:150]
FIXTURE = pathlib.Path(__file__).parent / "import" / "gdi-run.upload.xml"
TRANSCRIPT = pathlib.Path(__file__).parent / "import" / "gdi-run.kvdresult"
SCREENSHOTS = BUILD / "screenshots"


def import_selenium():
    """Debian's python3-selenium lives in the system's dist-packages, which a Python of its own
    (pyenv, a venv) does not search; it is pure Python, so any Python 3 of the system's minor
    version or near it can use it from there."""
    for attempt in range(2):
        try:
            from selenium import webdriver
            return webdriver
        except ImportError:
            if attempt == 0 and DEBIAN_PACKAGES not in sys.path:
                sys.path.append(DEBIAN_PACKAGES)
    return None


DEBIAN_PACKAGES = "/usr/lib/python3/dist-packages"
webdriver = import_selenium()
if webdriver:
    from selenium.common.exceptions import NoAlertPresentException, WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait


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

    def upload(self, card_name, driver_version, scale=1.0, machine=0):
        os_id = self.record("BenchmarkOperatingSystem", [("Name", "Windows")])
        version = self.record("BenchmarkOperatingSystemVersion", [("OSVersion", "7 Professional")],
                              [("OperatingSystem", os_id)])
        cpu = self.record("BenchmarkCPU", [("Name", "AMD EPYC")])
        board = self.record("BenchmarkMotherboard", [("Name", "Wine"), ("Manufacturer", "The Wine Project")])
        card = self.record("BenchmarkGraphicsCard", [("Name", card_name), ("ProductID", "0x0"),
                                                     ("VendorID", "0x10de"), ("SubProductID", "0x0"),
                                                     ("SubVendorID", "0x0")])
        self.card = card
        library = self.record("BenchmarkLibrary", [("Name", "nvd3dum.dll")])
        driver = self.record("BenchmarkLibraryVersion", [("LibraryVersion", driver_version)],
                             [("Library", library)])
        fields = [("RAMSize", str(25276190720 + machine)), ("VRAMSize", "0"), ("DisplayWidth", "320"),
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
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        packages = cls.folder / "packages"
        packages.mkdir()
        (packages / "korvid-2.9-win64.zip").write_bytes(b"PK\x05\x06" + bytes(18))
        cls.server = KorvidServer("sqlite:%s" % (cls.folder / "results.db"), http="127.0.0.1:0",
                                  extra_args=["--packages", str(packages)]).start()
        cls.addClassCleanup(cls.server.stop)
        cls.base = cls.server.url("http")
        uploader = Uploader(cls.base + "api/v1/")
        # The older driver first: its result is then the one before the others' driver.
        cls.older = uploader.upload("NVIDIA GeForce GTX 470", "29.0.9", 0.8)
        cls.ids = [uploader.upload("NVIDIA GeForce GTX 470", "30.0.1", scale)
                   for scale in (1.0, 0.9, 1.1, 1.05)]
        cls.card = uploader.card
        cls.evil = uploader.upload(EVIL, "1.0", 1.0)
        # A card of a 150-character name whose newer driver (by number, not by text) was
        # uploaded first and is 30 % faster in every test: five results each.
        for version, scale in (("31.0.10", 1.0), ("31.0.9", 0.7)):
            for machine in range(5):
                uploader.upload(LONG_NAME, version, scale, machine)
        cls.long_card = uploader.card
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,1000",
                         "--no-proxy-server", "--disable-background-networking", "--disable-extensions"):
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.addClassCleanup(cls.browser.quit)
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)

    def wait_until_gone(self, element):
        """Until the page that held element has been replaced. While Chromium swaps documents
        it may answer with an inspector error rather than "stale": that is gone too."""
        def gone(_):
            try:
                element.is_enabled()
                return False
            except WebDriverException:
                return True
        WebDriverWait(self.browser, 20).until(gone)

    def screenshot(self, name):
        """The whole page, not only the window: the result page is far longer than a screen."""
        height = self.browser.execute_script("return document.documentElement.scrollHeight")
        shot = self.browser.execute_cdp_cmd("Page.captureScreenshot", {
            "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": self.browser.execute_script("return window.innerWidth"),
                     "height": height, "scale": 1}})
        (SCREENSHOTS / name).write_bytes(base64.b64decode(shot["data"]))

    def visit(self, path, screenshot):
        self.browser.get_log("browser")  # what earlier pages logged is theirs
        self.browser.get(self.base + path)
        self.screenshot(screenshot)
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
        self.assertEqual(len(charts), 3)  # FillRect, BltBitMap, OverlappedBltBitMap
        for chart in charts:
            series = [l.get_attribute("data-series") for l in chart.find_elements(By.CSS_SELECTOR, "polyline.series")]
            self.assertEqual(sorted(series), ["Cohort median", "This result"])
            self.assertEqual(len(chart.find_elements(By.CSS_SELECTOR, "polygon.band")), 1)
            # Four sizes, each a point of the line, labelled on the size axis.
            own = chart.find_element(By.CSS_SELECTOR, "polyline[data-series='This result']")
            self.assertEqual(len(own.get_attribute("points").split()), 4)
            self.assertIn("16\n32\n64\n128", chart.text)
            self.assertIn("square size (pixels)", chart.text)
        gauges = self.browser.find_elements(By.CSS_SELECTOR, "svg.gauge")
        self.assertEqual(len(gauges), 3)  # the two transfers and the random mix
        for gauge in gauges:
            series = [l.get_attribute("data-series") for l in gauge.find_elements(By.CSS_SELECTOR, "polyline.series")]
            self.assertEqual(sorted(series), ["Cohort median", "This result"])

    def test_result_page_holds_the_uploaded_values_with_charts(self):
        text = self.visit("Benchmark/Korvid/Result/%d" % self.ids[0], "result-page.png")
        fields = measurement_fields()
        self.assertEqual(len(fields), 28)
        for name, value in fields:
            self.assertIn("%.3f" % float(value), text, name)
        self.assertIn("NVIDIA GeForce GTX 470", text)
        self.assertIn("Display mode 320x240 (32 bpp), refresh rate unknown", text)
        self.assertIn("nvd3dum.dll 29.0.9", text)  # the older driver's column
        self.assert_charts_have_one_line_per_series()
        # The compare links lead to pages that answer.
        self.assertIn("This driver against the previous version (nvd3dum.dll 29.0.9)", text)
        links = self.browser.find_elements(By.PARTIAL_LINK_TEXT, "Compare with")
        self.assertEqual(len(links), 1)  # the result nearest its cohort's median
        links[0].click()
        self.wait_until_gone(links[0])
        self.assertIn("/Compare/%d," % self.ids[0], self.browser.current_url)

    def test_compare_download_and_browse_pages(self):
        text = self.visit("Benchmark/Korvid/Compare/%d,%d,%d" % (self.ids[0], self.ids[2], self.older),
                          "compare-page.png")
        self.assertIn("×1.10", text)
        self.assertIn("×0.80", text)
        text = self.visit("Benchmark/Korvid/Downloads", "download-page.png")
        self.assertIn("korvid-2.9-win64.zip", text)
        self.assertIn("22 bytes", text)
        text = self.visit("Benchmark/Korvid/Ranking", "ranking-page.png")
        self.assertIn("The score is 1000 times the geometric mean", text)
        self.browser.find_element(By.LINK_TEXT, "score").click()
        self.assertTrue(self.browser.current_url.endswith("Benchmark/Korvid/Ranking#score"))
        link = self.browser.find_element(By.CSS_SELECTOR, "a[href$='/Card/%d']" % self.card)
        link.click()
        self.wait_until_gone(link)
        text = self.browser.find_element(By.TAG_NAME, "body").text
        self.assertIn("5 results", text)
        self.screenshot("card-page.png")
        text = self.visit("Benchmark/Korvid/?q=29.0", "search-page.png")
        self.assertIn("Results matching “29.0”", text)
        self.assertIn("1 result match. Download this page", text)
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "table.results tr")), 2)
        # Two results checked in the list, compared at the comparison's own address.
        self.visit("Benchmark/Korvid/?card=%d" % self.card, "card-results.png")
        for result in (self.ids[1], self.older):
            self.browser.find_element(By.CSS_SELECTOR, "input[name=id][value='%d']" % result).click()
        button = self.browser.find_element(By.XPATH, "//button[text()='Compare the checked results']")
        button.click()
        self.wait_until_gone(button)
        self.assertTrue(self.browser.current_url.endswith("/Compare/%d,%d" % (self.ids[1], self.older)),
                        self.browser.current_url)

    def fits(self):
        """Nothing wider than the window: wide tables scroll inside their own box."""
        overflow = self.browser.execute_script(
            "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
        self.assertLessEqual(overflow, 0, "page %d px wider than the window" % overflow)

    def test_driver_history_in_version_order_with_changes_beyond_the_noise(self):
        path = "Benchmark/Korvid/Card/%d/Drivers" % self.long_card
        with urllib.request.urlopen(self.base + path + ".json") as reply:
            data = json.load(reply)
        self.assertEqual([v["driver"] for v in data["versions"]], ["nvd3dum.dll 31.0.9", "nvd3dum.dll 31.0.10"])
        newer = data["versions"][1]
        self.assertEqual(newer["score"]["againstPrevious"]["change"], "faster")
        try:
            text = self.visit(path, "driver-history.png")
            self.fits()
            self.assertIn(LONG_NAME + ": driver history", text)
            self.assertLess(text.index("31.0.9"), text.index("31.0.10"))
            # Every figure of the newer version is faster beyond the noise, and the page shows
            # the JSON's medians as they are rounded.
            self.assertEqual(text.count("▲ ×"), 1 + len(newer["tests"]))
            self.assertEqual(text.count("▼ ×"), 0)
            self.assertIn("%.0f ▲ ×" % newer["score"]["median"], text)
            charts = self.browser.find_elements(By.CSS_SELECTOR, "svg.chart")
            self.assertGreaterEqual(len(charts), 5)  # score, transfers, FillRect, BltBitMap, random...
            for chart in charts:
                self.assertTrue(chart.find_element(By.TAG_NAME, "title").get_attribute("textContent"))
                series = [l.get_attribute("data-series") for l in chart.find_elements(By.CSS_SELECTOR, "polyline.series")]
                self.assertEqual(len(series), len(set(series)))
                for line in chart.find_elements(By.CSS_SELECTOR, "polyline.series"):
                    self.assertEqual(len(line.get_attribute("points").split()), 2)  # a point per version
            self.browser.set_window_size(800, 1000)
            self.visit(path, "driver-history-800.png")
            self.fits()
            for page, shot in (("Card/%d" % self.long_card, "long-card-800.png"), ("", "index-800.png"),
                               ("Result/%d" % self.ids[0], "result-800.png")):
                self.visit("Benchmark/Korvid/" + page, shot)
                self.fits()
        finally:
            self.browser.set_window_size(1280, 1000)

    def import_through_the_form(self, selector, text):
        self.visit("Benchmark/Korvid/", "index-page.png")
        # Importing needs a client login: the address carries it, as the browser's login box
        # would after the form's first 401.
        login = "%s:%s@" % (DEFAULT_CLIENT_NAME, DEFAULT_CLIENT_KEY)
        self.browser.get(self.base.replace("://", "://" + login, 1) + "Benchmark/Korvid/")
        field = self.browser.find_element(By.CSS_SELECTOR, selector)
        if field.tag_name == "textarea":  # as pasted: typing it key by key takes long
            self.browser.execute_script("arguments[0].value = arguments[1]", field, text)
        else:
            field.send_keys(text)
        field.find_element(By.XPATH, "ancestor::form//button").click()
        self.wait_until_gone(field)
        return self.browser.find_element(By.TAG_NAME, "body").text

    def test_the_paste_form_stores_a_saved_run_and_names_the_line_of_a_bad_one(self):
        textarea = "textarea[name=transcript]"
        text = self.import_through_the_form(textarea, TRANSCRIPT.read_text())
        self.assertRegex(self.browser.current_url, r"/Benchmark/Korvid/Result/\d+$")
        self.assertIn("imported from a saved transcript", text)
        # Values as the upload of the same run stored them, and what only the transcript has.
        self.assertIn("Random 145427.000 697.210", text)
        self.assertIn("Video memory 4.00 GiB (4294967296 bytes)", text)
        self.screenshot("imported-result.png")

        bad = TRANSCRIPT.read_text().replace("Display mode: 320x240@0", "Display mode: big")
        text = self.import_through_the_form(textarea, bad)
        self.assertIn('The file was not imported: line 27: the display mode is not "WxH@R (B bpp)"', text)
        self.screenshot("import-refused.png")
        # The refusal is a 400 page, which Chromium logs; nothing else is.
        errors = [e["message"] for e in self.browser.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(len(errors), 1, errors)
        self.assertIn("400", errors[0])

    def test_the_file_form_stores_a_saved_run(self):
        self.import_through_the_form("input[type=file]", str(TRANSCRIPT))
        self.assertRegex(self.browser.current_url, r"/Benchmark/Korvid/Result/\d+$")

    def test_a_card_named_with_markup_shows_as_text(self):
        text = self.visit("Benchmark/Korvid/Result/%d" % self.evil, "escaped-card.png")
        self.assertIn(EVIL, text)
        self.assertEqual(self.browser.find_elements(By.TAG_NAME, "script"), [])


if __name__ == "__main__":
    unittest.main()
