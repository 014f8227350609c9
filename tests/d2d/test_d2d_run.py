"""korvid.exe through the Direct2D back end under Wine, on a 320 x 240 virtual display (Direct2D
on a software renderer draws about 17 megapixels per second, so a small screen keeps the run to
a few minutes on an idle machine): a whole run of every group answering yes to everything, not
uploading, saving under the default name; then the two ways the Direct2D set-up gives way when
its libraries are missing."""
import re
import shutil
import unittest

from harness.korvid_wine import (ScratchPrefix, VirtualDisplay, korvid_exe, run_windows_program,
                                 windows_path)
from harness.whole_run import (CARD_DESCRIPTION, HEADER, ROW, SIZES, WholeRunTest,
                               back_end_section, program_folder, read_text)

D3D_MESSAGE = ("ERROR: Direct2D test needs Direct3D 10.1. Please download and install DirectX "
               "10.1 or higher.")


def stand_in_d2d1():
    """The stand-in d2d1.dll the d2d folder builds for these tests (it loads without
    Direct3D 10.1, unlike Wine's own, which imports d3d10_1.dll)."""
    return korvid_exe().parent / "tests" / "d2d-stub" / "d2d1.dll"


def planted_d2d1():
    """A d2d1.dll that creates the file KORVID_PLANTED_MARKER names when it is loaded."""
    return korvid_exe().parent / "tests" / "d2d-planted" / "d2d1.dll"


class D2DRunTest(WholeRunTest):
    folder_prefix = "korvid-d2d-"
    timeout = 1200

    def d2d_section(self):
        return back_end_section(self.output, "Initialising Direct2D test.")

    def group(self, title):
        section = self.d2d_section()
        start = section.index(title + ":\n")
        return section[start:section.index("\n\n", start) + 1]

    def test_sets_up_direct2d(self):
        self.assertEqual(self.code, 0, self.output)
        self.assertNotIn("support Direct2D", self.output)
        self.assertNotIn("Initialising GDI test.", self.output)
        self.assertNotIn("ERROR", self.output)
        self.assertRegex(self.output,
                         "Initialising Direct2D test.\n\n" + CARD_DESCRIPTION)

    def test_runs_every_group(self):
        section = self.d2d_section()
        # The transfers come first, each calibrated to at least the run's minimum duration.
        transfers = re.search("\\(32 bpp\\)\n\n+"
                              "WritePixelArray: ([0-9]+\\.[0-9]{3}) MiB/s \\(took ([0-9]+\\.[0-9]{6}) "
                              "seconds\\)\\. \n"
                              "ReadPixelArray: ([0-9]+\\.[0-9]{3}) MiB/s \\(took ([0-9]+\\.[0-9]{6}) "
                              "seconds\\)\\. \n\nFillRect:\n", section)
        self.assertIsNotNone(transfers, section[:600])
        minimum = float(re.search("Tests will take at least ([0-9.]+) seconds each.",
                                  self.output).group(1))
        for rate, took in ((transfers.group(1), transfers.group(2)),
                           (transfers.group(3), transfers.group(4))):
            self.assertGreater(float(rate), 0.0)
            self.assertGreaterEqual(float(took), minimum)
        for title in ("FillRect", "BltBitMap", "Composite"):
            rows = "".join(ROW % (size, size) for size in SIZES)
            self.assertRegex(self.group(title), "^" + re.escape(title + ":\n" + HEADER) + rows,
                             title)
        self.assertIn("NOTE: Compositing (or alpha blending) used premultiplied alpha mode.\n",
                      self.group("Composite"))
        self.assertRegex(section, "Random:\nTime \\(s\\)\t       Ops/s\t    MPixel/s\n"
                                  " {0,12}[0-9]+\\.[0-9]{3}\t {0,12}[0-9]+\\.[0-9]{3}\t"
                                  " {0,12}[0-9]+\\.[0-9]{3}\n\n$")
        self.assertNotIn("Test failed.", self.output)

    def test_reports_what_wine_cannot_draw_as_not_supported(self):
        # Wine 8: CopyFromRenderTarget answers E_NOTIMPL and FillOpacityMask draws nothing.
        self.assertEqual(
            self.group("OverlappedBltBitMap"),
            "OverlappedBltBitMap:\n" + HEADER +
            "OverlappedBltBitMap is not supported on this machine (or not hardware "
            "accelerated).\n" * len(SIZES))
        self.assertEqual(
            self.group("CompositeSrcMask"),
            "CompositeSrcMask:\n" + HEADER +
            "CompositeSrcMask is not supported on this machine (or not hardware "
            "accelerated).\n" * len(SIZES) +
            "NOTE: The source mask's alpha channel was multiplied by the source bitmap's alpha "
            "channel.\nNOTE: The source bitmap's alpha channel was premultiplied.\n")

    def test_saves_the_transcript(self):
        self.assertEqual(len(self.results), 1, self.output)
        saved = read_text(self.results[0])
        self.assertIn(self.d2d_section().replace("32 bpp)\n\n\n", "32 bpp)\n"), saved)
        self.assertTrue(self.output.endswith("\n\nPress ENTER to exit\n"), self.output[-200:])


