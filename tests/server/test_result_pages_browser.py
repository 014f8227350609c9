"""The result pages in headless Chromium against a korvid-server this test starts, filled with
real uploads through the API: several cards, one of them with many drivers uploaded out of
version order, in both graphics systems and two display modes, a 150-character card name and a
name made of markup. At 1280 and 800 pixels every page fits without a horizontal scroll, its
numbers are those of its JSON, every chart has one series per line, nothing is fetched from
another host and the console stays clean. The walk a user takes (front page, a card's driver
history, two drivers compared, every result of the card by score, its CSV, how it is measured)
runs on SQLite and on PostgreSQL. Screenshots go to build/screenshots/ for a person to look at."""
import base64
import csv
import io
import json
import math
import pathlib
import re
import shutil
import sys
import unittest

from server import server_fixtures
from server.korvid_server_process import BUILD, SERVER_EXE, api_request, fetch
from client.korvid_test_server import DEFAULT_CLIENT_KEY, DEFAULT_CLIENT_NAME

EVIL = '<script>alert(1)</script> & "R&D"'
LONG_NAME = ("NVIDIA GeForce GTX 970 with a name as long as a vendor's marketing department could make it "
             "in a single breath, ending only at one hundred and fifty characters")[:150]
GDI_RUN = pathlib.Path(__file__).parent / "import" / "gdi-run.upload.xml"
D2D_RUN = pathlib.Path(__file__).parent / "import" / "d2d-run.upload.xml"
TRANSCRIPT = pathlib.Path(__file__).parent / "import" / "gdi-run.kvdresult"
SCREENSHOTS = BUILD / "screenshots"
WIDTHS = (1280, 800)
# The long card's drivers in the order they were uploaded, with how fast each ran: by number
# 30.5.1 < 31.0.9 < 31.0.10 < 31.0.100, as text 31.0.9 would come last.
LONG_DRIVERS = (("31.0.10", 1.0), ("31.0.9", 0.7), ("31.0.100", 1.0), ("30.5.1", 0.7))
LONG_PER_DRIVER = 13  # 4 × 13 + the Direct2D ones: more than one list page of 50
LONG_D2D = 4


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
    from selenium.webdriver.support.ui import Select, WebDriverWait


def measurement_fields(run=GDI_RUN):
    """The rates a run under Wine uploaded, as (name, text) pairs."""
    return re.findall(r"\t<(\w+_(?:Ops_s|MP_s|MiB_s))>([^<]*)<", run.read_text())


def significant(value, digits):
    """Rounded to `digits` significant digits, fixed notation, no trailing zeros: "34217.7"."""
    if value == 0:
        return "0"
    decimals = digits - 1 - math.floor(math.log10(abs(value)))
    if decimals <= 0:
        step = 10 ** -decimals
        return "%.0f" % (round(value / step) * step)
    return ("%.*f" % (decimals, value)).rstrip("0").rstrip(".")


def rate_text(value):
    """A rate as the console's result fields carry it: six significant digits."""
    return significant(value, 6)


def figure_text(value):
    """A cohort's figure from its 1 % bins: whole from 1000 up, else four significant digits."""
    return "%.0f" % value if value >= 1000 else significant(value, 4)


