"""orin-measure run as a user runs it: files in, exit status, one-line
messages, JSON and SVG out (read with the standard json and xml parsers).

Run by ctest as: python3 test_measure_command.py ORIN_MEASURE [EMULATOR]
"""
import json
import math
import os
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

COMMAND = []  # the emulator (if any) and the built orin-measure


def trapezoids(period, start, rise, high, fall, cycles, amp):
    """A train of trapezoids: low 0, ramps of `rise` and `fall` samples, a
    flat top of `high` samples, `period` samples per cycle (each sample the
    lowest of the rising ramp, the top and the falling ramp, not below 0)."""
    top = start + rise + high
    return [amp * max(0.0, min((i % period - start) / rise, 1.0, 1 - (i % period - top) / fall))
            for i in range(period * cycles)]


def csv(channels, dt, t0, header="time,value\n", sep=",", eol="\n", fmt="%.17g", comma=False, trail=""):
    """A CSV as instruments write it: header lines, then time and the
    channels printed with printf's format, decimal commas when asked for."""
    def put(x):
        f = fmt % x
        return f.replace(".", ",", 1) if comma else f
    rows = (sep.join(put(x) for x in [t0 + i * dt] + [c[i] for c in channels]) + trail + eol
            for i in range(len(channels[0])))
    return (header + "".join(rows)).encode()


def raw(v):
    return struct.pack("<%dd" % len(v), *v)


def npy(descr, shape, data, fortran=False, version=1):
    """A .npy file as numpy.save writes it: magic, version, header length, the
    dict literal padded with blanks to a multiple of 64 bytes, the data."""
    d = "{'descr': '%s', 'fortran_order': %s, 'shape': %s, }" % (descr, fortran, shape)
    pre = 10 if version == 1 else 12
    d += " " * (-(pre + len(d) + 1) % 64) + "\n"
    size = struct.pack("<H" if version == 1 else "<I", len(d))
    return b"\x93NUMPY" + bytes([version, 0]) + size + d.encode("latin-1") + data


def strict_json(text):
    """One flat JSON object, the whole text; JSON has no NaN or infinity."""
    def refuse(name):
        raise ValueError("not JSON: " + name)
    obj = json.loads(text, parse_constant=refuse)
    assert isinstance(obj, dict), text
    return obj


NUMBER = re.compile(r"-?\d+(\.\d*)?([eE][-+]?\d+)?")


class Svg:
    """A well-formed SVG (the XML parser refuses anything else), its elements
    counted by tag and by "tag.class", their numeric attributes, its texts."""
    def __init__(self, data):
        self.root = ET.fromstring(data)
        self.count, self.at, self.texts = {}, {}, []
        for e in self.root.iter():
            tag = e.tag.split("}")[-1]
            keys = [tag] + ([tag + "." + e.get("class")] if e.get("class") else [])
            for k in keys:
                self.count[k] = self.count.get(k, 0) + 1
            if len(keys) > 1:
                self.at.setdefault(keys[1], []).append({a: float(v) for a, v in e.attrib.items() if NUMBER.fullmatch(v)})
            self.texts += [t for t in (e.text, e.tail) if t and t.strip()]
        assert self.root.tag.split("}")[-1] == "svg" and self.count["svg"] == 1

    def has(self, t):
        return any(t in s for s in self.texts)


