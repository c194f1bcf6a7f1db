#!/usr/bin/env python3
"""Mutants chosen by a machine: applies standard operators (comparisons and
arithmetic swapped, integer constants moved by one, conditions negated, && and
|| exchanged, a call or statement removed, a returned value replaced) to lines
picked at random from the given files or folders, or from the lines a git
range changed, and writes them in the list format run_mutants.py reads:

    python3 tests/mutation/generate_mutants.py --files convert cli --count 60 --out /tmp/x.txt
    python3 tests/mutation/generate_mutants.py --git-range A..B --count 60 --seed 7 \\
        --out /tmp/x.txt -- convert/ cli/
    python3 tests/mutation/run_mutants.py --list /tmp/x.txt

The seed is printed; the same seed over the same tree gives the same list.
--check also verifies every mutant it could write from those files or that
range: its line occurs exactly once in its file, its replacement differs and
changes that line alone, and it reads back from the list unchanged."""

import argparse
import pathlib
import random
import re
import shlex
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run_mutants  # noqa: E402  (the list's reader, for --check)

SOURCES = (".cpp", ".h")
# The areas the runner judges, and the folders its Linux build never compiles
# (a mutant there would survive for want of being built).
AREAS = ("convert/", "cli/", "app/", "framework/")
NOT_BUILT = {"win32", "no_threads"}
TEXT = "\x01"  # stands for the characters of string and character literals
NOTE = "\x02"  # and this for those of comments
MASKS = TEXT + NOTE + " "

OPERATOR = re.compile(r"<<=|>>=|<=>|<<|>>|->|\+\+|--|&&|\|\||[<>=!+\-*/]=|::|[<>+\-*/]")
COMPARISONS = {"<": ["<=", ">"], "<=": ["<", ">="], ">": [">=", "<"], ">=": [">", "<="],
               "==": ["!="], "!=": ["=="]}
ARITHMETIC = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "+=": ["-="], "-=": ["+="],
              "*=": ["/="], "/=": ["*="], "++": ["--"], "--": ["++"]}
LOGICAL = {"&&": ["||"], "||": ["&&"]}
INTEGER = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])")
CONDITION = re.compile(r"\b(?:if|while) \(")
# A statement standing alone: a call (through ., -> or ::), an assignment or
# an increment; never a declaration, which later lines would miss.
LVALUE = r"[*]?[A-Za-z_][\w]*(?:(?:\.|->|::)[A-Za-z_]\w*|\[[^\]]*\])*"
STATEMENT = re.compile(
    rf"^(?:{LVALUE}\s*\(.*\)|{LVALUE}\s*(?:[-+*/|&^]|<<|>>)?=\s*.+|(?:\+\+|--){LVALUE}"
    rf"|{LVALUE}(?:\+\+|--)|return)\s*;$")
RETURN = re.compile(r"^return (.+);$")
STATEMENT_ENDS = (";", "{", "}", ")", ":", "else")
NOT_MUTATED = re.compile(r"^(?:static_assert|template\b|using\b|namespace\b|extern\b)")


class Masker:
    """Hides string and character literals and comments, keeping the length
    of each line, so operators are only found in code."""

    def __init__(self):
        self.in_comment = False

    def line(self, text):
        out, i = [], 0
        while i < len(text):
            if self.in_comment:
                end = text.find("*/", i)
                stop = len(text) if end < 0 else end + 2
                out.append(NOTE * (stop - i))
                self.in_comment, i = end < 0, stop
            elif text.startswith("//", i):
                out.append(NOTE * (len(text) - i))
                break
            elif text.startswith("/*", i):
                out.append(NOTE * 2)
                self.in_comment, i = True, i + 2
            elif text[i] in "\"'":
                stop = literal_end(text, i)
                out.append(TEXT * (stop - i))
                i = stop
            else:
                out.append(text[i])
                i += 1
        return "".join(out)


def literal_end(text, start):
    quote, i = text[start], start + 1
    while i < len(text) and text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return min(i + 1, len(text))


def balanced(code):
    depth = 0
    for c in code:
        depth += (c in "([{") - (c in ")]}")
        if depth < 0:
            return False
    return depth == 0


def spaced(code, start, end):
    """A binary operator as the formatter writes it: a space before, and a
    space or the line's end after."""
    return (start == 0 or code[start - 1] == " ") and (end == len(code) or code[end] == " ")


