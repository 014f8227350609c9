"""korvid_e2e (tests/e2e/CMakeLists.txt): korvid.exe built to talk to a results server on
localhost, and the recording browser the end-to-end tests register for web pages.

The ports korvid_e2e was built with are placeholders. Each test runs a copy whose addresses name
the ports its own servers took, replaced byte for byte in the program, so that two test runs on
one machine never meet on a port."""
import re
import shutil
import subprocess
import time

from harness.korvid_wine import BUILD, wine_command, wine_environment, windows_path

E2E_EXE = BUILD / "windows" / "tests" / "e2e" / "korvid.exe"
BROWSER_EXE = BUILD / "windows" / "tests" / "korvid_test_browser.exe"
OPEN_WITH_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.htm\OpenWithList"


def built_in(name):
    """A value of the BuildConfig.h that korvid_e2e was built with."""
    config = (E2E_EXE.parent / "generated" / "BuildConfig.h").read_text()
    return re.search(r'#define %s "([^"]*)"' % name, config).group(1)


def with_port(url, port):
    """The URL with its port replaced: with_port("http://localhost:1/x", 2) == "http://localhost:2/x"."""
    return re.sub(r"^(\w+://[^/:]+):\d+", lambda m: "%s:%d" % (m.group(1), port), url)


def copy_program(folder, api_port, web_port=None, ca_file=None):
    """korvid_e2e as folder/korvid.exe, its API on localhost:api_port and its result and
    download pages on localhost:web_port (None: as built), with ca_file beside it as
    curl-ca-bundle.crt."""
    image = E2E_EXE.read_bytes()
    for name, port in (("KORVID_API_URL", api_port), ("KORVID_RESULT_PAGE_URL", web_port),
                       ("KORVID_DOWNLOAD_PAGE_URL", web_port)):
        if port is None:
            continue
        old = built_in(name)
        new = with_port(old, port)
        # The program knows each string's length from its build: a new one must keep it.
        if len(new) != len(old):
            raise AssertionError("port %d has not the digits of the one in %s" % (port, old))
        if old.encode() + b"\0" not in image:
            raise AssertionError("%s is not in %s" % (old, E2E_EXE))
        image = image.replace(old.encode() + b"\0", new.encode() + b"\0")
    (folder / "korvid.exe").write_bytes(image)
    if ca_file:
        shutil.copy(ca_file, folder / "curl-ca-bundle.crt")


def registry(*args):
    subprocess.run([wine_command(), "reg", *args], env=wine_environment(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def record_browser(test, folder):
    """korvid_test_browser, copied to folder, as the program that opens .htm files until the
    test ends; it writes what it opens to the file that KORVID_BROWSER_RECORD names."""
    shutil.copy(BROWSER_EXE, folder / "browser.exe")
    registry("add", OPEN_WITH_KEY, "/v", "MRUList", "/t", "REG_SZ", "/d", "a", "/f")
    registry("add", OPEN_WITH_KEY, "/v", "a", "/t", "REG_SZ", "/d",
             windows_path(folder / "browser.exe"), "/f")
    test.addCleanup(registry, "delete", OPEN_WITH_KEY, "/f")


def browser_record(path, seconds=60):
    """What the browser recorded, once it has finished ("end"): the page opens in a process of
    its own, which may still be starting when korvid.exe ends, and must be done before the
    display and its Wine session go. Empty when it never started."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        if path.exists() and path.read_text().endswith("end\n"):
            break
        time.sleep(0.5)
    return path.read_text() if path.exists() else ""