class Uploader:
    """Posts a result tree the way korvid.exe does: every description record first, then the
    result with references to their IDs. A record already posted is not posted again (the
    server would give the same ID)."""

    def __init__(self, api):
        self.api = api
        self.known = {}
        self.cards = {}

    def post(self, record_type, body):
        status, _, reply = api_request(self.api, "POST", record_type, body.encode())
        if status != 200:
            raise AssertionError("%s: %d %s" % (record_type, status, reply))
        return int(re.search(rb"<ID>(\d+)</ID>", reply).group(1))

    def record(self, record_type, fields, refs=()):
        lines = ["<%s>" % record_type]
        lines += ["\t<%s>%s</%s>" % (n, v.replace("&", "&amp;").replace("<", "&lt;"), n) for n, v in fields]
        lines += ['\t<%s id="%d"/>' % (n, i) for n, i in refs]
        body = "\n".join(lines + ["</%s>" % record_type, ""])
        if body not in self.known:
            self.known[body] = self.post(record_type, body)
        return self.known[body]

    def upload(self, card_name, driver_version, scale=1.0, machine=0, run=GDI_RUN, mode=(320, 240)):
        os_id = self.record("BenchmarkOperatingSystem", [("Name", "Windows")])
        version = self.record("BenchmarkOperatingSystemVersion", [("OSVersion", "7 Professional")],
                              [("OperatingSystem", os_id)])
        cpu = self.record("BenchmarkCPU", [("Name", "AMD EPYC")])
        board = self.record("BenchmarkMotherboard", [("Name", "Wine"), ("Manufacturer", "The Wine Project")])
        card = self.record("BenchmarkGraphicsCard", [("Name", card_name), ("ProductID", "0x0"),
                                                     ("VendorID", "0x10de"), ("SubProductID", "0x0"),
                                                     ("SubVendorID", "0x0")])
        self.cards[card_name] = card
        library = self.record("BenchmarkLibrary", [("Name", "nvd3dum.dll")])
        driver = self.record("BenchmarkLibraryVersion", [("LibraryVersion", driver_version)],
                             [("Library", library)])
        fields = [("ProcessorClockSpeed", "3400000000"), ("RAMSize", str(25276190720 + machine)),
                  ("VRAMSize", "0"), ("DisplayWidth", str(mode[0])), ("DisplayHeight", str(mode[1])),
                  ("RefreshRate", "60" if run == D2D_RUN else "0"), ("BitsPerPixel", "32")]
        fields += [(n, "%g" % (float(v) * scale)) for n, v in measurement_fields(run)]
        if run == D2D_RUN:
            fields.append(("CompositeSrcMaskCombineAlphas", "1"))
        body = ["<KorvidResult>"] + ["\t<%s>%s</%s>" % (n, v, n) for n, v in fields]
        body += ['\t<OperatingSystem id="%d"/>' % version, '\t<Processor id="%d"/>' % cpu,
                 '\t<Motherboard id="%d"/>' % board, '\t<GraphicsCard id="%d"/>' % card,
                 "\t<DriverLibraries>", '\t\t<BenchmarkLibraryVersion id="%d"/>' % driver,
                 "\t</DriverLibraries>", "</KorvidResult>", ""]
        return self.post("KorvidResult", "\n".join(body))


def get_json(url):
    reply = fetch(url)
    assert reply.status == 200, (url, reply.status)
    return json.loads(reply.body)