def swapped(text, code, table, name):
    found = []
    for m in OPERATOR.finditer(code):
        op, start, end = m.group(), m.start(), m.end()
        if op not in table:
            continue
        if op not in ("++", "--") and not spaced(code, start, end):
            continue
        if op in ("+", "+=") and TEXT in code:
            continue  # most likely text joined to text, which has no minus
        for other in table[op]:
            found.append((f"{name} {op} to {other}", text[:start] + other + text[end:]))
    return found


def literal_value(digits):
    return int(digits, 16 if digits[:2].lower() == "0x" else 10)


def constants(text, code):
    found = []
    for m in INTEGER.finditer(code):
        digits, suffix = m.group(1), m.group(2)
        hexadecimal = digits[:2].lower() == "0x"
        value = literal_value(digits)
        for moved in (value + 1, value - 1) if value > 0 else (value + 1,):
            if hexadecimal:
                body = f"{moved:0{len(digits) - 2}x}"
                body = body.upper() if digits[2:].isupper() else body
                literal = digits[:2] + body
            else:
                literal = str(moved)
            changed = text[: m.start()] + literal + suffix + text[m.end() :]
            found.append((f"constant {digits} to {literal}", changed))
    return found


def matching_paren(code, open_at):
    depth = 0
    for i in range(open_at, len(code)):
        depth += (code[i] == "(") - (code[i] == ")")
        if depth == 0:
            return i
    return -1


BARE_ASSIGNMENT = re.compile(r"(?<![<>=!+\-*/&|^%])=(?!=)")


def negations(text, code):
    found = []
    for m in CONDITION.finditer(code):
        close = matching_paren(code, m.end() - 1)
        if close < 0:
            continue  # the condition goes on to the next line
        start = m.end()
        init = code.find(";", start, close)  # if (init; condition)
        if init >= 0:
            start = init + 2
        if BARE_ASSIGNMENT.search(code[start:close]):
            continue  # a declaration, which cannot be negated
        negated = text[:start] + "!(" + text[start:close] + ")" + text[close:]
        found.append((f"condition of {m.group().split()[0]} negated", negated))
    return found


def statement_line(code, previous):
    """Whether the line holds one whole statement: it ends one, is balanced,
    and the code before it ended one too."""
    bare = code.rstrip(MASKS)
    return bare.endswith(";") and balanced(bare) and previous.endswith(STATEMENT_ENDS)


# Two names side by side in parentheses: parameters being declared, as in a
# constructor's declaration, not arguments of a call.
PARAMETERS = re.compile(r"\(.*[\w>&*] +[A-Za-z_]")
ACCESS = re.compile(r"^(?:public|protected|private):$")  # a class's members follow


def removals(text, code, previous):
    bare = code.rstrip(MASKS)
    if not statement_line(code, previous) or not STATEMENT.match(bare):
        return []
    if PARAMETERS.search(bare) or ACCESS.match(previous):
        return []
    return [("statement removed", "(void)0;")]


def returns(text, code, previous):
    bare = code.rstrip(MASKS)
    m = RETURN.match(bare)
    if not m or not statement_line(code, previous):
        return []
    value = text[m.start(1) : m.end(1)]
    if value in ("true", "false"):
        replacements = ["false" if value == "true" else "true"]
    elif INTEGER.fullmatch(value):
        replacements = ["1" if literal_value(INTEGER.fullmatch(value).group(1)) == 0 else "0"]
    elif "?" not in m.group(1) and (
        value.startswith("!") or re.search(r" (?:[<>]=?|[=!]=|&&|\|\|) ", m.group(1))):
        replacements = ["true", "false"]
    elif value in ("{}", "nullptr"):
        replacements = []
    else:
        replacements = ["{}"]
    return [(f"returned value {value} replaced by {r}", f"return {r};") for r in replacements]


def candidates(text, code, previous):
    if NOT_MUTATED.match(text):
        return []
    found = (swapped(text, code, COMPARISONS, "comparison")
             + swapped(text, code, ARITHMETIC, "arithmetic")
             + swapped(text, code, LOGICAL, "logical")
             + constants(text, code) + negations(text, code)
             + removals(text, code, previous) + returns(text, code, previous))
    return [(name, to) for name, to in found if to != text]


