"""The checks that read docs/ARCHITECTURE.md, each on small trees of its own:
the layer check (tools/check_layers.py) with the project's real rules, a few
real-looking files and includes planted the wrong way; the map check
(tools/check_map.py) with a map whose places go missing."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), ".."))


class TreeCheck(unittest.TestCase):
    """A temporary tree and one check run on it."""
    tool = None

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="doc-check-")
        self.addCleanup(shutil.rmtree, self.root)

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)

    def run_check(self):
        done = subprocess.run([sys.executable, os.path.join(SOURCE, "tools", self.tool), "--root", self.root],
                              capture_output=True, text=True)
        return done.returncode, done.stdout


class LayerCheck(TreeCheck):
    tool = "check_layers.py"

    def setUp(self):
        super().setUp()
        os.makedirs(os.path.join(self.root, "docs"))
        shutil.copy(os.path.join(SOURCE, "docs", "ARCHITECTURE.md"), os.path.join(self.root, "docs"))
        for name in ("platform/modAPI.h", "platform/emu/RegistryStore.h", "platform/emu/RegistryStore.cpp",
                     "platform/win/WinNames.h", "registry/clsEasyRegistry.h", "tray/frmSysTray.h"):
            self.write(name, "#pragma once\n")
        self.write("tray/VtrSysTrayTerminal.cpp", '#include "platform/emu/RegistryStore.h"\n')

    def test_includes_the_rules_allow_pass(self):
        self.write("registry/clsEasyRegistry.cpp",
                   '#include "registry/clsEasyRegistry.h"\n#include "clsEasyRegistry.h"\n'
                   '#include "../platform/modAPI.h"\n#include <string>\n#include "vtr_version.h"\n')
        self.write("platform/emu/RegistryStore.cpp", '#include "RegistryStore.h"\n#include "../modAPI.h"\n')
        status, out = self.run_check()
        self.assertEqual((status, out.strip()), (0, "check_layers: every include keeps the layer rules"))

    def test_wrong_way_includes_are_named_with_their_line(self):
        self.write("registry/clsEasyRegistry.cpp",
                   '#include "registry/clsEasyRegistry.h"\n'
                   '#include "../platform/emu/RegistryStore.h"\n'  # relative
                   '  #  include "platform/emu/RegistryStore.h"\n'  # rooted, spaced
                   '#include <platform/win/WinNames.h>\n')  # angle brackets reach the root too
        self.write("platform/emu/RegistryStore.cpp", '#include "../../tray/frmSysTray.h"\n')
        status, out = self.run_check()
        self.assertEqual(status, 1)
        lines = out.splitlines()
        for where, landed in (("registry/clsEasyRegistry.cpp:2:", "platform/emu/"),
                              ("registry/clsEasyRegistry.cpp:3:", "platform/emu/"),
                              ("registry/clsEasyRegistry.cpp:4:", "platform/win/"),
                              ("platform/emu/RegistryStore.cpp:1:", "tray/")):
            self.assertTrue(any(line.startswith(where) and f"lands in {landed}" in line for line in lines),
                            f"{where} not reported in:\n{out}")
        self.assertFalse(any(line.startswith("registry/clsEasyRegistry.cpp:1:") for line in lines))
        self.assertFalse(any(line.startswith("tray/VtrSysTrayTerminal.cpp") for line in lines))

    def test_a_new_folder_without_a_rule_fails(self):
        self.write("platform/emu/extra/Thing.h", "#pragma once\n")
        status, out = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("platform/emu/extra/: a product folder with no row", out)

    def test_missing_rules_are_an_error_not_a_pass(self):
        self.write("docs/ARCHITECTURE.md", "# no table here\n")
        status, _ = self.run_check()
        self.assertEqual(status, 2)


MAP = """# Title
<!-- map of the code -->
| concept | where |
|---|---|
| the registry by path | `clsEasyRegistry` registry/clsEasyRegistry.cpp, `OpenPath` registry/clsEasyRegistry.cpp |
<!-- end of map -->
"""


class MapCheck(TreeCheck):
    tool = "check_map.py"

    def setUp(self):
        super().setUp()
        self.write("docs/ARCHITECTURE.md", MAP)
        self.write("registry/clsEasyRegistry.cpp", "void clsEasyRegistry::OpenPath() {}\n")


    def test_a_map_whose_places_are_there_passes(self):
        self.assertEqual(self.run_check(), (0, "map of the code: 2 places, 0 wrong\n"))

    def test_a_renamed_function_or_a_moved_file_is_named(self):
        self.write("registry/clsEasyRegistry.cpp", "void clsEasyRegistry::OpenPathNow() {}\n")
        code, out = self.run_check()
        self.assertEqual(code, 1)
        self.assertIn("docs/ARCHITECTURE.md:5: `OpenPath` is not in registry/clsEasyRegistry.cpp", out)
        os.remove(os.path.join(self.root, "registry/clsEasyRegistry.cpp"))
        code, out = self.run_check()
        self.assertEqual(code, 1)
        self.assertIn("registry/clsEasyRegistry.cpp: no such file", out)

    def test_no_map_is_no_pass(self):
        self.write("docs/ARCHITECTURE.md", "# Title\n")
        self.assertEqual(self.run_check()[0], 2)


if __name__ == "__main__":
    unittest.main()
