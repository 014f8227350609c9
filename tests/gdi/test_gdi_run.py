"""A whole run through the GDI back end: korvid.exe with Direct2D made unavailable, on a small
virtual display, answering yes to everything, not uploading, saving under the default name."""
import re
import unittest

from harness.whole_run import (CARD_DESCRIPTION, HEADER, ROW, SIZES, WholeRunTest,
                               back_end_section, read_text)


class GDIRunTest(WholeRunTest):
    folder_prefix = "korvid-gdi-run-"
    dll_overrides = "d2d1=d"

    def gdi_section(self):
        return back_end_section(self.output, "Initialising GDI test.")

    def test_falls_back_to_gdi(self):
        self.assertEqual(self.code, 0, self.output)
        self.assertIn("This machine doesn't support Direct2D.\nInitialising GDI test.\n\n",
                      self.output)
        self.assertRegex(self.output, CARD_DESCRIPTION)

    def test_runs_every_group(self):
        section = self.gdi_section()
        self.assertRegex(section,
                         "WritePixelArray: [0-9]+\\.[0-9]{3} MiB/s \\(took [0-9]+\\.[0-9]{6} "
                         "seconds\\)\\. \n"
                         "ReadPixelArray: [0-9]+\\.[0-9]{3} MiB/s \\(took [0-9]+\\.[0-9]{6} "
                         "seconds\\)\\. \n\n")
        for title in ("FillRect", "BltBitMap", "OverlappedBltBitMap"):
            rows = "".join(ROW % (size, size) for size in SIZES)
            self.assertRegex(section, re.escape(title + ":\n" + HEADER) + rows + "\n")
        # Wine's screen device has no blending capability: both compositing groups are
        # reported unsupported, once per size.
        composite = "Composite operations are not supported on this machine (or not hardware accelerated).\n"
        self.assertIn("Composite:\n" + HEADER + composite * len(SIZES) + "\n", section)
        src_mask = "CompositeSrcMask is not supported on this machine (or not hardware accelerated).\n"
        self.assertIn("CompositeSrcMask:\n" + HEADER + src_mask * len(SIZES) + "\n", section)
        self.assertEqual(self.output.count(src_mask), len(SIZES))
        self.assertRegex(section,
                         "Random:\nTime \\(s\\)\t       Ops/s\t    MPixel/s\n"
                         " {0,12}[0-9]+\\.[0-9]{3}\t {0,12}[0-9]+\\.[0-9]{3}\t {0,12}[0-9]+\\.[0-9]{3}\n\n$")
        self.assertNotIn("Test failed.", self.output)

    def test_result_file_holds_what_the_output_pair_printed(self):
        self.assertEqual(len(self.results), 1, [p.name for p in self.results])
        saved = read_text(self.results[0])
        # The GDI part as printed, without the two console-only empty lines after the mode.
        expected = re.sub(r"(Display mode: [^\n]+\n)\n\n", r"\1", self.gdi_section())
        self.assertIn(expected, saved)
        # Everything saved was printed, in the same order.
        console_lines = iter(self.output.split("\n"))
        for line in saved.split("\n"):
            self.assertIn(line, console_lines, "saved line not printed in this order: %r" % line)
        self.assertNotIn("This machine doesn't support Direct2D.", saved)


if __name__ == "__main__":
    unittest.main()
