"""The Direct2D test's set-up where the platform differs from the usual virtual display: the
d2d test program's fallback cases with libraries disabled (and the stand-in d2d1.dll), and its
depth case on a 16-bit display. Each gtest case applies only to its own set-up and is skipped
elsewhere, so here each must run and pass, not be skipped."""
import pathlib
import shutil
import tempfile
import unittest

from harness.korvid_wine import ScratchPrefix, VirtualDisplay, korvid_exe, run_windows_program


def tests_folder():
    return korvid_exe().parent / "tests"


class D2DPlatformTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A folder of its own: the stand-in d2d1.dll must never sit beside the real tests.
        cls.directory = pathlib.Path(tempfile.mkdtemp(prefix="korvid-d2d-platform-"))
        # The aggregate test program is the one every build makes; the filter picks the case.
        shutil.copy(tests_folder() / "korvid_tests.exe", cls.directory / "korvid_tests_d2d.exe")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.directory, ignore_errors=True)

    def run_case(self, case, overrides=None, geometry="320x240x24", prefix=None):
        with VirtualDisplay(geometry) as display:
            code, out = run_windows_program(
                self.directory / "korvid_tests_d2d.exe", [f"--gtest_filter={case}"],
                display=display.name, dll_overrides=overrides, cwd=self.directory, timeout=600,
                extra_env=prefix.environment if prefix else None)
            if prefix:
                prefix.end_session()
        self.assertEqual(code, 0, out)
        self.assertIn("[  PASSED  ] 1 test.", out)
        self.assertNotIn("SKIPPED", out)

    def run_with_stand_in(self, case, overrides):
        """The stand-in d2d1.dll where the system keeps its own, in a prefix of the case's own:
        beside the program it would never be loaded."""
        with ScratchPrefix() as prefix:
            shutil.copy(tests_folder() / "d2d-stub" / "d2d1.dll", prefix.system_folder())
            self.run_case(case, overrides, prefix=prefix)

    def test_without_direct2d(self):
        self.run_case("D2DFallback.WithoutDirect2DTheCallerFallsBackToGDI", "d2d1=d")

    def test_stand_in_direct2d_without_direct3d_10_1(self):
        self.run_with_stand_in("D2DFallback.WithoutDirect3D101TheRunEndsWithAMessage",
                               "d2d1=n;d3d10_1=d")

    def test_stand_in_direct2d_whose_factory_fails(self):
        self.run_with_stand_in("D2DFallback.AFactoryThatCannotBeCreatedFallsBackToGDI", "d2d1=n")

    def test_sixteen_bit_display(self):
        self.run_case("D2DDepth.*", geometry="320x240x16")


if __name__ == "__main__":
    unittest.main()