@unittest.skipIf(webdriver is None, "python3-selenium is not installed")
@unittest.skipUnless(SERVER_EXE.exists(), "korvid-server is not built")
@unittest.skipUnless(shutil.which("chromedriver"), "chromium-driver is not installed")
class SiteInChromium(unittest.TestCase):
    """A server on a fresh database of `storage`, filled, and a headless Chromium."""
    storage = "sqlite"

    @classmethod
    def setUpClass(cls):
        database = server_fixtures.new_database(cls, cls.storage)
        packages = server_fixtures.temporary_folder(cls, "korvid-pages-") / "packages"
        packages.mkdir()
        (packages / "korvid-2.9-win64.zip").write_bytes(b"PK\x05\x06" + bytes(18))
        cls.server = server_fixtures.started_server(cls, database.url, extra_args=["--packages", str(packages)])
        cls.base = cls.server.url("http")
        cls.site = cls.base + "Benchmark/Korvid/"
        cls.fill(Uploader(cls.base + "api/v1/"))
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,1000",
                         "--no-proxy-server", "--disable-background-networking", "--disable-extensions"):
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.addClassCleanup(cls.browser.quit)
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)

    @classmethod
    def fill(cls, uploader):
        # The older driver first: its result is then the one before the others' driver.
        cls.older = uploader.upload("NVIDIA GeForce GTX 470", "29.0.9", 0.8)
        cls.ids = [uploader.upload("NVIDIA GeForce GTX 470", "30.0.1", scale) for scale in (1.0, 0.9, 1.1, 1.05)]
        cls.card = uploader.cards["NVIDIA GeForce GTX 470"]
        cls.evil = uploader.upload(EVIL, "1.0", 1.0)
        # The long card: four drivers out of version order, each run a little faster on each
        # machine (0.4 % a machine), so that a cohort has a spread and the rank test a verdict.
        cls.long_results = {}
        for version, scale in LONG_DRIVERS:
            for machine in range(LONG_PER_DRIVER):
                result = uploader.upload(LONG_NAME, version, scale * (1 + 0.004 * machine), machine)
                cls.long_results[result] = version
        # The same card under Direct2D at 640x480: another system and another display mode.
        for machine in range(LONG_D2D):
            result = uploader.upload(LONG_NAME, "31.0.10", 1 + 0.004 * machine, machine, D2D_RUN, (640, 480))
            cls.long_results[result] = "31.0.10 Direct2D"
        cls.long_card = uploader.cards[LONG_NAME]

    def setUp(self):
        self.browser.set_window_size(1280, 1000)

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

    def click(self, element):
        element.click()
        self.wait_until_gone(element)
        self.check_page()
        return self.browser.find_element(By.TAG_NAME, "body").text

    def screenshot(self, name):
        """The whole page, not only the window: the result page is far longer than a screen."""
        height = self.browser.execute_script("return document.documentElement.scrollHeight")
        shot = self.browser.execute_cdp_cmd("Page.captureScreenshot", {
            "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": self.browser.execute_script("return window.innerWidth"),
                     "height": height, "scale": 1}})
        (SCREENSHOTS / name).write_bytes(base64.b64decode(shot["data"]))

    def check_page(self):
        """What every page owes: only this site's resources, a quiet console, no script, the
        frame's link to how it is measured, and no horizontal page scroll."""
        resources = self.browser.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name)")
        for url in resources:
            self.assertTrue(url.startswith(self.base), url)
        errors = [e for e in self.browser.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(errors, [])
        with self.assertRaises(NoAlertPresentException):
            self.browser.switch_to.alert.text
        self.assertEqual(self.browser.find_elements(By.TAG_NAME, "script"), [])
        # One name per test, the console's: never the field name of the blit.
        self.assertNotIn("BlitRect", self.browser.find_element(By.TAG_NAME, "body").text)
        link = self.browser.find_element(By.CSS_SELECTOR, "header a[href='/Benchmark/Korvid/Measuring']")
        self.assertEqual(link.text, "How it is measured")
        self.fits()
        self.assert_charts_have_one_series_per_line()

    def visit(self, path, screenshot):
        self.browser.get_log("browser")  # what earlier pages logged is theirs
        self.browser.get(self.site + path)
        self.check_page()
        self.screenshot(screenshot)
        return self.browser.find_element(By.TAG_NAME, "body").text

    def fits(self):
        """Nothing wider than the window: wide tables scroll inside their own box."""
        overflow = self.browser.execute_script(
            "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
        self.assertLessEqual(overflow, 0, "%s: page %d px wider than the window" % (self.browser.current_url, overflow))

    def assert_charts_have_one_series_per_line(self):
        """Each chart is titled, and each of its lines is one series of its own name."""
        for chart in self.browser.find_elements(By.CSS_SELECTOR, "main svg"):
            self.assertTrue(chart.find_element(By.TAG_NAME, "title").get_attribute("textContent"))
            series = [l.get_attribute("data-series") for l in chart.find_elements(By.CSS_SELECTOR, "polyline.series")]
            self.assertTrue(all(series), series)
            self.assertEqual(len(series), len(set(series)), series)

    def table(self, caption):
        """The rows of the table of that caption, cells as a list."""
        tables = self.browser.find_elements(By.XPATH, "//table[caption[starts-with(., '%s')]]" % caption)
        self.assertEqual(len(tables), 1, caption)
        return [[c.text for c in row.find_elements(By.XPATH, "./th|./td")]
                for row in tables[0].find_elements(By.TAG_NAME, "tr")]

    def rows(self, selector="table"):
        """The text of every row of the tables matched, cells as a list."""
        return [[c.text for c in row.find_elements(By.XPATH, "./th|./td")]
                for table in self.browser.find_elements(By.CSS_SELECTOR, selector)
                for row in table.find_elements(By.TAG_NAME, "tr")]


class DoneWalk:
    """The path a user takes, at both widths: from the front page to a card's driver history,
    two drivers compared with the tests faster beyond the noise shown, every result of the card
    sorted by score page by page, their CSV, and how it was measured."""

    def test_the_walk_from_the_front_page_to_how_it_is_measured(self):
        history = get_json(self.site + "Card/%d/Drivers.json" % self.long_card)
        cohorts = {v["driver"]: v["cohortId"] for v in history["versions"]}
        scores = {r["id"]: r["score"] for r in get_json(self.site + "Results.json?card=%d&per=500" % self.long_card)["results"]}
        self.assertEqual(set(scores), set(self.long_results))
        for width in WIDTHS:
            with self.subTest(width=width):
                self.browser.set_window_size(width, 1000)
                self.visit("", "walk-front-%d.png" % width)
                text = self.click(self.browser.find_element(By.CSS_SELECTOR, "table a[href$='/Card/%d']" % self.long_card))
                self.assertIn(LONG_NAME, text)
                card_page = self.browser.current_url
                text = self.click(self.browser.find_element(By.LINK_TEXT, "GDI, 320x240, 32 bpp"))
                self.assertIn(LONG_NAME + ": driver history", text)
                self.screenshot("walk-history-%d.png" % width)

                # The two drivers where the card got faster: 31.0.9, then 31.0.10.
                form = self.browser.find_element(By.CSS_SELECTOR, "form[action$='/Cohorts']")
                Select(form.find_element(By.NAME, "first")).select_by_visible_text("2: nvd3dum.dll 31.0.9")
                Select(form.find_element(By.NAME, "second")).select_by_visible_text("3: nvd3dum.dll 31.0.10")
                text = self.click(form.find_element(By.TAG_NAME, "button"))
                self.assertTrue(self.browser.current_url.endswith("/Cohorts/%d,%d" % (
                    cohorts["nvd3dum.dll 31.0.9"], cohorts["nvd3dum.dll 31.0.10"])), self.browser.current_url)
                compared = get_json(self.browser.current_url + ".json")
                tests = self.rows("table.history")[1:]
                self.assertEqual(len(tests), len(compared["tests"]))  # the score and each test
                self.assertEqual(len(tests), 17)
                for cells, (field, figures) in zip(tests, compared["tests"].items()):
                    self.assertEqual(cells[-1], "▲ faster", cells)
                    for side, cell in (("first", cells[1]), ("second", cells[2])):
                        f = figures[side]
                        self.assertEqual(cell, "%s\n%s–%s (%d)" % (figure_text(f["median"]), figure_text(f["lower"]),
                                                                   figure_text(f["upper"]), f["count"]), field)
                    self.assertEqual(cells[3:5], ["×%.3f" % figures["medianRatio"], "%.2f" % figures["z"]], field)
                self.screenshot("walk-cohorts-%d.png" % width)

                # Every result of the card, by score, page after page.
                self.browser.get(card_page)
                self.click(self.browser.find_element(By.LINK_TEXT, "Every result of this card, sorted by score"))
                seen, pages = [], 0
                while True:
                    pages += 1
                    for box in self.browser.find_elements(By.CSS_SELECTOR, "table.results input[name=id]"):
                        seen.append(int(box.get_attribute("value")))
                        row = box.find_element(By.XPATH, "ancestor::tr").text
                        self.assertIn("%.0f" % scores[seen[-1]], row)
                    following = self.browser.find_elements(By.CSS_SELECTOR, "a[rel=next]")
                    if not following:
                        break
                    self.click(following[0])
                self.screenshot("walk-last-list-page-%d.png" % width)
                self.assertEqual(pages, 2)
                self.assertEqual(sorted(seen), sorted(scores))
                listed = [scores[i] for i in seen]
                self.assertEqual(listed, sorted(listed, reverse=True))

                # The same results as CSV, from the card page's link.
                self.browser.get(card_page)
                address = self.browser.find_element(By.LINK_TEXT, "CSV").get_attribute("href")
                reply = fetch(address)
                self.assertEqual(reply.status, 200)
                self.assertTrue(reply.headers["Content-Type"].startswith("text/csv"), reply.headers)
                lines = list(csv.DictReader(io.StringIO(reply.text)))
                self.assertEqual([int(l["id"]) for l in lines], seen)
                for line in lines:
                    self.assertEqual(line["card"], LONG_NAME)
                    self.assertEqual(line["score"], "%.2f" % scores[int(line["id"])])

                text = self.click(self.browser.find_element(By.LINK_TEXT, "How it is measured"))
                self.assertIn("A MPixel (megapixel) is 220 = 1048576 pixels", text)
                self.screenshot("walk-measuring-%d.png" % width)


class ResultPagesInChromium(DoneWalk, SiteInChromium):
    def test_result_page_holds_the_uploaded_values_and_its_figures(self):
        result = get_json(self.site + "Result/%d.json" % self.ids[0])
        text = self.visit("Result/%d" % self.ids[0], "result-page.png")
        fields = measurement_fields()
        self.assertEqual(len(fields), 28)
        self.assertEqual(len(result["measurements"]), 28)
        for name, value in fields:
            self.assertIn(rate_text(float(value)), text, name)
        for measurement in result["measurements"]:
            self.assertIn(rate_text(measurement["value"]), text, measurement)
            if "cohort" in measurement and measurement["unit"] != "MP_s":
                self.assertIn(figure_text(measurement["cohort"]["median"]), text, measurement)
            if "cohort" in measurement:
                cohort = measurement["cohort"]
                self.assertIn("×%.2f" % cohort["ratio"], text, measurement)
                self.assertIn("%d counted results in %d bars" % (cohort["count"], cohort["histogram"]["bars"]), text)
        # Similar results: each group counts the other results of the list it links to, which
        # holds this one too; its nearest are named.
        similar = result["similar"]
        for group, what in (("processor", "processor"), ("os", "operating system")):
            self.assertIn("%d other results with the %s “%s”" % (similar[group]["count"], what, similar[group]["name"]), text)
            listed = get_json(self.site + "Results.json?" + similar[group]["list"].split("?", 1)[1])
            self.assertEqual(listed["matched"], similar[group]["count"] + 1, group)
            for nearest in similar[group]["nearest"]:
                self.assertIn("Result %d: %s" % (nearest["id"], nearest["cardName"]), text)
        self.assertEqual([r["id"] for r in similar["otherDrivers"]["nearest"]], [self.older])
        self.assertIn("%.0f (score version 1" % result["score"]["score"], text)
        scores = result["score"]["cohort"]
        self.assertIn("Its cohort's %d counted scores: median %s" % (scores["count"], figure_text(scores["median"])), text)
        self.assertIn("The score in its cohort: %d counted results in %d bars" % (scores["count"],
                                                                                  scores["histogram"]["bars"]), text)
        self.assertIn("NVIDIA GeForce GTX 470", text)
        self.assertIn("Display mode 320x240 (32 bpp), refresh rate unknown", text)
        self.assertIn("nvd3dum.dll 29.0.9", text)  # the older driver's column
        charts = self.browser.find_elements(By.CSS_SELECTOR, "svg.chart")
        self.assertGreaterEqual(len(charts), 3)  # FillRect, BltBitMap, OverlappedBltBitMap at least
        # Every link of the page to this site answers: compare, similar results, CSV, JSON.
        links = {a.get_attribute("href").split("#")[0] for a in self.browser.find_elements(By.CSS_SELECTOR, "main a")}
        for link in sorted(links):
            self.assertTrue(link.startswith(self.site), link)
            self.assertEqual(fetch(link).status, 200, link)
        self.assertIn("Similar results", text)
        self.assertIn("This driver against the previous version (nvd3dum.dll 29.0.9)", text)
        # The score's paragraph leads to its definition.
        text = self.click(self.browser.find_element(By.LINK_TEXT, "How the score and every other figure are defined"))
        self.assertTrue(self.browser.current_url.endswith("/Benchmark/Korvid/Measuring#score"))
        self.browser.get(self.site + "Result/%d" % self.ids[0])
        links = self.browser.find_elements(By.PARTIAL_LINK_TEXT, "Compare with")
        self.assertEqual(len(links), 1)  # the result nearest its cohort's median
        self.click(links[0])
        self.assertIn("/Compare/%d," % self.ids[0], self.browser.current_url)

    def test_compare_page_shows_the_json_s_values_and_the_machine_as_the_console_does(self):
        path = "Compare/%d,%d,%d" % (self.ids[0], self.ids[2], self.older)
        compared = get_json(self.site + path + ".json")
        text = self.visit(path, "compare-page.png")
        self.assertIn("×1.10", text)
        self.assertIn("×0.80", text)
        rows = {cells[0]: cells[1:] for cells in self.rows()}
        self.assertEqual(rows["Processor clock"], ["3.4 GHz"] * 3 + [""])
        self.assertEqual(rows["Memory"], ["23.5403 GiB"] * 3 + [""])
        self.assertEqual(rows["Display mode"], ["320x240 (32 bpp), refresh rate unknown"] * 3 + [""])
        self.assertEqual(rows["Score"][:3], ["%.0f" % r["score"] for r in compared["results"]])
        self.assertEqual(len(compared["tests"]), 16)
        # Each rate cell begins with the JSON's value as the console carries it.
        values = [v for t in compared["tests"] for v in t["values"]]
        cells = [c for cells in self.rows() for c in cells[1:4] if cells[0].endswith("/s")]
        self.assertEqual(len(cells), len(values))
        for cell, value in zip(cells, values):
            self.assertTrue(cell.startswith(rate_text(value["value"])), (cell, value))

    def test_driver_history_in_version_order_with_the_json_s_figures(self):
        path = "Card/%d/Drivers" % self.long_card
        data = get_json(self.site + path + ".json")
        self.assertEqual([v["driver"] for v in data["versions"]],
                         ["nvd3dum.dll 30.5.1", "nvd3dum.dll 31.0.9", "nvd3dum.dll 31.0.10", "nvd3dum.dll 31.0.100"])
        self.assertEqual([v["results"] for v in data["versions"]], [LONG_PER_DRIVER] * 4)
        self.assertEqual(sorted((m["graphicsSystem"], m["width"]) for m in data["modes"]), [("Direct2D", 640), ("GDI", 320)])
        changes = [[t["againstPrevious"]["change"] for t in [v["score"]] + list(v["tests"].values())]
                   for v in data["versions"][1:]]
        self.assertEqual(changes[0], ["none"] * len(changes[0]))    # 31.0.9 as fast as 30.5.1
        self.assertEqual(changes[1], ["faster"] * len(changes[1]))  # 31.0.10: 1 / 0.7
        self.assertEqual(changes[2], ["none"] * len(changes[2]))    # 31.0.100 as fast as 31.0.10
        for width in WIDTHS:
            self.browser.set_window_size(width, 1000)
            text = self.visit(path, "driver-history-%d.png" % width)
            self.assertIn(LONG_NAME + ": driver history", text)
            self.assertEqual(text.count("▲ ×"), 1 + len(data["versions"][2]["tests"]))
            self.assertEqual(text.count("▼ ×"), 0)
            # Each version's row of every table holds its figures from the JSON.
            for number, version in enumerate(data["versions"], 1):
                cells = [c for cells in self.rows("table.history") if cells[:2] == [str(number), version["driver"]]
                         for c in cells[2:]]
                figures = [version["score"]] + list(version["tests"].values())
                shown = [c.split("\n") for c in cells if "\n" in c]
                self.assertEqual(len(shown), len(figures), cells)
                for lines, figure in zip(shown, figures):
                    self.assertEqual(lines[1], "%s–%s" % (figure_text(figure["lower"]), figure_text(figure["upper"])))
                    self.assertEqual(lines[0].split(" ")[0], figure_text(figure["median"]), lines)
                    if figure["againstPrevious"] and figure["againstPrevious"]["change"] == "faster":
                        self.assertTrue(lines[0].endswith(" ▲ ×%.3f" % figure["againstPrevious"]["medianRatio"]), lines)
            for chart in self.browser.find_elements(By.CSS_SELECTOR, "svg.chart"):
                for line in chart.find_elements(By.CSS_SELECTOR, "polyline.series"):
                    self.assertEqual(len(line.get_attribute("points").split()), 4)  # a point per version
        other = self.visit(path + "?system=Direct2D&mode=640x480x32", "driver-history-direct2d.png")
        self.assertIn("Direct2D, 640x480, 32 bpp", other)
        self.assertIn("Other graphics systems and display modes of this card: GDI, 320x240, 32 bpp (4 drivers, %d "
                      "results)." % (4 * LONG_PER_DRIVER), other)
        self.assertIn("Direct2D, 640x480, 32 bpp (1 driver, %d results)." % LONG_D2D, text)
        # Direct2D under Wine composites but has no overlapped blit; GDI the other way round.
        self.assertEqual([h.text for h in self.browser.find_elements(By.TAG_NAME, "h2")],
                         ["Score", "Pixel-array transfers", "FillRect", "BltBitMap", "Composite", "Random"])

    def test_measuring_page_says_what_its_json_says(self):
        data = get_json(self.site + "Measuring.json")
        for width in WIDTHS:
            self.browser.set_window_size(width, 1000)
            text = self.visit("Measuring", "measuring-%d.png" % width)
            self.assertEqual(self.table("Sizes by display mode")[1:], [
                ["%dx%d" % (m["width"], m["height"]), "%d–%d (%d sizes)" % (m["sizes"][0], m["sizes"][-1], len(m["sizes"])),
                 str(m["randomMixLargest"])] for m in data["sizes"]["modes"]])
            self.assertEqual(self.table("The reference of score version 1")[1:],
                             [[r["test"], rate_text(r["value"])] for r in data["score"]["reference"]["rates"]])
            self.assertEqual([cells[:2] for cells in self.table("Places of the random mix")[1:]],
                             [[p["name"], str(p["weight"])] for p in data["randomMix"]["places"]])
            self.assertEqual([cells[0] for cells in self.table("The tests")[1:]], [t["name"] for t in data["tests"]])
            self.assertEqual(sum(p["weight"] for p in data["randomMix"]["places"]), data["randomMix"]["entries"])
            self.assertIn("a list of %d places" % data["randomMix"]["entries"], text)
            for test in data["tests"]:
                self.assertIn(test["draws"], text)
            # Its contents lead to its sections.
            self.browser.find_element(By.LINK_TEXT, "the random mix").click()
            self.assertTrue(self.browser.current_url.endswith("Measuring#random"))

    def test_every_page_fits_at_both_widths_and_head_gives_the_length_of_get(self):
        history = get_json(self.site + "Card/%d/Drivers.json" % self.long_card)["versions"]
        direct2d = get_json(self.site + "Card/%d/Drivers.json?system=Direct2D&mode=640x480x32" % self.long_card)
        d2d = min(i for i, v in self.long_results.items() if v.endswith("Direct2D"))
        evil_card = get_json(self.site + "Result/%d.json" % self.evil)["graphicsCard"]["id"]
        pages = ["", "?card=%d&sort=score" % self.long_card, "?system=Direct2D", "Ranking", "Card/%d" % self.long_card,
                 "Card/%d/Drivers" % self.long_card, "Result/%d" % d2d, "Result/%d" % self.evil,
                 "Compare/%d,%d" % (min(self.long_results), d2d),
                 "Compare/" + ",".join(str(i) for i in sorted(self.long_results)[::7]),  # eight of them
                 "Cohorts/%d,%d" % (history[0]["cohortId"], history[3]["cohortId"]), "Measuring", "Downloads",
                 "Card/%d" % evil_card]
        # Direct2D against GDI on one card: the tests only one of them measured are said so.
        both = "Cohorts/%d,%d" % (history[2]["cohortId"], direct2d["versions"][0]["cohortId"])
        text = self.visit(both, "direct2d-against-gdi.png")
        rows = {cells[0]: cells[-1] for cells in self.rows("table.history")[1:]}
        self.assertEqual(rows["OverlappedBltBitMap 16x16 Ops/s"], "not measured by both")
        self.assertEqual(rows["Composite 16x16 Ops/s"], "not measured by both")
        self.assertIn("Direct2D, 640x480, 32 bpp", text)
        pages.append(both)
        for width in WIDTHS:
            self.browser.set_window_size(width, 1000)
            for page in pages:
                self.visit(page, "page-%s-%d.png" % (re.sub(r"[^A-Za-z0-9]+", "-", page).strip("-") or "front", width))
        # The filtered list holds what its JSON holds: the Direct2D results only.
        listed = get_json(self.site + "Results.json?system=Direct2D")
        self.assertEqual(sorted(r["id"] for r in listed["results"]),
                         sorted(i for i, v in self.long_results.items() if v.endswith("Direct2D")))
        for page in pages + ["Measuring.json", "Results.csv?card=%d" % self.card, "Ranking.json"]:
            got, head = fetch(self.site + page), fetch(self.site + page, "HEAD")
            self.assertEqual(got.status, 200, page)
            self.assertEqual(head.status, 200, page)
            self.assertEqual(head.body, b"", page)
            self.assertEqual(int(got.headers["Content-Length"]), len(got.body), page)
            self.assertEqual(head.headers["Content-Length"], got.headers["Content-Length"], page)

    def test_ranking_sorts_and_filters_as_its_json_says(self):
        self.visit("Ranking", "ranking-by-median.png")
        text = self.click(self.browser.find_element(By.LINK_TEXT, "Graphics card"))  # its column's sort
        self.assertIn("sort=card", self.browser.current_url)
        ranked = get_json(self.browser.current_url.replace("/Ranking?", "/Ranking.json?"))["ranked"]
        self.assertEqual(sorted(r["graphicsCardId"] for r in ranked), sorted([self.card, self.long_card]))
        shown = [cells[1:7] for cells in self.rows("table.results") if len(cells) >= 7 and cells[1].isdigit()]
        self.assertEqual(shown, [[str(r["place"]), r["cardName"], "%.0f" % r["medianScore"], "%.0f" % r["lowerScore"],
                                  "%.0f" % r["upperScore"], str(r["counted"])] for r in ranked])
        self.assertEqual([r["cardName"] for r in ranked], sorted(r["cardName"] for r in ranked))
        self.assertIn(EVIL, text)  # one result: listed apart, unranked
        # One card a page: the second page, reached by its link, holds the second card.
        self.visit("Ranking?sort=card&order=asc&per=1", "ranking-page-1.png")
        self.click(self.browser.find_elements(By.CSS_SELECTOR, "a[rel=next]")[0])
        self.assertEqual([cells[2] for cells in self.rows("table.results") if len(cells) >= 7 and cells[1].isdigit()],
                         [ranked[1]["cardName"]])
        self.assertEqual(get_json(self.browser.current_url.replace("/Ranking?", "/Ranking.json?"))["ranked"], ranked[1:])
        self.browser.back()
        # Filtered through the form: only the long card has Direct2D results.
        form = self.browser.find_element(By.CSS_SELECTOR, "form.search")
        Select(form.find_element(By.NAME, "system")).select_by_visible_text("Direct2D")
        self.click(form.find_element(By.TAG_NAME, "button"))
        self.assertIn("system=Direct2D", self.browser.current_url)
        ranked = get_json(self.browser.current_url.replace("/Ranking?", "/Ranking.json?"))["ranked"]
        self.assertEqual([(r["graphicsCardId"], r["counted"]) for r in ranked], [(self.long_card, LONG_D2D)])
        self.screenshot("ranking-direct2d.png")

    def test_compare_download_and_browse_pages(self):
        text = self.visit("Downloads", "download-page.png")
        self.assertIn("korvid-2.9-win64.zip", text)
        self.assertIn("22 bytes", text)
        text = self.visit("Ranking", "ranking-page.png")
        self.assertIn("The score is 1000 times the geometric mean", text)
        self.browser.find_element(By.LINK_TEXT, "score").click()
        self.assertTrue(self.browser.current_url.endswith("Benchmark/Korvid/Ranking#score"))
        text = self.click(self.browser.find_element(By.CSS_SELECTOR, "a[href$='/Card/%d']" % self.card))
        self.assertIn("5 results", text)
        self.screenshot("card-page.png")
        text = self.visit("?q=29.0", "search-page.png")
        self.assertIn("Results matching “29.0”", text)
        self.assertIn("1 result match. Download this page", text)
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "table.results tr")), 2)
        # Two results checked in the list, compared at the comparison's own address.
        self.visit("?card=%d" % self.card, "card-results.png")
        for result in (self.ids[1], self.older):
            self.browser.find_element(By.CSS_SELECTOR, "input[name=id][value='%d']" % result).click()
        self.click(self.browser.find_element(By.XPATH, "//button[text()='Compare the checked results']"))
        self.assertTrue(self.browser.current_url.endswith("/Compare/%d,%d" % (self.ids[1], self.older)),
                        self.browser.current_url)

    def import_through_the_form(self, selector, text):
        self.visit("", "index-page.png")
        # Importing needs a client login: the address carries it, as the browser's login box
        # would after the form's first 401.
        login = "%s:%s@" % (DEFAULT_CLIENT_NAME, DEFAULT_CLIENT_KEY)
        self.browser.get(self.site.replace("://", "://" + login, 1))
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
        self.assertIn("Random 145427 697.21", text)
        self.assertIn("Video memory 4 GiB (4294967296 bytes)", text)
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
        text = self.visit("Result/%d" % self.evil, "escaped-card.png")
        self.assertIn(EVIL, text)


class TheWalkOnPostgreSQL(DoneWalk, SiteInChromium):
    storage = "postgresql"


if __name__ == "__main__":
    unittest.main()
