#!/usr/bin/env python3
"""Runs the real norvique-query (natively, or the .exe under Wine) against the
local test web server and checks what it prints and how it exits.

Usage: cli_test.py [--runner <command> <arg>...] --binary <norvique-query>
The server's state directory comes from NORVIQUE_PAGE_SERVER.
"""

import datetime
import json
import os
import subprocess
import sys
import unittest

RUNNER = []
BINARY = None
IS_WINDOWS_BUILD = False
TIMEOUT = 120

CHECK_ADDRESS = "请检查网址是否正确"


def server_port():
    with open(os.path.join(os.environ["NORVIQUE_PAGE_SERVER"], "port")) as f:
        return int(f.read().strip())


def url(path):
    return "http://127.0.0.1:%d%s" % (server_port(), path)


def end_time_text(seconds):
    """The UTC+8 text the program shows, worked out independently."""
    t = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=seconds + 8 * 3600)
    text = "%d年%d月%d日" % (t.year, t.month, t.day)
    if t.second:
        text += "%d时%d分%d秒" % (t.hour, t.minute, t.second)
    elif t.minute:
        text += "%d时%d分" % (t.hour, t.minute)
    elif t.hour:
        text += "%d时" % t.hour
    return text


def run(args, stdin=b"", **kwargs):
    return subprocess.run(RUNNER + [BINARY] + args, input=stdin, capture_output=True,
                          timeout=TIMEOUT, **kwargs)


class Queries(unittest.TestCase):
    def test_one_address_prints_the_end_time_alone(self):
        cases = [
            (url("/ends/1368346611"), end_time_text(1368346611), 0),
            (url("/ends/4102444800"), end_time_text(4102444800), 0),
            (url("/missing"), CHECK_ADDRESS, 1),
            ("", CHECK_ADDRESS, 1),
            ("not an address", CHECK_ADDRESS, 1),
        ]
        for address, shown, code in cases:
            with self.subTest(address=address):
                result = run([address])
                self.assertEqual(result.stdout.decode("utf-8"), shown + "\n")
                self.assertEqual(result.returncode, code)

    def test_several_addresses_each_on_its_line_in_order(self):
        addresses = [url("/ends/1368346611"), url("/missing"), url("/ends/1400000000")]
        result = run(addresses)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout.decode("utf-8").splitlines(), [
            addresses[0] + "\t" + end_time_text(1368346611),
            addresses[1] + "\t" + CHECK_ADDRESS,
            addresses[2] + "\t" + end_time_text(1400000000),
        ])

    def test_standard_input_skips_blank_lines_and_drops_the_cr(self):
        a, b = url("/ends/1368346611"), url("/ends/1500000000")
        stdin = ("\r\n%s\r\n\r\n   \n%s" % (a, b)).encode()
        result = run([], stdin)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout.decode("utf-8").splitlines(), [
            a + "\t" + end_time_text(1368346611),
            b + "\t" + end_time_text(1500000000),
        ])

    def test_json_lines_parse_back(self):
        a, b = url("/ends/1368346611"), url("/missing")
        result = run(["--json", a, b])
        self.assertEqual(result.returncode, 1)
        rows = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
        self.assertEqual(rows, [
            {"address": a, "found": True, "seconds": 1368346611,
             "text": end_time_text(1368346611)},
            {"address": b, "found": False, "seconds": None, "text": None},
        ])

    def test_jobs_keep_the_input_order(self):
        addresses, expected = [], []
        for i in range(40):
            if i % 5 == 3:
                addresses.append(url("/missing?n=%d" % i))
                expected.append(CHECK_ADDRESS)
            else:
                seconds = 1300000000 + i * 86399
                addresses.append(url("/ends/%d?n=%d" % (seconds, i)))
                expected.append(end_time_text(seconds))
        result = run(["-j", "8", "--json"] + addresses)
        self.assertEqual(result.returncode, 1)
        rows = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
        self.assertEqual([r["address"] for r in rows], addresses)
        self.assertEqual([r["text"] or CHECK_ADDRESS for r in rows], expected)


class Usage(unittest.TestCase):
    def test_usage_errors_exit_2_with_one_line_and_the_usage(self):
        for args in (["--nope"], ["-j"], ["-j", "0"], ["-j", "65"], ["--jobs", "x"],
                     ["--jobs=3x"]):
            with self.subTest(args=args):
                result = run(args + [url("/ends/1368346611")])
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")
                lines = result.stderr.decode("utf-8").splitlines()
                self.assertTrue(lines[0].startswith("norvique-query: "), lines)
                self.assertIn("usage: norvique-query", lines[1])

    def test_help_and_version(self):
        for flag, start in (("--help", "usage: norvique-query"), ("--version", "norvique-query ")):
            with self.subTest(flag=flag):
                result = run([flag])
                self.assertEqual(result.returncode, 0)
                self.assertTrue(result.stdout.decode("utf-8").startswith(start))

    def test_dash_dash_ends_the_options(self):
        result = run(["--", "--json"])
        self.assertEqual(result.stdout.decode("utf-8"), CHECK_ADDRESS + "\n")
        self.assertEqual(result.returncode, 1)


class BadInput(unittest.TestCase):
    def test_input_without_any_address_is_a_usage_error(self):
        for stdin in (b"", b"\n\n\r\n", b"   \t\n"):
            with self.subTest(stdin=stdin):
                result = run([], stdin)
                self.assertEqual(result.returncode, 2)
                self.assertIn("no address", result.stderr.decode("utf-8"))

    def test_odd_lines_get_the_message_and_nothing_else_breaks(self):
        good = url("/ends/1368346611").encode()
        lines = [
            b"x" * (1 << 20),                      # a very long line
            b"\xff\xfe\x80" + good,                # bytes valid in no encoding
            b"http://127.0.0.1:%d/\xc0\xaf" % server_port(),
            good,
        ]
        result = run(["--json"], b"\n".join(lines) + b"\n")
        self.assertEqual(result.returncode, 1)
        rows = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
        self.assertEqual([r["found"] for r in rows], [False, False, False, True])
        self.assertEqual(len(rows[0]["address"]), 1 << 20)
        self.assertTrue(rows[1]["address"].startswith("\ufffd\ufffd\ufffd"))

    def test_unreadable_standard_input(self):
        fd = os.open("/", os.O_RDONLY)
        try:
            result = subprocess.run(RUNNER + [BINARY], stdin=fd, capture_output=True,
                                    timeout=TIMEOUT)
        finally:
            os.close(fd)
        self.assertEqual(result.returncode, 2)
        self.assertIn("cannot read standard input", result.stderr.decode("utf-8"))

    def test_closed_standard_output_ends_quietly(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            result = subprocess.run(RUNNER + [BINARY, url("/ends/1368346611")],
                                    stdout=write_end, stderr=subprocess.PIPE,
                                    timeout=TIMEOUT)
        finally:
            os.close(write_end)
        # An error code of its own, not a signal and no core dump.
        self.assertGreater(result.returncode, 0)
        self.assertEqual(result.stderr, b"")


def main():
    global RUNNER, BINARY, IS_WINDOWS_BUILD
    args = sys.argv[1:]
    if "--binary" not in args:
        sys.exit(__doc__)
    at = args.index("--binary")
    BINARY = args[at + 1]
    if args[:1] == ["--runner"]:
        RUNNER = args[1:at]
    IS_WINDOWS_BUILD = BINARY.endswith(".exe")
    unittest.main(argv=[sys.argv[0], "-v"] + args[at + 2:])


if __name__ == "__main__":
    main()
