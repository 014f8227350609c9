"""What korvid.exe carries in its file, read from the built program: the libraries it imports
(each one that Windows takes from its own known set, never from the program's folder) and its
application manifest."""
import unittest
import xml.etree.ElementTree as ElementTree

from harness.e2e_program import E2E_EXE
from harness.korvid_wine import korvid_exe
from harness.pe_image import RT_MANIFEST, PeImage

# Windows 7's known libraries (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs),
# which later versions keep: the loader maps them from the system folder whatever lies beside a
# program. Any other import is looked for in the program's folder first.
KNOWN_LIBRARIES = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll",
    "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll"}

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SETTINGS_2019 = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}"
WINDOWS_7_TO_11 = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


class ProgramImageTest(unittest.TestCase):
    def programs(self):
        found = [path for path in (korvid_exe(), E2E_EXE) if path.exists()]
        if not found:
            self.skipTest("korvid.exe is not built")
        return found

    def test_imports_only_libraries_the_system_keeps_known(self):
        for program in self.programs():
            imported = {name.lower() for name in PeImage.read(program).imported_libraries()}
            self.assertIn("kernel32.dll", imported, program)
            self.assertEqual(imported - KNOWN_LIBRARIES, set(), program)

    def test_carries_the_application_manifest(self):
        for program in self.programs():
            manifests = PeImage.read(program).resources(RT_MANIFEST)
            # Resource 1: the manifest Windows reads when it starts a program.
            self.assertEqual([name for name, _ in manifests], [1], program)
            root = ElementTree.fromstring(next(iter(manifests.values())))
            self.assertEqual(root.tag, ASM_V1 + "assembly")

            levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
            self.assertEqual(levels, ["asInvoker"], program)

            supported = {e.get("Id") for e in root.iter(COMPATIBILITY + "supportedOS")}
            self.assertEqual(supported, WINDOWS_7_TO_11, program)

            settings = list(root.iter(ASM_V3 + "windowsSettings"))
            self.assertEqual(len(settings), 1, program)
            awareness = [e.text.replace(" ", "").lower()
                         for e in settings[0].iter(SETTINGS_2016 + "dpiAwareness")]
            self.assertEqual(awareness, ["permonitorv2,permonitor"], program)
            fallback = [e.text.strip().lower() for e in settings[0].iter(SETTINGS_2005 + "dpiAware")]
            self.assertEqual(fallback, ["true/pm"], program)
            # The ANSI code page stays the system's.
            self.assertEqual(list(root.iter(SETTINGS_2019 + "activeCodePage")), [], program)
            self.assertNotIn(b"activeCodePage", next(iter(manifests.values())), program)


if __name__ == "__main__":
    unittest.main()
