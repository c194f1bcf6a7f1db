#!/usr/bin/env python3
"""Mutation run over convert/ and cli/: applies each mutant of mutants.txt to
a scratch copy of the tree, rebuilds the conversion-side tests, runs them and
says whether they noticed. Run by hand before a release (it takes minutes):

    python3 tests/mutation/run_mutants.py [--scratch DIR] [--only N ...]

Prints one line per mutant (killed, survived, equivalent or invalid) and the
score: killed mutants as a share of the valid, non-equivalent ones."""

import argparse
import pathlib
import shutil
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
TARGETS = ["convert_test", "veltrano_cli_tests", "fault_matrix_test",
           "fuzz_regression_test", "veltrano-convert", "veltrano_fail_close"]
# The generator's own tests say nothing about convert/ and cli/.
EXCLUDE = "^Recording|_NOT_BUILT$"
TEST_TIMEOUT = "300"


def parse(text):
    mutants, current = [], {}
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if current:
                mutants.append(current)
                current = {}
            continue
        key, _, value = line.partition(":")
        current[key.strip()] = value.strip()
    for m in mutants:
        missing = {"file", "from", "to", "why"} - m.keys()
        if missing:
            sys.exit(f"mutant {m}: missing {', '.join(sorted(missing))}")
    return mutants


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, **kwargs)


def copy_tree(scratch):
    source = scratch / "src"
    if source.exists():
        shutil.rmtree(source)
    source.mkdir(parents=True)
    files = run(["git", "ls-files", "-z"], cwd=ROOT).stdout.split("\0")
    for name in filter(None, files):
        target = source / name
        target.parent.mkdir(parents=True, exist_ok=True)
        if (ROOT / name).is_file():
            shutil.copy2(ROOT / name, target)
    return source


def build(build_dir):
    return run(["cmake", "--build", str(build_dir), "-j2", "--target", *TARGETS]).returncode == 0


def tests_pass(build_dir):
    result = run(["ctest", "--test-dir", str(build_dir), "-j2", "--stop-on-failure",
                  "--timeout", TEST_TIMEOUT, "-E", EXCLUDE])
    return result.returncode == 0, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scratch", default="/tmp/veltrano-mutation")
    parser.add_argument("--only", type=int, nargs="*", help="mutant numbers (from 1)")
    args = parser.parse_args()

    mutants = parse((ROOT / "tests/mutation/mutants.txt").read_text())
    scratch = pathlib.Path(args.scratch)
    source = copy_tree(scratch)
    build_dir = scratch / "build"
    configure = run(["cmake", "-S", str(source), "-B", str(build_dir),
                     "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVELTRANO_BUILD_GUI=OFF"])
    if configure.returncode != 0 or not build(build_dir):
        sys.exit("the unchanged tree does not build:\n" + configure.stdout)
    passed, output = tests_pass(build_dir)
    if not passed:
        sys.exit("the unchanged tree fails its tests:\n" + output[-3000:])

    counts = {"killed": 0, "survived": 0, "equivalent": 0, "invalid": 0}
    started = time.monotonic()
    for number, m in enumerate(mutants, 1):
        if args.only and number not in args.only:
            continue
        path = source / m["file"]
        original = path.read_text()
        if original.count(m["from"]) != 1:
            verdict = "invalid (the line is not in the file exactly once)"
            counts["invalid"] += 1
        else:
            path.write_text(original.replace(m["from"], m["to"]))
            try:
                if not build(build_dir):
                    verdict = "invalid (does not build)"
                    counts["invalid"] += 1
                else:
                    passed, _ = tests_pass(build_dir)
                    verdict = "survived" if passed else "killed"
                    if "equivalent" in m:
                        verdict = f"equivalent ({verdict})"
                        counts["equivalent"] += 1
                    else:
                        counts[verdict] += 1
            finally:
                path.write_text(original)
        print(f"{number:3} {verdict:10} {m['file']}: {m['from']}  -- {m['why']}", flush=True)

    build(build_dir)
    valid = counts["killed"] + counts["survived"]
    score = 100.0 * counts["killed"] / valid if valid else 0.0
    print(f"\nkilled {counts['killed']}, survived {counts['survived']}, "
          f"equivalent {counts['equivalent']}, invalid {counts['invalid']}: "
          f"score {score:.1f}% of {valid} valid mutants "
          f"in {(time.monotonic() - started) / 60:.1f} min")
    return 0 if counts["survived"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
