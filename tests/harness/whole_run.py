"""What the whole-run script tests share: a fresh folder with korvid.exe, the shape of the result
tables on the 320 x 240 test display, the card description a back end prints, and reading back
the saved transcript, and the run itself, made once per test class."""
import pathlib
import shutil
import tempfile
import unittest

from harness.korvid_wine import VirtualDisplay, korvid_exe, run_windows_program

SIZES = (16, 32, 64, 128)  # 320 x 240 with a 20-pixel strip: at most 220, so up to 128
ROW = r"\(%d, %d\)\t {0,12}[0-9]+\.[0-9]{3}\t {0,12}[0-9]+\.[0-9]{3}\t {0,12}[0-9]+\.[0-9]{3}\n"
HEADER = "Size\t\t    Time (s)\t       Ops/s\t    MPixel/s\n"
# What a back end prints after its "Initialising" line, as a regular expression.
CARD_DESCRIPTION = ("Board name: [^\n]+\n"
                    "Product ID: 0x[0-9a-f]+ Vendor ID: 0x[0-9a-f]+ SubProduct ID: "
                    "0x[0-9a-f]+ SubVendor ID: 0x[0-9a-f]+\n"
                    "Card driver: [^\n]* \\([^\n]*\\)\n"
                    "VRAM: [^\n]+\n"
                    "Display mode: 320x240@[0-9]+ \\(32 bpp\\)\n\n\n")


def program_folder(prefix, extra=()):
    """A folder of its own with a copy of korvid.exe, its CA bundle and any extra files beside
    it; the result file lands there too."""
    directory = pathlib.Path(tempfile.mkdtemp(prefix=prefix))
    program = korvid_exe()
    shutil.copy(program, directory / "korvid.exe")
    bundle = program.parent / "curl-ca-bundle.crt"
    if bundle.exists():
        shutil.copy(bundle, directory / "curl-ca-bundle.crt")
    for path in extra:
        shutil.copy(path, directory / pathlib.Path(path).name)
    return directory


def read_text(path):
    """A saved transcript with its CRLF line ends made LF."""
    return path.read_bytes().decode("latin-1").replace("\r\n", "\n")


def back_end_section(output, initialising):
    """From the back end's "Initialising ..." line to the end of the random test's table."""
    start = output.index(initialising + "\n")
    random = output.index("Random:\n", start)
    return output[start:output.index("\n\n", random) + 2]


class WholeRunTest(unittest.TestCase):
    """One run of korvid.exe from a folder of its own on a 320 x 240 display, made once for
    the class: its exit code, output and saved result files. Subclasses set the options."""
    folder_prefix = "korvid-run-"
    args = ("-y", "-nu", "-sd")
    dll_overrides = None
    timeout = 900

    @classmethod
    def setUpClass(cls):
        cls.directory = program_folder(cls.folder_prefix)
        with VirtualDisplay("320x240x24") as display:
            cls.code, cls.output = run_windows_program(
                cls.directory / "korvid.exe", list(cls.args), display=display.name,
                dll_overrides=cls.dll_overrides, cwd=cls.directory, timeout=cls.timeout)
        cls.results = sorted(cls.directory.glob("*.kvdresult"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.directory, ignore_errors=True)
