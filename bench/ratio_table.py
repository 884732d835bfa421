"""Prints the table of benchmark ratios from the JSON files of bench/run-all.

usage: ratio_table.py RESULTS_DIR
       ratio_table.py --missed RESULTS_DIR FILE
The first form prints the table; exit status 1 when a ratio is missing or
misses its aim. The second prints a --benchmark_filter pattern of the
benchmarks of FILE whose rows miss their aims so far, for bench/run-all to
measure them again: nothing when none does or FILE was run MAX_RUNS times.

Each run of a benchmark program leaves one file: FILE.json for the first,
FILE.2.json, FILE.3.json, ... for the runs that measured again the rows that
had missed. A row's ratio is taken within one run; the verdict goes by the
best run, so that a row misses its aim only when no run met it.
"""
import glob
import json
import os
import re
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

# How often bench/run-all runs a benchmark program at most (it asks --missed).
MAX_RUNS = 3


def run_files(results, file):
    """The result files of FILE's runs, in the order they were made."""
    again = glob.glob(os.path.join(glob.escape(results), glob.escape(file) + ".*.json"))
    numbered = []
    for path in again:
        number = os.path.basename(path)[len(file) + 1:-len(".json")]
        if number.isdigit():
            numbered.append((int(number), path))
    return [os.path.join(results, file + ".json")] + [path for _, path in sorted(numbered)]


def counter(path, prefix, name):
    """The counter of the first benchmark named PREFIX... in one run's file,
    or None when the run has no such benchmark or it failed."""
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


def measured(results, file, prefix, name):
    """The counter's value in each run that measured it."""
    values = (counter(path, prefix, name) for path in run_files(results, file))
    return [value for value in values if value is not None]


def meets(value, aim):
    op, bound = aim
    return value <= bound if op == "<=" else value >= bound


def best(values, aim):
    """The value of the run that came nearest to meeting the aim."""
    return min(values) if aim[0] == "<=" else max(values)


def runs_text(values, shown):
    """What the verdict says of a row measured more than once."""
    if len(values) < 2:
        return ""
    return f" ({shown} of {len(values)} runs: {' '.join(f'{v:.2f}' for v in values)})"


def verdict(values, aim):
    """(ratio shown, verdict, met) of a row measured in VALUES."""
    if aim is None:
        shown = f"{values[0]:.2f}" if values else "missing"
        return shown, "reported" + runs_text(values, "first"), True
    if not values:
        return "missing", "MISSED", False
    value = best(values, aim)
    met = meets(value, aim)
    return f"{value:.2f}", ("met" if met else "MISSED") + runs_text(values, "best"), met


def missed_filter(results, file):
    """A --benchmark_filter pattern of FILE's benchmarks whose aimed rows are
    not met by any run yet; empty when there are none or FILE had its runs."""
    if len(run_files(results, file)) >= MAX_RUNS:
        return ""
    prefixes = []
    for _, row_file, prefix, name, aim in ROWS:
        if row_file != file or aim is None or prefix in prefixes:
            continue
        if not verdict(measured(results, file, prefix, name), aim)[2]:
            prefixes.append(prefix)
    if not prefixes:
        return ""
    return "^(" + "|".join(re.escape(p) for p in prefixes) + ")"


def table(results):
    width = max(len(row[0]) for row in ROWS)
    print(f"{'what':<{width}}  {'ratio':>7}  {'aim':>7}  verdict")
    failed = False
    for what, file, prefix, name, aim in ROWS:
        shown, said, met = verdict(measured(results, file, prefix, name), aim)
        aim_text = "-" if aim is None else f"{aim[0]} {aim[1]}"
        failed = failed or not met
        print(f"{what:<{width}}  {shown:>7}  {aim_text:>7}  {said}")
    print(f"A row that missed its aim was measured again, up to {MAX_RUNS} runs in all;"
          " its ratio is the best run's, each ratio taken within one run.")
    return 1 if failed else 0


def main(args):
    if len(args) == 3 and args[0] == "--missed":
        print(missed_filter(args[1], args[2]))
        return 0
    if len(args) == 1:
        return table(args[0])
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 64


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
