"""scripts/run: one line for each step before the program runs, and the size of the virtual
display it starts."""
import subprocess
import unittest

from harness.korvid_wine import BUILD, ROOT, end_wineserver, normalise, wine_environment


class RunScriptTest(unittest.TestCase):
    def run_script(self, args, size):
        env = wine_environment()
        env.pop("DISPLAY", None)
        env["KORVID_DISPLAY_SIZE"] = size
        # The prefix's Wine session belongs to one display; the script starts its own.
        end_wineserver(env)
        try:
            done = subprocess.run([str(ROOT / "scripts" / "run"), *args], env=env,
                                  stdin=subprocess.DEVNULL, capture_output=True, timeout=900)
        finally:
            end_wineserver(env)
        return done.returncode, normalise(done.stdout.decode("latin-1"))

    def test_each_step_says_what_it_does(self):
        code, out = self.run_script(["-h"], "320x240")
        self.assertEqual(code, 0, out)
        windows = BUILD / "windows"
        steps = [line for line in out.split("\n") if line.startswith("run: ")]
        self.assertEqual(steps, [
            "run: building korvid.exe in %s (log in %s)" % (windows, BUILD / "run-build.log"),
            "run: starting a virtual 320x240 display",
            "run: running korvid.exe -h"], out)
        self.assertIn("\nKorvid 2.9\nA benchmark tool for graphics cards.\n", out)

    def test_a_display_size_is_width_by_height(self):
        code, out = self.run_script(["-h"], "1280*1024")
        self.assertEqual(code, 2)
        self.assertEqual(out, "run: KORVID_DISPLAY_SIZE must be WIDTHxHEIGHT, such as 640x480, "
                              "not '1280*1024'\n")


if __name__ == "__main__":
    unittest.main()
