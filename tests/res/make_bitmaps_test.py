#!/usr/bin/env python3
"""Checks scripts/make-bitmaps: the bytes of the bitmaps and icons it writes, and its
refusal of malformed art with the file and line of the fault."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "make-bitmaps")


class Generator(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def run_tool(self, kind, art):
        source = os.path.join(self.folder.name, "art.txt")
        target = os.path.join(self.folder.name, "out." + kind)
        with open(source, "w") as f:
            f.write(art)
        result = subprocess.run([sys.executable, SCRIPT, kind, source, target],
                                capture_output=True, text=True)
        data = None
        if os.path.exists(target):
            with open(target, "rb") as f:
                data = f.read()
        return result, data


class Bitmaps(Generator):
    ART = ("# two images side by side\n"
           "background C\n"
           "image 3 2 first\n"
           "KR.\n"
           "WWW\n"
           "\n"
           "image 2 2 second\n"
           "BG\n"
           "..\n")

    def test_header_and_palette(self):
        result, data = self.run_tool("bmp", self.ART)
        self.assertEqual(0, result.returncode, result.stderr)
        magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
        self.assertEqual((b"BM", len(data), 14 + 40 + 64), (magic, size, offset))
        _, width, height, planes, bits = struct.unpack_from("<IiiHH", data, 14)
        self.assertEqual((5, 2, 1, 4), (width, height, planes, bits), "images go side by side")
        blue, green, red, _ = struct.unpack_from("<BBBB", data, 14 + 40 + 14 * 4)
        self.assertEqual((0, 255, 255), (red, green, blue), "palette entry 14 is cyan")

    def test_pixels_bottom_up_high_nibble_first(self):
        _, data = self.run_tool("bmp", self.ART)
        pixels = data[14 + 40 + 64:]
        self.assertEqual(8, len(pixels), "two rows of 5 pixels, each padded to 4 bytes")
        # Bottom row first: W W W C C (background for '.'), then K R C B G.
        self.assertEqual(bytes([0xFF, 0xFE, 0xE0, 0x00]), pixels[0:4])
        self.assertEqual(bytes([0x09, 0xEC, 0xA0, 0x00]), pixels[4:8])


class Icons(Generator):
    def test_directory_and_mask(self):
        art = "image 2 2 big\nK.\n.W\nimage 1 1 small\nR\n"
        result, data = self.run_tool("ico", art)
        self.assertEqual(0, result.returncode, result.stderr)
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((0, 1, 2), (reserved, kind, count))
        width, height, colours, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6)
        self.assertEqual((2, 2, 16, 1, 4), (width, height, colours, planes, bits))
        self.assertEqual(offset, 6 + 2 * 16)
        _, bmp_width, bmp_height = struct.unpack_from("<Iii", data, offset)
        self.assertEqual((2, 4), (bmp_width, bmp_height), "colour and mask halves")
        colour = data[offset + 40 + 64:offset + 40 + 64 + 8]
        mask = data[offset + 40 + 64 + 8:offset + length]
        self.assertEqual(bytes([0x0F, 0, 0, 0, 0x00, 0, 0, 0]), colour, "see-through pixels are black")
        self.assertEqual(bytes([0x80, 0, 0, 0, 0x40, 0, 0, 0]), mask, "bottom row first, '.' sets the bit")


class Faults(Generator):
    def assert_refused(self, kind, art, line, words):
        result, data = self.run_tool(kind, art)
        self.assertEqual(1, result.returncode)
        self.assertIsNone(data, "nothing is written")
        self.assertIn(f"art.txt:{line}:", result.stderr)
        self.assertIn(words, result.stderr)

    def test_malformed_art_is_refused_with_its_line(self):
        cases = [
            ("short row", "background C\nimage 3 2 x\nKKK\nKK\n", 4, "has 2 pixels, expected 3"),
            ("unknown letter", "background C\nimage 2 1 x\nKZ\n", 3, "unknown palette letter 'Z'"),
            ("see-through colour drawn", "transparent C\nimage 2 1 x\nKC\n", 3, "transparent colour 'C'"),
            ("image cut off", "background C\nimage 2 3 x\nKK\nKK\n", 4, "ends after 2 of 3 rows"),
            ("unknown directive", "colour C\n", 1, "unknown directive 'colour'"),
            ("background after image", "image 1 1 x\nK\nbackground C\n", 3, "before the first image"),
            ("bad size", "background C\nimage 0 1 x\n", 2, "between 1 and 256"),
        ]
        for name, art, line, words in cases:
            with self.subTest(name):
                self.assert_refused("bmp", art, line, words)

    def test_bitmap_needs_background_and_equal_heights(self):
        with self.subTest("no background"):
            result, data = self.run_tool("bmp", "image 1 1 x\nK\n")
            self.assertEqual(1, result.returncode)
            self.assertIsNone(data)
            self.assertIn("needs a 'background' line", result.stderr)
        with self.subTest("heights differ"):
            self.assert_refused("bmp", "background C\nimage 1 1 a\nK\nimage 1 2 b\nK\nK\n", 4,
                                "is 2 pixels high, the first is 1")


class CommittedArt(unittest.TestCase):
    """The program's own art files convert cleanly."""

    def test_each_file_converts(self):
        art = os.path.join(os.path.dirname(SCRIPT), "..", "res", "art")
        with tempfile.TemporaryDirectory() as folder:
            for name, kind in (("toolbar.txt", "bmp"), ("tree.txt", "bmp"), ("icon.txt", "ico")):
                with self.subTest(name):
                    target = os.path.join(folder, "out." + kind)
                    result = subprocess.run([sys.executable, SCRIPT, kind, os.path.join(art, name), target],
                                            capture_output=True, text=True)
                    self.assertEqual(0, result.returncode, result.stderr)


if __name__ == "__main__":
    unittest.main()
