"""The GDI back end's platform tests on display depths other than the main test run's:
a paletted (8-bit) display is refused before any window exists, and a 16-bit one is used."""
import subprocess
import unittest

from harness.korvid_wine import BUILD, VirtualDisplay, wine_command, wine_environment


def gdi_tests_exe():
    tests = BUILD / "windows" / "tests"
    for name in ("korvid_tests.exe", "korvid_tests_gdi.exe"):
        if (tests / name).exists():
            return tests / name
    raise unittest.SkipTest("no Windows test binary in %s" % tests)


def run_gtests(geometry, gtest_filter):
    program = gdi_tests_exe()
    with VirtualDisplay(geometry) as display:
        completed = subprocess.run(
            [wine_command(), str(program), "--gtest_filter=" + gtest_filter],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, cwd=program.parent, timeout=600,
            env=wine_environment(display.name))
    return completed.returncode, completed.stdout.decode("latin-1").replace("\r\n", "\n")


class GDIDisplayDepthTest(unittest.TestCase):
    def test_paletted_display_is_refused(self):
        code, output = run_gtests("320x240x8", "GDITestSetUp.RefusesAPalettedDisplay")
        self.assertEqual(code, 0, output)
        self.assertIn("[       OK ] GDITestSetUp.RefusesAPalettedDisplay", output)
        self.assertNotIn("SKIPPED", output)

    def test_sixteen_bit_display_is_used(self):
        # One window per process: Wine 8 on a 16-bit X screen fails with BadWindow when a
        # process opens a second window after destroying its first (plain Win32 does it too),
        # and a run opens only one.
        for gtest_filter, count in (("GDITestSetUp.OpensATopmostFullScreenWindow", 1),
                                    ("GDIDrawing.*:-GDIDrawing.FillRectPlacesAndColoursAsDrawn", 10), ("GDIRandomTest.*", 2)):
            with self.subTest(gtest_filter):
                code, output = run_gtests("320x240x16", gtest_filter)
                self.assertEqual(code, 0, output)
                self.assertIn("[  PASSED  ] %d test" % count, output)

if __name__ == "__main__":
    unittest.main()
