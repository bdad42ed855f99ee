"""The map check (tools/check_map.py) on a small tree of its own: a map whose
places are all there passes; a name gone from its file, a file gone, and a
document without a map fail."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "tools", "check_map.py")
MAP = """# Title
<!-- map of the code -->
| concept | where |
|---|---|
| the registry by path | `clsEasyRegistry` registry/clsEasyRegistry.cpp, `OpenPath` registry/clsEasyRegistry.cpp |
<!-- end of map -->
"""


class MapCheck(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="map-")
        self.addCleanup(shutil.rmtree, self.root)
        self.write("docs/ARCHITECTURE.md", MAP)
        self.write("registry/clsEasyRegistry.cpp", "void clsEasyRegistry::OpenPath() {}\n")

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)

    def run_check(self):
        done = subprocess.run([sys.executable, CHECK, "--root", self.root], capture_output=True, text=True)
        return done.returncode, done.stdout

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