def code_lines(content):
    """Yields (number, text, code, code before) for each line of code, its
    text stripped and its code masked; comments, blank and preprocessor
    lines are left out."""
    masker, previous, continued = Masker(), "{", False
    for number, raw in enumerate(content.splitlines(), 1):
        code = masker.line(raw)
        text = raw.strip()
        lead = len(raw) - len(raw.lstrip())
        code = code[lead : lead + len(text)]
        preprocessor = continued or text.startswith("#")
        continued = preprocessor and raw.rstrip().endswith("\\")
        bare = code.rstrip(MASKS)
        if preprocessor or not bare.strip(TEXT):
            continue
        yield number, text, code, previous
        previous = bare


def git(*args):
    result = subprocess.run(["git", *args], cwd=ROOT, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"git {' '.join(args)}: {result.stderr.strip()}")
    return result.stdout


def mutable(name, warn):
    """Whether the runner can judge a mutant of this file: a source of one
    of its areas that its build compiles."""
    parts = set(pathlib.PurePosixPath(name).parts)
    if not name.endswith(SOURCES) or not name.startswith(AREAS):
        reason = "not a C++ source of " + ", ".join(AREAS)
    elif parts & NOT_BUILT:
        reason = "not built on Linux, where the mutation run builds"
    else:
        return True
    if warn:
        print(f"generate_mutants: {name} left out: {reason}", file=sys.stderr)
    return False


def named_files(paths):
    """The tracked sources under the given files and folders, as paths from
    the repository's root; each one's lines are all eligible."""
    chosen = {}
    for path in paths:
        full = pathlib.Path(path).resolve()
        if not full.exists():
            sys.exit(f"generate_mutants: {path}: no such file or folder")
        try:
            relative = full.relative_to(ROOT).as_posix()
        except ValueError:
            sys.exit(f"generate_mutants: {path}: not inside the repository {ROOT}")
        tracked = git("ls-files", "-z", "--", relative or ".").split("\0")
        for name in filter(None, tracked):
            if mutable(name, warn=full.is_file()):
                chosen[name] = None
    return {name: (read_tree(name), None) for name in sorted(chosen)}


def changed_files(revisions, paths):
    """The sources a git range changed, each with the text of the range's
    newer side and the numbers of its changed lines there."""
    diff = git("diff", "-U0", "--no-color", "--no-ext-diff", revisions, "--", *paths)
    lines, current = {}, None
    for line in diff.splitlines():
        if line.startswith("+++ "):
            current = line[6:] if line.startswith("+++ b/") else None
        elif line.startswith("@@") and current:
            m = re.match(r"@@ -\S+ \+(\d+)(?:,(\d+))? @@", line)
            start, count = int(m.group(1)), int(m.group(2) or 1)
            lines.setdefault(current, set()).update(range(start, start + count))
    newer = re.split(r"\.\.\.?", revisions)[1:] if ".." in revisions else []
    revision = (newer[0] or "HEAD") if newer else None
    files = {}
    for name in sorted(lines):
        if mutable(name, warn=False) and (ROOT / name).is_file():
            content = git("show", f"{revision}:{name}") if revision else read_tree(name)
            files[name] = (content, lines[name])
    return files


def read_tree(name):
    return (ROOT / name).read_text(encoding="utf-8")


def pool_of(files):
    """Every line that can be mutated, with its possible mutants, in a fixed
    order. A line must occur exactly once in the file the runner changes."""
    pool = []
    for name, (content, wanted) in files.items():
        current = read_tree(name)
        for number, text, code, previous in code_lines(content):
            if wanted is not None and number not in wanted:
                continue
            if current.count(text) != 1:
                continue
            found = candidates(text, code, previous)
            if found:
                pool.append((name, number, text, found))
    return pool


def sample(pool, count, rng):
    """Lines picked at random, one mutant of each; a second round over the
    same lines only when there are fewer lines than mutants wanted."""
    order = [(name, number, text, list(found)) for name, number, text, found in pool]
    rng.shuffle(order)
    chosen = []
    while len(chosen) < count and any(found for *_, found in order):
        for name, number, text, found in order:
            if found and len(chosen) < count:
                operator, to = found.pop(rng.randrange(len(found)))
                chosen.append({"file": name, "line": number, "from": text, "to": to,
                               "operator": operator})
    return sorted(chosen, key=lambda m: (m["file"], m["line"]))


def render(mutants, seed, command):
    out = [f"# Generated with seed {seed}: {len(mutants)} mutants, one block each, in the",
           "# format of mutants.txt. Repeat with:", f"#   {command}"]
    for m in mutants:
        out += ["", f"# line {m['line']}", f"file: {m['file']}", f"from: {m['from']}",
                f"to:   {m['to']}", f"why:  generated: {m['operator']}, seed {seed}"]
    return "\n".join(out) + "\n"


