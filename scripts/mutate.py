#!/usr/bin/env python3
"""Mutation runner: how many deliberate faults do the fast Linux suites catch?

Each mutant in the list (tests/mutants.txt by default) names a source file, a piece of text that
stands exactly once in it (or the Nth time, with "#N") and what to put in its place. The runner
copies the tracked tree once to build/mutate/src, builds it once in build/mutate/build, and then,
for each mutant: writes the changed file into the copy, rebuilds incrementally, runs the fast
suites with a time limit, and puts the file back. A mutant is

  killed     a test failed (or the build failed to link a test: counted apart as "no build"),
  survived   every test passed,
  timed out  the suites did not finish within the limit (a hang is caught, too, but say so).

It prints a line per mutant and the totals, and writes the report (tests/MUTANTS.md by default)
with the list, the score and a line for every survivor. Survivors' explanations are kept from the
previous report: a line "- Mxx: ..." under "## Survivors" is carried over when Mxx survives again.

  scripts/mutate.py [--only M01,M07] [--list FILE] [--report FILE] [--timeout SECONDS]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "mutate")
SRC = os.path.join(WORK, "src")
BUILD = os.path.join(WORK, "build")

# The fast suites: everything the plain build's CTest runs but the browser and HTML checker runs,
# the installed package, the 100 MB text and the man pages, which cost more than they add here.
EXCLUDE = r"BrowserRender|Package|HugeText|ManPages|^Html5\.(vnu|browser)$|^Escaping\.browser$"


class Mutant:
    def __init__(self, ident, path, occurrence, kind, find, replace):
        self.ident, self.path, self.occurrence = ident, path, occurrence
        self.kind, self.find, self.replace = kind, find, replace
        self.outcome, self.seconds = None, 0.0


def parse_list(path):
    """A header "@ Mxx file[#N] kind", then the "- " lines to find, then the "+ " lines."""
    mutants = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            head = re.match(r"@ (M\d+) (\S+?)(?:#(\d+))? (.+)$", line)
            if head:
                mutants.append(Mutant(head.group(1), head.group(2), int(head.group(3) or 1),
                                      head.group(4), [], []))
            elif mutants and line[:2] == "- " and not mutants[-1].replace:
                mutants[-1].find.append(line[2:])
            elif mutants and line[:2] == "+ " and mutants[-1].find:
                mutants[-1].replace.append(line[2:])
            else:
                sys.exit(f"{path}:{number}: expected '@ Mxx file[#N] kind', '- find' or '+ text'")
    for m in mutants:
        if not m.find or not m.replace:
            sys.exit(f"{path}: mutant {m.ident} needs '- ' and '+ ' lines")
        m.find, m.replace = "\n".join(m.find), "\n".join(m.replace)
    idents = [m.ident for m in mutants]
    if len(set(idents)) != len(idents):
        sys.exit(f"{path}: a mutant name is used twice")
    return mutants


def apply(text, mutant):
    """The text with the mutant's change, or None when its text is not where it says."""
    start = -1
    for _ in range(mutant.occurrence):
        start = text.find(mutant.find, start + 1)
        if start < 0:
            return None
    if mutant.occurrence == 1 and text.find(mutant.find, start + 1) >= 0:
        return None  # ambiguous: the list must say which one
    return text[:start] + mutant.replace + text[start + len(mutant.find):]


def run(cmd, timeout, cwd=None):
    try:
        done = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout)
        return done.returncode, done.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return None, ""


def prepare(jobs):
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                           stdout=subprocess.PIPE).stdout.decode().split("\0")
    for rel in filter(None, files):
        src, dst = os.path.join(ROOT, rel), os.path.join(SRC, rel)
        if not os.path.isfile(src):
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        # Copy only what changed, so the incremental build dir stays valid between runs.
        if not os.path.exists(dst) or open(src, "rb").read() != open(dst, "rb").read():
            shutil.copy(src, dst)  # a fresh time stamp, so the build sees the change
    # Files the tree no longer has must not linger in the copy (folders of tests are globbed).
    tracked = {os.path.normpath(rel) for rel in files if rel}
    for folder, _, names in os.walk(SRC):
        for name in names:
            rel = os.path.relpath(os.path.join(folder, name), SRC)
            if rel not in tracked:
                os.remove(os.path.join(SRC, rel))
    if not os.path.exists(os.path.join(BUILD, "CMakeCache.txt")):
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", SRC, "-B", BUILD, *generator,
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DPAGEWRIGHT_BUILD_TESTS=ON",
                        "-DPAGEWRIGHT_WERROR=OFF"], check=True, stdout=subprocess.DEVNULL)
    code, out = run(["cmake", "--build", BUILD, "-j", str(jobs)], 3600)
    if code != 0:
        sys.exit("mutate: the unchanged tree does not build:\n" + out[-3000:])
    code, out = run(ctest_command(jobs), 900, cwd=BUILD)
    if code != 0:
        sys.exit("mutate: the unchanged tree fails its tests:\n" + out[-3000:])


