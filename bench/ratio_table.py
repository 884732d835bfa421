"""Prints the table of benchmark ratios from the JSON files of bench/run-all.

usage: ratio_table.py RESULTS_DIR
Exit status 1 when a ratio is missing or misses its aim.
"""
import json
import os
import sys

# (what, file, benchmark name prefix, counter, aim: ("<=", x), (">=", x) or None)
ROWS = [
    ("Orbisk engine 2 GiB vs single-thread first-touch memset+read",
     "orbisk", "EngineAgainstFloor/2097151", "ratio", ("<=", 0.5)),
    ("Orbisk engine 2 GiB vs all-thread huge-page touch",
     "orbisk", "EngineAgainstFloor/2097151", "ratio_vs_hugepage_touch", None),
    ("Orbisk verify vs memset of pre-faulted memory (2 GiB)",
     "orbisk", "VerifyAgainstPrefaultedMemset/2097151", "verify_vs_memset", (">=", 0.9)),
    ("vorbdb update, 10,000 lines, vs the durable floor",
     "vorbdb", "UpdateAgainstDurableFloor/10000", "ratio", ("<=", 1.5)),
    ("exported controller query vs raw FIB round trip",
     "fsa", "ExportedQueryAgainstRawFib", "ratio", ("<=", 2.0)),
    ("controller query, 2 threads on one handle vs 1 thread (all calls)",
     "fsa", "ThreadsSharingOneHandle", "two_vs_one", (">=", 0.25)),
    ("controller query, 2 threads on one handle: slowest vs fair share",
     "fsa", "ThreadsSharingOneHandle", "two_fewest_share", (">=", 0.1)),
    ("controller query, 4 threads on one handle vs 1 thread (all calls)",
     "fsa", "ThreadsSharingOneHandle", "four_vs_one", (">=", 0.25)),
    ("controller query, 4 threads on one handle: slowest vs fair share",
     "fsa", "ThreadsSharingOneHandle", "four_fewest_share", (">=", 0.1)),
    ("libtelm put 256 MiB vs the 4096-byte block loop",
     "telm", "PutAgainstBlockLoop", "vs_block_loop", (">=", 0.9)),
    ("libtelm put 256 MiB vs curl (beside)",
     "telm", "PutAgainstBlockLoop", "vs_curl", None),
    ("libtelm get 256 MiB vs the 4096-byte block loop",
     "telm", "GetAgainstBlockLoop", "vs_block_loop", (">=", 0.9)),
    ("libtelm get 256 MiB vs curl (beside)",
     "telm", "GetAgainstBlockLoop", "vs_curl", None),
]


def counter(results, file, prefix, name):
    path = os.path.join(results, file + ".json")
    try:
        with open(path) as f:
            data = json.load(f)
    except (OSError, ValueError):
        return None
    for bench in data.get("benchmarks", []):
        if bench.get("name", "").startswith(prefix) and "error_occurred" not in bench:
            value = bench.get(name)
            if isinstance(value, (int, float)):
                return float(value)
    return None


def main():
    results = sys.argv[1]
    width = max(len(row[0]) for row in ROWS)
    print(f"{'what':<{width}}  {'ratio':>7}  {'aim':>7}  verdict")
    failed = False
    for what, file, prefix, name, aim in ROWS:
        value = counter(results, file, prefix, name)
        shown = "missing" if value is None else f"{value:.2f}"
        if aim is None:
            aim_text, verdict = "-", "reported"
        else:
            op, bound = aim
            aim_text = f"{op} {bound}"
            met = value is not None and (value <= bound if op == "<=" else value >= bound)
            verdict = "met" if met else "MISSED"
            failed = failed or not met
        print(f"{what:<{width}}  {shown:>7}  {aim_text:>7}  {verdict}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
