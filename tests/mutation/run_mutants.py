#!/usr/bin/env python3
"""Mutation run over convert/, cli/ and the dialog (app/, framework/): applies
each mutant of mutants.txt (or of another list in its format, such as one
written by generate_mutants.py) to a scratch copy of the tree, rebuilds the
tests of its side, runs them and says whether they noticed. The dialog's
mutants are built with the dialog, in a tree of their own, and tried against
its suites offscreen. Run by hand before a release (it takes minutes):

    python3 tests/mutation/run_mutants.py [--list FILE] [--scratch DIR] [--only N ...]

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

# Each side: where its mutants live, how its tree is configured and built,
# and which tests judge it.
SIDES = {
    "conversion": {"dir": "build", "gui": "OFF", "targets": TARGETS,
                   "tests": ["-E", EXCLUDE]},
    "dialog": {"dir": "build-dialog", "gui": "ON",
               "targets": ["app_tests", "framework_tests"], "tests": ["-L", "dialog"]},
}
DIALOG_AREAS = ("app/", "framework/")


def side_of(mutant):
    return "dialog" if mutant["file"].startswith(DIALOG_AREAS) else "conversion"


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


def build(build_dir, side):
    return run(["cmake", "--build", str(build_dir), "-j2", "--target",
                *SIDES[side]["targets"]]).returncode == 0


def tests_pass(build_dir, side):
    result = run(["ctest", "--test-dir", str(build_dir), "-j2", "--stop-on-failure",
                  "--timeout", TEST_TIMEOUT, *SIDES[side]["tests"]])
    return result.returncode == 0, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--list", default=str(ROOT / "tests/mutation/mutants.txt"),
                        help="the mutants to try (default: tests/mutation/mutants.txt)")
    parser.add_argument("--scratch", default="/tmp/veltrano-mutation")
    parser.add_argument("--only", type=int, nargs="*", help="mutant numbers (from 1)")
    args = parser.parse_args()

    try:
        mutants = parse(pathlib.Path(args.list).read_text(encoding="utf-8"))
    except OSError as error:
        sys.exit(f"cannot read the mutant list {args.list}: {error.strerror}")
    scratch = pathlib.Path(args.scratch)
    source = copy_tree(scratch)
    # Only the sides of the mutants to try are built.
    sides = {side_of(m) for number, m in enumerate(mutants, 1)
             if not args.only or number in args.only}
    build_dirs = {}
    for side in sorted(sides):
        build_dir = scratch / SIDES[side]["dir"]
        configure = run(["cmake", "-S", str(source), "-B", str(build_dir),
                         "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                         f"-DVELTRANO_BUILD_GUI={SIDES[side]['gui']}"])
        if configure.returncode != 0 or not build(build_dir, side):
            sys.exit(f"the unchanged tree does not build ({side}):\n" + configure.stdout)
        passed, output = tests_pass(build_dir, side)
        if not passed:
            sys.exit(f"the unchanged tree fails its tests ({side}):\n" + output[-3000:])
        build_dirs[side] = build_dir

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
            side = side_of(m)
            try:
                if not build(build_dirs[side], side):
                    verdict = "invalid (does not build)"
                    counts["invalid"] += 1
                else:
                    passed, _ = tests_pass(build_dirs[side], side)
                    verdict = "survived" if passed else "killed"
                    if "equivalent" in m:
                        verdict = f"equivalent ({verdict})"
                        counts["equivalent"] += 1
                    else:
                        counts[verdict] += 1
            finally:
                path.write_text(original)
        print(f"{number:3} {verdict:10} {m['file']}: {m['from']}  -- {m['why']}", flush=True)

    for side, build_dir in build_dirs.items():
        build(build_dir, side)
    valid = counts["killed"] + counts["survived"]
    score = 100.0 * counts["killed"] / valid if valid else 0.0
    print(f"\nkilled {counts['killed']}, survived {counts['survived']}, "
          f"equivalent {counts['equivalent']}, invalid {counts['invalid']}: "
          f"score {score:.1f}% of {valid} valid mutants "
          f"in {(time.monotonic() - started) / 60:.1f} min")
    return 0 if counts["survived"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
