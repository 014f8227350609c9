"""The Windows package: built by scripts/package, unpacked to a fresh folder, run from there."""
import pathlib
import subprocess
import tempfile
import unittest
import zipfile

from harness.korvid_wine import ROOT, BUILD, run_windows_program


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([str(ROOT / "scripts" / "package")], check=True,
                       stdout=subprocess.DEVNULL, timeout=1200)
        cls.zip_path = BUILD / "dist" / "korvid-2.9-win64.zip"
        cls.program = BUILD / "dist" / "korvid-2.9-win64" / "korvid.exe"

    def test_holds_the_program_the_bundle_and_a_windows_readme(self):
        with zipfile.ZipFile(self.zip_path) as archive:
            self.assertEqual(sorted(archive.namelist()),
                             ["README.txt", "curl-ca-bundle.crt", "korvid.exe"])
            readme = archive.read("README.txt")
            bundle = archive.read("curl-ca-bundle.crt")
            exe = archive.read("korvid.exe")
        self.assertIn(b"korvid.exe -y\r\n", readme)
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""), "every line end is CRLF")
        self.assertGreater(bundle.count(b"-----BEGIN CERTIFICATE-----"), 50)
        self.assertEqual(exe[:2], b"MZ")

    def test_program_needs_only_the_system_libraries(self):
        described = subprocess.run(["file", str(self.program)], capture_output=True, text=True,
                                   check=True).stdout
        self.assertIn("PE32+ executable (console) x86-64", described)
        dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(self.program)],
                              capture_output=True, text=True, check=True).stdout
        imported = {line.split("DLL Name:")[1].strip().lower()
                    for line in dump.splitlines() if "DLL Name:" in line}
        system = {"advapi32.dll", "bcrypt.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
                  "gdiplus.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
                  "setupapi.dll", "shell32.dll", "user32.dll", "version.dll", "winmm.dll", "ws2_32.dll",
                  "dxgi.dll"}
        self.assertIn("kernel32.dll", imported)
        self.assertEqual(imported - system, set(), "imports beyond the system's own DLLs")
        # Direct2D, DirectWrite and Direct3D 10.1 are loaded at run time, so the program
        # starts (and falls back to GDI) where they are missing.
        self.assertFalse(imported & {"d2d1.dll", "dwrite.dll", "d3d10_1.dll"})

    def test_program_goes_without_its_symbols_which_stay_beside_the_build(self):
        listed = subprocess.run(["x86_64-w64-mingw32-nm", str(self.program)],
                                capture_output=True, text=True)
        self.assertIn("no symbols", listed.stderr)
        sections = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", str(self.program)],
                                  capture_output=True, text=True, check=True).stdout
        self.assertIn(".gnu_debuglink", sections)
        symbols = subprocess.run(["x86_64-w64-mingw32-nm", str(BUILD / "windows" / "korvid.exe.debug")],
                                 capture_output=True, text=True, check=True).stdout
        self.assertRegex(symbols, r"(?m) T main$")

    def test_unpacked_program_prints_banner_and_help(self):
        with tempfile.TemporaryDirectory() as folder:
            with zipfile.ZipFile(self.zip_path) as archive:
                archive.extractall(folder)
            code, out = run_windows_program(pathlib.Path(folder) / "korvid.exe", ["-h"],
                                            cwd=folder, stdin_text="", timeout=120)
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith("-" * 60 + "\nKorvid 2.9\nA benchmark tool for graphics cards.\n"), out)
        self.assertIn("\nCommand line options: \n ?, -h, --help - Print this help information\n", out)
        self.assertNotIn("Press ENTER to exit", out)


if __name__ == "__main__":
    unittest.main()