class MeasureCommand(unittest.TestCase):
    def setUp(self):
        if not COMMAND:
            self.skipTest("run as: test_measure_command.py ORIN_MEASURE [EMULATOR]")
        tmp = tempfile.TemporaryDirectory(prefix="orin-measure-test-")
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name

    def file(self, name, data):
        pathlib.Path(self.dir, name).write_bytes(data)
        return os.path.join(self.dir, name)

    def run_(self, *args):
        r = subprocess.run(COMMAND + list(args), capture_output=True)
        return r.returncode, r.stdout.decode(), r.stderr.decode()

    def slurp(self, name):
        return pathlib.Path(self.dir, name).read_bytes()

    def json_rows(self, *args):
        code, out, err = self.run_(*args, "--json")
        self.assertEqual(code, 0, err)
        return [strict_json(line) for line in out.splitlines()]

    def test_measures_trapezoids_from_every_file_form(self):
        # 1 GS/s, 4 cycles of 200 samples: ramps of 16 and 24 samples, 70 high.
        dt, t0, amp = 1e-9, 5e-6, 2.0
        v = trapezoids(200, 20, 16, 70, 24, 4, amp)
        n = len(v)
        times = [t0 + i * dt for i in range(n)]
        plain = csv([v], dt, t0).decode()
        quoted = "\ufeff" + "".join('"%s"\n' % l.replace(",", '","', 1) for l in plain.splitlines())
        forms = [
            [self.file("two.csv", plain.encode())],
            [self.file("semi.csv", b"# scope export\r\n" + csv([v], dt, t0, "time;value\r\n", ";", "\r\n"))],
            # Names and units rows, CRLF and a delimiter ending every line.
            [self.file("units.csv", csv([v], dt, t0, "x-axis,1\r\nsecond,Volt\r\n", ",", "\r\n", trail=","))],
            # Settings lines with numbers in them, semicolons and decimal
            # commas; times printed with 10 digits (as instruments do) stay
            # uniform within the tolerance of the time column.
            [self.file("comma.csv", csv([v], dt, t0, "Model;XY-200\nSample rate;1,0E+09\nPoints;800\nTime;CH1\n",
                                        ";", "\n", "%.9e", True))],
            [self.file("tab.txt", csv([v], dt, t0, '"Time (s)"\t"Ampl, V"\n', "\t", "\n", "%.9e", True))],
            [self.file("blank.dat", csv([v], dt, t0, "Time Ampl\n", "  "))],
            [self.file("quoted.csv", quoted.encode())],  # a byte-order mark and every field quoted
            [self.file("one.csv", ("CH1\n" + "".join("%f\n" % x for x in v)).encode()), "--dt", "1e-9", "--t0", "5e-6"],
            [self.file("wave.bin", raw(v)), "--dt=1e-9", "--t0=5e-6"],
            [self.file("f8.npy", npy("<f8", "(800, 2)", raw([z for p in zip(times, v) for z in p])))],
            [self.file("fortran.npy", npy("<f8", "(800, 2)", raw(times + v), True, 2))],
            # i/16 and i/24 of 2: exact enough in float32.
            [self.file("f4.npy", npy("<f4", "(800,)", struct.pack("<%df" % n, *v))), "--dt", "1e-9", "--t0", "5e-6"],
            [self.file("i2.npy", npy(">i2", "(800,)", struct.pack(">%dh" % n, *(round(x * 12000) - 9000 for x in v)))),
             "--dt", "1e-9", "--t0", "5e-6", "--format", "npy"],
        ]
        for args in forms:
            with self.subTest(args[0]):
                (j,) = self.json_rows(*args)
                self.assertEqual(j["samples"], 800)
                self.assertAlmostEqual(j["dt"], dt, delta=1e-9 * dt)
                self.assertAlmostEqual(j["t0"], t0, delta=1e-9 * t0)
                # The levels are histogram bin centres: high sits half a bin
                # (amp/512) below the top and low above the bottom, so the
                # 10-90 % rise is short by one bin in 256; 1e-6 covers float32
                # and the times printed with 10 digits.
                scale = 12000 if "i2.npy" in args[0] else 1
                for key, want in [("rise_time", 0.8 * 16 * dt * 255 / 256), ("fall_time", 0.8 * 24 * dt * 255 / 256),
                                  ("period", 200 * dt), ("frequency", 1 / (200 * dt)), ("duty_cycle", 90 / 200)]:
                    self.assertAlmostEqual(j[key], want, delta=1e-6 * want, msg=key)
                self.assertAlmostEqual(j["peak_to_peak"], amp * scale, delta=4 * amp * scale * 2.2e-16)
                self.assertNotIn(None, j.values())

    def test_channels_by_column_are_measured_apart(self):
        # Four channels with 10-90 % rises of 8, 16, 24 and 32 samples, as a
        # CSV with names and units rows and as a column-major .npy.
        dt = 1e-9
        ch = [trapezoids(400, 20, 10 * k, 150, 10 * k, 3, k) for k in range(1, 5)]
        n = len(ch[0])
        f = self.file("four.csv", csv(ch, dt, 0, "Time,CH1,CH2,CH3,CH4\ns,V,V,V,mV\n"))
        g = self.file("four.npy", npy("<f8", "(1200, 5)", raw([i * dt for i in range(n)] + sum(ch, [])), True))
        for args, columns in [([f], [2]), ([f, "--column", "4,2,4"], [4, 2]), ([f, "--column", "all"], [2, 3, 4, 5]),
                              ([g, "--column=all"], [2, 3, 4, 5]), ([f, g, "--column", "3"], [3, 3])]:
            rows = self.json_rows(*args)
            self.assertEqual([j["column"] for j in rows], columns, args)
            for j in rows:
                col = j["column"]
                self.assertAlmostEqual(j["rise_time"], 0.8 * 10 * (col - 1) * dt * 255 / 256, delta=1e-12 * dt)
                self.assertEqual(j["maximum"], col - 1)
                name = "CH4 (mV)" if col == 5 else "CH%d (V)" % (col - 1)
                self.assertEqual(j.get("channel"), name if j["file"].endswith("four.csv") else None)
        # Text: one channel a list, several a table of one row each, with one
        # picture per row.
        out = self.run_(f, "--column", "3")[1]
        self.assertIn("four.csv, column 3 (CH2 (V)): 1200 samples, dt 1.000 ns", out)
        self.assertIn("rise time            15.94 ns", out)
        code, out, err = self.run_(f, "--column", "all", "--svg", os.path.join(self.dir, "ch.svg"))
        self.assertEqual(code, 0, err)
        rows = out.splitlines()
        self.assertEqual(len(rows), 5, out)
        self.assertTrue(rows[0].startswith("file ") and "rise_time" in rows[0], rows[0])
        for k in range(1, 5):
            self.assertIn("15.94 ns" if k == 2 else "ns", rows[k])
            self.assertEqual(len(rows[k]), len(rows[0]), "aligned: " + rows[k])
            Svg(self.slurp("ch-%d.svg" % k))

    def test_many_files_give_one_line_each_and_bad_ones_their_own(self):
        v = trapezoids(200, 20, 16, 70, 24, 4, 1.0)
        files = [self.file("a.csv", csv([v], 1e-9, 0)), self.file("ragged.csv", b"0,1\n1,2,3\n"),
                 os.path.join(self.dir, "absent.csv"), self.file("nan.csv", b"0,1\n1,NaN\n2,0\n"),
                 self.file("b.bin", raw(v))]
        expect = [None, "ragged.csv:2: 3 columns", "absent.csv: cannot open",
                  "nan.csv:2: column 2: sample 'NaN' is not finite", None]
        for mode in ["--json", None]:
            code, out, err = self.run_(*files, "--dt", "1e-9", *([mode] if mode else []))
            self.assertEqual(code, 2, mode)
            rows = out.splitlines()[0 if mode else 1:]  # the table has a header row
            self.assertEqual(len(rows), len(files), out)
            self.assertEqual(len(err.splitlines()), 3, err)
            for path, row, bad in zip(files, rows, expect):
                self.assertEqual(row.find(path), 10 if mode else 0, row)  # {"file": "...
                if bad:
                    self.assertIn(bad, row)
                    self.assertNotIn("rise_time", row)
                elif mode:
                    self.assertAlmostEqual(strict_json(row)["rise_time"], 0.8 * 16e-9 * 255 / 256, delta=1e-20)
                else:
                    self.assertIn("12.75 ns", row)

    def test_bins_set_the_level_resolution(self):
        # A linear 10-90 % rise of 16 ns between flat levels, and a square
        # wave: with N bins the levels are bin centres half a bin inside the
        # extremes, so the rise reads 16 (1 - 1/N) ns and the square wave
        # overshoots by 1/(2 (N - 1)) of its amplitude.
        r = self.file("ramp.bin", raw(trapezoids(400, 20, 20, 180, 20, 2, 1.0)))
        q = self.file("square.bin", raw(trapezoids(100, 10, 1, 49, 1, 4, 5.0)))
        for bins in [0, 256, 4096, 65536]:
            n = bins or 256
            jr, jq = self.json_rows(r, q, "--dt", "1e-9", *(["--bins", str(bins)] if bins else []))
            self.assertAlmostEqual(jr["rise_time"], 16e-9 * (1 - 1 / n), delta=1e-12 * 16e-9)
            self.assertAlmostEqual(jq["overshoot"], 1 / (2 * (n - 1)), delta=1e-12)
            self.assertEqual(jr["bins"], n)
        # The figures --help quotes: 0.8 * 20 * (1 - 1/256) ns and 100 / (2 * 255) %.
        help = self.run_("--help")[1]
        self.assertIn("15.94 ns", help)
        self.assertIn("0.20 % overshoot", help)

    def test_measurements_that_do_not_apply_are_null(self):
        step = [0.0] * 200 + [k / 10 for k in range(10)] + [1.0] * 190
        f = self.file("step.bin", raw(step))
        (j,) = self.json_rows(f, "--dt", "1e-3")
        self.assertAlmostEqual(j["rise_time"], 8e-3 * 255 / 256, delta=8e-3 * 1e-12)
        self.assertTrue(j["period"] is None and j["fall_time"] is None and j["frequency"] is None)
        self.assertIn("fall time            --  (too few edges)", self.run_(f, "--dt", "1e-3")[1])

    def test_bad_files_give_one_line_naming_file_and_line(self):
        f8 = raw([0, 1, 2, 3])
        cut = bytearray(npy("<f8", "(2,)", raw([1, 2])))
        cut[8] = 200
        cases = [
            ("empty.csv", b"", "empty.csv: empty file"),
            ("header.csv", b"Model,XY\ntime,value\n\n", "header.csv: no samples"),
            ("words.csv", b"0,1\n1,2\n2,abc\n", "words.csv:3: 'abc' is not a number"),
            ("hole.csv", b"0;1;2\n1;;2\n", "hole.csv:2: column 2 is empty"),
            ("commas.csv", b"0;1,5\n1;2,5,0\n", "commas.csv:2: '2,5,0' is not a number"),
            ("ragged.csv", b"t,v\r\n0,1\r\n1,2,3\r\n", "ragged.csv:3: 3 columns"),
            ("uneven.csv", b"0,1\n1,2\n3,3\n", "is not uniform"),
            ("back.csv", b"2,1\n1,2\n0,3\n", "does not increase"),
            ("column.csv", b"0,1\n1,2\n", "column.csv:1: no column 5 (the data have 2)", "--column", "5"),
            ("single.csv", b"1\n2\n3\n", "give --dt"),
            ("huge.csv", b"0,1\n1e999,2\n", "huge.csv:2: '1e999' is beyond the range of a double"),
            ("huge2.csv", b"0;1\n1;-2,5e400\n", "huge2.csv:2: '-2,5e400' is beyond the range of a double"),
            ("inftime.csv", b"0,1\ninf,2\n", "inftime.csv:2: time 'inf' is not finite"),
            ("nan.csv", b"t,v\n0,1\n1,nan\n2,-inf\n", "nan.csv:3: column 2: sample 'nan' is not finite"),
            ("short.bin", raw([1, 2, 3])[:-1], "short.bin: truncated: 23 bytes", "--dt", "1"),
            ("nodt.bin", raw([1, 2, 3]), "give --dt"),
            ("nan.bin", raw([1, math.nan, 3]), "nan.bin: sample 2 is not finite", "--dt", "1"),
            ("v9.npy", npy("<f8", "(4,)", f8, False, 9), ".npy format version 9 is not supported"),
            ("c16.npy", npy("<c16", "(2,)", f8), "dtype '<c16' is not supported"),
            ("rec.npy", npy("', 'x': [('a', '<f8')], 'y': '", "(4,)", f8), "the header has an unknown key 'x'"),
            ("claims.npy", npy("<f8", "(1000000000000000000,)", f8), "shape (1000000000000000000,) does not match the 32"),
            ("overflow.npy", npy("<f8", "(4294967296, 4294967296)", f8), "does not match the 32 bytes"),
            ("cube.npy", npy("<f8", "(1, 2, 2)", f8), "has 3 dimensions"),
            ("wide.npy", npy("<f8", "(1, 4)", f8), "fewer rows than columns"),
            ("scalar.npy", npy("<f8", "()", f8[:8]), "holds a single number"),
            ("cut.npy", bytes(cut), "cut.npy: truncated .npy header"),
            ("nan.npy", npy("<f8", "(2, 2)", raw([0, math.nan, 1, 1])), "row 1, column 2: a sample is not finite"),
            ("nohead.npy", raw([1, 2]), "not a .npy file", "--format", "npy"),
        ]
        for name, data, expect, *extra in cases:
            self.assert_one_line_error([self.file(name, data)] + extra, expect)
        self.assert_one_line_error([self.dir], "is a directory")

    def test_bad_options_give_one_line_naming_the_option(self):
        f = self.file("ok.csv", b"0,0\n1,1\n2,0\n")
        for args, expect in [
            (["--frobnicate"], "unknown option '--frobnicate'"),
            (["--dt", "-1"], "--dt: the sampling interval must be positive"),
            (["--dt", "1ms"], "--dt: '1ms' is not a finite number"),
            (["--dt"], "--dt: missing value"),
            (["--t0", "nan"], "--t0: 'nan' is not a finite number"),
            (["--levels", "90,50,10"], "--levels: need LOW <= MID <= HIGH"),
            (["--levels", "10,50"], "--levels: give three percentages"),
            (["--column", "0"], "--column: '0' is not a column number"),
            (["--column", "2,x"], "--column: 'x' is not a column number"),
            (["--bins", "1"], "--bins: '1' is not a number of bins from 2 to 16777216"),
            (["--bins", "16777217"], "--bins: '16777217' is not"),
            (["--bins", "1e3"], "--bins: '1e3' is not"),
            (["--format", "xls"], "--format: 'xls'"),
            (["--svg", os.path.join(self.dir, "no/such/dir/x.svg")], "x.svg: cannot write"),
        ]:
            self.assert_one_line_error([f] + args, expect, quiet=False)
        self.assertEqual(self.run_()[0], 2)
        code, out, _ = self.run_("--help")
        self.assertEqual(code, 0)
        self.assertIn("usage: orin-measure FILE...", out)

    def assert_one_line_error(self, args, expect, quiet=True):
        code, out, err = self.run_(*args)
        self.assertEqual(code, 2, args)
        self.assertTrue(out == "" or not quiet, out)
        self.assertIn(expect, err)
        self.assertEqual(err.find("\n"), len(err) - 1, "one line: " + err)

    def test_svg_shows_the_measured_edges_legibly(self):
        # One cycle fills the picture: one panel. Fifty cycles would squeeze
        # an edge into a fraction of a pixel: a zoomed panel shows each edge.
        out = os.path.join(self.dir, "pulse.svg")
        for period, high, cycles, panels, xlabel in [(120, 40, 1, 1, "time (ns)"), (200, 70, 50, 3, "time (\u00b5s)")]:
            v = trapezoids(period, 20, 16, high, 24, cycles, 3.3)
            code, _, err = self.run_(self.file("a&b <scope>.csv", csv([v], 1e-9, 0)), "--svg", out, "--levels", "20,50,80")
            self.assertEqual(code, 0, err)
            x = Svg(self.slurp("pulse.svg"))
            self.assertEqual(x.count["rect.panel"], panels, cycles)
            self.assertEqual(x.count["polyline.data"], panels)
            self.assertEqual(x.count["line.reference"], 3 + 3 * (panels - 1))
            for t in [xlabel, "orin-measure: a&b <scope>.csv", "high 80 %", "mid 50 %", "low 20 %",
                      # 20-80 % of ramps of 16 and 24 ns, less one histogram bin in 256.
                      "rise 9.56", "fall 14.3"]:
                self.assertTrue(x.has(t), t)
            # Each edge's pair of cursors and markers, in every panel that
            # shows it, at least 50 pixels apart; a falling edge's first
            # marker at the high reference (above the second).
            panel, cursors, markers = x.at["rect.panel"][0], x.at["line.cursor"], x.at["circle.marker"]
            self.assertEqual(len(cursors), 4 * (1 if panels == 1 else 2))
            self.assertEqual(len(markers), len(cursors))
            for k in range(0, len(cursors), 2):
                gap = cursors[k + 1]["x1"] - cursors[k]["x1"]
                if panels == 1 or cursors[k]["y1"] > panel["y"] + panel["height"]:  # in a zoomed panel
                    self.assertGreater(gap, 50, (cycles, k))
                else:
                    self.assertLess(gap, 2, "the whole record squeezes the edge")
                self.assertEqual(markers[k]["cy"] < markers[k + 1]["cy"], (k // 2) % 2 == 1, k)
                self.assertEqual(markers[k]["cx"], cursors[k]["x1"])
        # Levels spanning more than the largest double still map to pixels.
        out = os.path.join(self.dir, "huge.svg")
        self.assertEqual(self.run_(self.file("huge.csv", b"0,1e308\n1,-1.7e308\n2,1e308\n"), "--svg", out)[0], 0)
        svg = self.slurp("huge.svg").decode()
        self.assertNotIn("nan", svg)
        self.assertIn("84.00,", svg)  # the first point, at the left edge

    def test_long_records_draw_their_envelope_in_bounded_size(self):
        # 400,000 samples of a 1 kHz square wave with noise, sampled at 1 MHz:
        # the picture keeps per-pixel extremes, so its size does not grow with n.
        v, seed = [], 1
        for i in range(400000):
            seed = (seed * 1103515245 + 12345) & 0xFFFFFFFF
            v.append((1.0 if (i // 500) % 2 else -1.0) + 0.01 * ((seed >> 8) / 16777216.0 - 0.5))
        v[123457] = 3.0  # a single-sample spike must survive the reduction
        code, _, err = self.run_(self.file("long.bin", raw(v)), "--dt", "1e-6", "--svg", os.path.join(self.dir, "long.svg"))
        self.assertEqual(code, 0, err)
        svg = self.slurp("long.svg")
        self.assertLess(len(svg), 200000)
        # The spike's pixel: y of 3.0 on the plot's scale is its topmost
        # point; the frame's top is at 46 and the range has a 5 % margin.
        points = next(e for e in Svg(svg).root.iter() if "points" in e.attrib).get("points").split()
        self.assertLess(min(float(p.split(",")[1]) for p in points), 70)


if __name__ == "__main__":
    COMMAND[:] = sys.argv[2:] + sys.argv[1:2]
    unittest.main(argv=sys.argv[:1])