class D2DLibrariesMissingTest(unittest.TestCase):
    def run_in(self, directory, overrides, args, prefix=None):
        with VirtualDisplay("320x240x24") as display:
            result = run_windows_program(directory / "korvid.exe", args, display=display.name,
                                         dll_overrides=overrides, cwd=directory, timeout=600,
                                         extra_env=prefix.environment if prefix else None)
            if prefix:
                prefix.end_session()
        return result

    def test_without_direct2d_the_gdi_test_runs(self):
        directory = program_folder("korvid-d2d-")
        try:
            code, out = self.run_in(directory, "d2d1=d",
                                    ["-y", "-nu", "-ns", "-nm", "-nf", "-nb", "-nc", "-nr"])
        finally:
            shutil.rmtree(directory, ignore_errors=True)
        self.assertEqual(code, 0, out)
        self.assertIn("This machine doesn't support Direct2D.\nInitialising GDI test.\n\n", out)
        self.assertNotIn("Initialising Direct2D test.", out)

    def test_without_direct3d_10_1_the_run_ends(self):
        # The stand-in where the system keeps its d2d1.dll: the program loads it from nowhere else.
        directory = program_folder("korvid-d2d-")
        try:
            with ScratchPrefix() as prefix:
                shutil.copy(stand_in_d2d1(), prefix.system_folder())
                code, out = self.run_in(directory, "d2d1=n;d3d10_1=d", ["-y", "-nu", "-ns"],
                                        prefix)
        finally:
            shutil.rmtree(directory, ignore_errors=True)
        self.assertEqual(code, 0, out)
        self.assertTrue(out.endswith(D3D_MESSAGE + "\n\n\nPress ENTER to exit\n"), out[-300:])
        self.assertNotIn("Initialising GDI test.", out)
        self.assertNotIn("Initialising Direct2D test.", out)
        self.assertNotIn("FillRect", out)


class PlantedLibraryTest(unittest.TestCase):
    """A d2d1.dll in the program's folder (a Downloads folder) is never loaded: the run draws
    through the system's Direct2D, and the planted library's marker file never appears."""

    def test_a_d2d1_beside_the_program_is_not_loaded(self):
        directory = program_folder("korvid-planted-", [planted_d2d1()])
        self.addCleanup(shutil.rmtree, directory, True)
        marker = directory / "planted-d2d1-was-loaded"
        with VirtualDisplay("320x240x24") as display:
            # Windows takes a library of that name from the program's folder before its own;
            # Wine does so only when told to prefer native libraries (with its own as fallback,
            # since the system folder of a prefix holds only placeholders).
            code, out = run_windows_program(
                directory / "korvid.exe", ["-y", "-nu", "-ns", "-nm", "-nb", "-nc", "-nr"],
                display=display.name, cwd=directory, timeout=600, dll_overrides="d2d1=n,b",
                extra_env={"KORVID_PLANTED_MARKER": windows_path(marker)})
        self.assertEqual(code, 0, out)
        self.assertFalse(marker.exists(), out)
        self.assertIn("Initialising Direct2D test.\n", out)
        self.assertNotIn("Initialising GDI test.", out)
        self.assertRegex(out, "FillRect:\n" + re.escape(HEADER) + "".join(ROW % (s, s) for s in SIZES))
        # The version printed is the system library's, not the planted file's (which has none).
        self.assertRegex(out, "\nd2d1\.dll version: [1-9][0-9]*\.")


if __name__ == "__main__":
    unittest.main()