def write(path, text):
    """Writes the whole list or nothing: a failed run leaves no half list."""
    target = pathlib.Path(path)
    partial = target.with_name(target.name + ".partial")
    try:
        partial.write_text(text, encoding="utf-8")
        partial.replace(target)
    except OSError as error:
        partial.unlink(missing_ok=True)
        sys.exit(f"generate_mutants: cannot write {path}: {error.strerror}")


def problems_of(mutants):
    """What would keep the runner from applying a mutant as generated."""
    problems = []
    for m in mutants:
        current = read_tree(m["file"])
        where = f"{m['file']}:{m['line']} ({m['operator']})"
        if current.count(m["from"]) != 1:
            problems.append(f"{where}: its line is not in the file exactly once")
            continue
        before = current.splitlines()
        after = current.replace(m["from"], m["to"]).splitlines()
        if len(before) != len(after) or sum(a != b for a, b in zip(before, after)) != 1:
            problems.append(f"{where}: does not change exactly one line")
    parsed = run_mutants.parse(render(mutants, 0, ""))
    for m, read in zip(mutants, parsed):
        if (read["file"], read["from"], read["to"]) != (m["file"], m["from"], m["to"]):
            problems.append(f"{m['file']}:{m['line']}: the list's format changes it")
    return problems


def check(pool, mutants):
    every = [{"file": name, "line": number, "from": text, "to": to, "operator": operator}
             for name, number, text, found in pool for operator, to in found]
    problems = problems_of(every) + problems_of(mutants)
    for problem in problems:
        print(f"generate_mutants: {problem}", file=sys.stderr)
    kinds = {}
    for m in every:
        kind = re.sub(r" .*", "", m["operator"])
        kinds[kind] = kinds.get(kind, 0) + 1
    print(f"checked {len(every)} possible mutants of {len(pool)} lines and the "
          f"{len(mutants)} chosen: {len(problems)} problems; "
          + ", ".join(f"{kind} {n}" for kind, n in sorted(kinds.items())))
    return not problems


def arguments():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0].replace("\n", " "),
        formatter_class=argparse.RawDescriptionHelpFormatter)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--files", nargs="+", metavar="PATH",
                       help="sources or folders whose every line may be picked")
    where.add_argument("--git-range", metavar="A..B",
                       help="pick from the lines this range changed (in B)")
    parser.add_argument("paths", nargs="*", metavar="PATH",
                        help="with --git-range, after --: only changes under these "
                        f"(default: {' '.join(AREAS)})")
    parser.add_argument("--count", type=int, default=60, help="mutants wanted (default 60)")
    parser.add_argument("--seed", type=int, help="default: a random one, printed")
    parser.add_argument("--out", metavar="FILE", help="the list to write")
    parser.add_argument("--check", action="store_true",
                        help="verify that every possible mutant applies as written")
    args = parser.parse_args()
    if args.paths and args.files:
        parser.error("paths after -- go with --git-range; name files with --files")
    if not args.out and not args.check:
        parser.error("--out FILE is needed (or --check)")
    if args.count < 1:
        parser.error("--count must be at least 1")
    return args


def main():
    args = arguments()
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 10**6)
    print(f"generate_mutants: seed {seed}", flush=True)
    if args.files:
        files = named_files(args.files)
    else:
        files = changed_files(args.git_range, args.paths or list(AREAS))
    pool = pool_of(files)
    mutants = sample(pool, args.count, random.Random(seed))
    if not mutants:
        sys.exit("generate_mutants: no line there can be mutated; no list written")
    if len(mutants) < args.count:
        print(f"generate_mutants: only {len(mutants)} mutants possible, not {args.count}",
              file=sys.stderr)
    if args.out:
        repeat = ["--seed", str(seed)] + [a for a in sys.argv[1:]]
        if args.seed is not None:
            repeat = sys.argv[1:]
        command = "python3 tests/mutation/generate_mutants.py " + shlex.join(repeat)
        write(args.out, render(mutants, seed, command))
        print(f"{len(mutants)} mutants of {len(pool)} lines in {len(files)} files "
              f"written to {args.out}")
    return 0 if not args.check or check(pool, mutants) else 1


if __name__ == "__main__":
    sys.exit(main())
