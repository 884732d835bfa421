"""The verdicts of bench/ratio_table.py over crafted result files: a row is
missed only when no run of its benchmark met its aim, and --missed names
exactly the benchmarks bench/run-all must run again."""
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ratio_table.py")

GET = "GetAgainstBlockLoop"
PUT = "PutAgainstBlockLoop"
QUERY = "ExportedQueryAgainstRawFib"
SHARED = "ThreadsSharingOneHandle"


def bench(name, **counters):
    return dict(name=name + "/iterations:6/manual_time", **counters)


def write_runs(results, file, runs):
    """One result file per run, as bench/run-all names them."""
    for number, benchmarks in enumerate(runs, 1):
        name = file + (".json" if number == 1 else f".{number}.json")
        with open(os.path.join(results, name), "w") as f:
            json.dump({"benchmarks": benchmarks}, f)


def table_row(output, what):
    """(ratio, verdict) of the table's row WHAT."""
    line = next(line for line in output.splitlines() if line.startswith(what))
    return re.fullmatch(r"\s+(\S+)\s+(?:-|[<>]= \S+)  (.*)", line[len(what):]).groups()


class RatioTable(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="ratio table ")
        self.results = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def run_script(self, *args):
        return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True)

    def table(self):
        done = self.run_script(self.results)
        return done.returncode, done.stdout

    def missed(self, file):
        done = self.run_script("--missed", self.results, file)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout.strip()

    def test_verdict_goes_by_the_best_run_of_each_row(self):
        get_what = "libtelm get 256 MiB vs the 4096-byte block loop"
        curl_what = "libtelm get 256 MiB vs curl (beside)"
        query_what = "exported controller query vs raw FIB round trip"
        # (case, telm runs, fsa runs, row, ratio, verdict)
        cases = [
            ("met at once", [[bench(GET, vs_block_loop=0.97, vs_curl=1.1)]],
             [[bench(QUERY, ratio=1.5)]], get_what, "0.97", "met"),
            ("missed once, met when measured again",
             [[bench(GET, vs_block_loop=0.89, vs_curl=1.0)], [bench(GET, vs_block_loop=0.93)]],
             [[bench(QUERY, ratio=1.5)]], get_what, "0.93",
             "met (best of 2 runs: 0.89 0.93)"),
            ("missed in every run",
             [[bench(GET, vs_block_loop=0.80)], [bench(GET, vs_block_loop=0.89)],
              [bench(GET, vs_block_loop=0.85)]],
             [[bench(QUERY, ratio=1.5)]], get_what, "0.89",
             "MISSED (best of 3 runs: 0.80 0.89 0.85)"),
            ("an upper aim takes the lowest run",
             [[bench(GET, vs_block_loop=0.97)]],
             [[bench(QUERY, ratio=2.4)], [bench(QUERY, ratio=1.9)], [bench(QUERY, ratio=2.2)]],
             query_what, "1.90", "met (best of 3 runs: 2.40 1.90 2.20)"),
            ("a failed run counts as no measurement",
             [[bench(GET, vs_block_loop=0.95, error_occurred=True)],
              [bench(GET, vs_block_loop=0.91)]],
             [[bench(QUERY, ratio=1.5)]], get_what, "0.91", "met"),
            ("a row without an aim shows its first run",
             [[bench(GET, vs_block_loop=0.89, vs_curl=1.25)],
              [bench(GET, vs_block_loop=0.93, vs_curl=0.75)]],
             [[bench(QUERY, ratio=1.5)]], curl_what, "1.25",
             "reported (first of 2 runs: 1.25 0.75)"),
        ]
        for case, telm, fsa, what, ratio, said in cases:
            with self.subTest(case):
                self.tearDown()
                self.setUp()
                write_runs(self.results, "telm", telm)
                write_runs(self.results, "fsa", fsa)
                _, output = self.table()
                self.assertEqual(table_row(output, what), (ratio, said), output)

    def test_exit_status_is_one_only_when_a_row_is_missed_in_every_run(self):
        complete = {
            "orbisk": [[bench("EngineAgainstFloor/2097151", ratio=0.4, ratio_vs_hugepage_touch=2),
                        bench("VerifyAgainstPrefaultedMemset/2097151", verify_vs_memset=1.0)]],
            "vorbdb": [[bench("UpdateAgainstDurableFloor/10000", ratio=1.2)]],
            "fsa": [[bench(QUERY, ratio=1.5),
                     bench(SHARED, two_vs_one=0.5, two_fewest_share=0.9, four_vs_one=0.6,
                           four_fewest_share=0.9)]],
        }
        # (case, telm runs, status)
        cases = [
            ("every row met", [[bench(PUT, vs_block_loop=1, vs_curl=1),
                                bench(GET, vs_block_loop=0.95, vs_curl=1)]], 0),
            ("met in the second run", [[bench(PUT, vs_block_loop=1, vs_curl=1),
                                        bench(GET, vs_block_loop=0.89, vs_curl=1)],
                                       [bench(GET, vs_block_loop=0.92, vs_curl=1)]], 0),
            ("missed in both runs", [[bench(PUT, vs_block_loop=1, vs_curl=1),
                                      bench(GET, vs_block_loop=0.89, vs_curl=1)],
                                     [bench(GET, vs_block_loop=0.88, vs_curl=1)]], 1),
            ("a row never measured", [[bench(PUT, vs_block_loop=1, vs_curl=1)]], 1),
        ]
        for case, telm, status in cases:
            with self.subTest(case):
                self.tearDown()
                self.setUp()
                for file, runs in complete.items():
                    write_runs(self.results, file, runs)
                write_runs(self.results, "telm", telm)
                got, output = self.table()
                self.assertEqual(got, status, output)

    def test_missed_names_the_benchmarks_to_measure_again(self):
        # (case, telm runs, filter)
        cases = [
            ("nothing missed", [[bench(PUT, vs_block_loop=1.0), bench(GET, vs_block_loop=0.95)]],
             ""),
            ("one missed", [[bench(PUT, vs_block_loop=1.0), bench(GET, vs_block_loop=0.89)]],
             "^(GetAgainstBlockLoop)"),
            ("both missed, or failed",
             [[bench(PUT, vs_block_loop=0.5), bench(GET, vs_block_loop=1, error_occurred=True)]],
             "^(PutAgainstBlockLoop|GetAgainstBlockLoop)"),
            ("met by the second run", [[bench(PUT, vs_block_loop=1.0),
                                        bench(GET, vs_block_loop=0.89)],
                                       [bench(GET, vs_block_loop=0.91)]], ""),
            ("still missed after two runs", [[bench(PUT, vs_block_loop=1.0),
                                              bench(GET, vs_block_loop=0.89)],
                                             [bench(GET, vs_block_loop=0.88)]],
             "^(GetAgainstBlockLoop)"),
            ("no more after the third run", [[bench(GET, vs_block_loop=0.8)]] * 3, ""),
        ]
        for case, telm, expected in cases:
            with self.subTest(case):
                self.tearDown()
                self.setUp()
                write_runs(self.results, "telm", telm)
                self.assertEqual(self.missed("telm"), expected)
        # Another program's rows are not this one's.
        self.assertEqual(self.missed("fsa"), "^(ExportedQueryAgainstRawFib|ThreadsSharingOneHandle)")


if __name__ == "__main__":
    unittest.main()