def ctest_command(jobs):
    return ["ctest", "--test-dir", BUILD, "-E", EXCLUDE, "-j", str(jobs), "--stop-on-failure",
            "--timeout", "60"]


def try_mutant(mutant, jobs, timeout):
    path = os.path.join(SRC, mutant.path)
    try:
        original = open(path, encoding="utf-8").read()
    except OSError:
        return "stale"
    changed = apply(original, mutant)
    if changed is None:
        return "stale"
    started = time.monotonic()
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(changed)
        code, _ = run(["cmake", "--build", BUILD, "-j", str(jobs)], 900)
        if code != 0:
            return "no build"
        code, _ = run(ctest_command(jobs), timeout, cwd=BUILD)
        if code is None:
            return "timed out"
        return "survived" if code == 0 else "killed"
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
        mutant.seconds = time.monotonic() - started


def old_explanations(report):
    notes = {}
    if os.path.exists(report):
        section = False
        for line in open(report, encoding="utf-8"):
            if line.startswith("## "):
                section = line.strip() == "## Survivors"
            m = re.match(r"- (M\d+): (.+)", line)
            if section and m:
                notes[m.group(1)] = m.group(2).strip()
    return notes


def write_report(report, mutants, seconds, notes, history):
    counts = {k: sum(m.outcome == k for m in mutants)
              for k in ("killed", "survived", "timed out", "no build", "stale")}
    scored = counts["killed"] + counts["survived"] + counts["timed out"]
    score = 100.0 * (counts["killed"] + counts["timed out"]) / scored if scored else 0.0
    line = (f"{time.strftime('%Y-%m-%d')}: {counts['killed']} killed, {counts['timed out']} timed "
            f"out, {counts['survived']} survived of {scored} ({score:.1f}%); {counts['no build']} "
            f"did not build, {counts['stale']} stale; {seconds / 60:.1f} min")
    with open(report, "w", encoding="utf-8") as f:
        f.write("# Mutation score\n\n")
        f.write("Written by `scripts/mutate.py` from `tests/mutants.txt`: each mutant is one "
                "deliberate fault, built into a copy of the tree and run against the fast Linux "
                "suites. The score counts killed and timed-out mutants among those that built.\n\n")
        f.write("## Runs\n\n")
        for old in history:
            f.write(f"- {old}\n")
        f.write(f"- {line}\n\n## Survivors\n\n")
        survivors = [m for m in mutants if m.outcome == "survived"]
        for m in survivors:
            f.write(f"- {m.ident}: {notes.get(m.ident, 'not yet explained')}\n")
        if not survivors:
            f.write("None.\n")
        f.write("\n## Mutants\n\n| mutant | file | kind | outcome |\n|---|---|---|---|\n")
        for m in mutants:
            f.write(f"| {m.ident} | {m.path} | {m.kind} | {m.outcome} |\n")
    return line


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "tests", "mutants.txt"))
    parser.add_argument("--report", default=os.path.join(ROOT, "tests", "MUTANTS.md"))
    parser.add_argument("--only", help="comma-separated mutant names; no report is written")
    parser.add_argument("--timeout", type=int, default=240, help="seconds for the suites")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    mutants = parse_list(args.list)
    if args.only:
        wanted = set(args.only.split(","))
        mutants = [m for m in mutants if m.ident in wanted]
    started = time.monotonic()
    prepare(args.jobs)
    for m in mutants:
        m.outcome = try_mutant(m, args.jobs, args.timeout)
        print(f"{m.ident} {m.path} {m.kind}: {m.outcome} ({m.seconds:.0f} s)", flush=True)
    # Put the copy back to the tree's state, so the next run starts from a clean build.
    run(["cmake", "--build", BUILD, "-j", str(args.jobs)], 3600)
    seconds = time.monotonic() - started
    if args.only:
        return
    history = []
    if os.path.exists(args.report):
        text = open(args.report, encoding="utf-8").read()
        runs = re.search(r"## Runs\n\n((?:- .*\n)+)", text)
        history = [l[2:] for l in runs.group(1).splitlines()] if runs else []
    print(write_report(args.report, mutants, seconds, old_explanations(args.report), history))


if __name__ == "__main__":
    main()
