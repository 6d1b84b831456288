#!/usr/bin/env python3
"""Measures zekocli (native and under Wine) beside nkf, iconv, uconv, uchardet and cp on
the corpora of make_corpus.py, prints a Markdown report and writes it to the given file.

    bench.py BUILD REPORT

Runs are paired: each of BENCH_RUNS rounds (default 5) runs every tool once on the same
input, in an order rotated from round to round, so that a burst of load from the other
users of the shared cores falls on all tools alike; a cell is the median of the tool's
runs.  Throughput is input megabytes (10^6 bytes) per second; peak memory is the largest
resident set that /usr/bin/time reports over the runs.
"""
import datetime
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from typing import Callable, NamedTuple, Optional

RUNS = int(os.environ.get("BENCH_RUNS", "5"))

# name, input code (corpus suffix), zekocli arguments, nkf, iconv and uconv options.
CONVERSIONS = [
    ("Shift_JIS→EUC-JP", "sjis", ["--from", "sjis", "--to", "euc"],
     ["-S", "-e"], ["-f", "SHIFT_JIS", "-t", "EUC-JP"], ["-f", "shift_jis", "-t", "euc-jp"]),
    ("EUC-JP→JIS", "euc", ["--from", "euc", "--to", "jis"],
     ["-E", "-j"], ["-f", "EUC-JP", "-t", "ISO-2022-JP"], ["-f", "euc-jp", "-t", "iso-2022-jp"]),
    ("JIS→Shift_JIS", "jis", ["--from", "jis", "--to", "sjis"],
     ["-J", "-s"], ["-f", "ISO-2022-JP", "-t", "SHIFT_JIS"], ["-f", "iso-2022-jp", "-t", "shift_jis"]),
    ("Shift_JIS→UTF-16LE", "sjis", ["--from", "sjis", "--to", "unicode"],
     ["-S", "-w16L"], ["-f", "SHIFT_JIS", "-t", "UTF-16LE"], ["-f", "shift_jis", "-t", "utf-16le"]),
    # The input begins with a byte-order mark: UTF-16 (not -LE) takes it as one.
    ("UTF-16LE→Shift_JIS", "utf16", ["--from", "unicode", "--to", "sjis"],
     ["-W16L", "-s"], ["-f", "UTF-16", "-t", "SHIFT_JIS"], ["-f", "utf-16", "-t", "shift_jis"]),
    ("UTF-8→Shift_JIS", "utf8", ["--from", "utf8", "--to", "sjis"],
     ["-W", "-s"], ["-f", "UTF-8", "-t", "SHIFT_JIS"], ["-f", "utf-8", "-t", "shift_jis"]),
    ("Shift_JIS→UTF-8", "sjis", ["--from", "sjis", "--to", "utf8"],
     ["-S", "-w"], ["-f", "SHIFT_JIS", "-t", "UTF-8"], ["-f", "shift_jis", "-t", "utf-8"]),
]
NKF_COMMON = ["-m0", "-x"]  # no MIME decoding, half-width katakana kept
SIZES = ["1mb", "50mb"]
DETECTIONS = [("50mb", code) for code in ["sjis", "euc", "jis", "utf16"]] + [("45mb", "ascii")]
NATIVE, WINE = "zekocli", "zekocli.exe (Wine)"
TOOLS = [NATIVE, WINE, "nkf", "iconv", "uconv", "uchardet", "cp"]
PEERS = ["nkf", "iconv", "uconv", "uchardet"]
# Names of the tools' output files in the work folder.
SLUG = {NATIVE: "zekocli", WINE: "wine"}


class Command(NamedTuple):
    argv: list
    stdout: Optional[str] = None  # file in the work folder that takes the standard output
    output: Optional[str] = None  # the file or folder it writes, to compare with zekocli's
    before: Optional[Callable] = None  # untimed preparation before each run


class Result(NamedTuple):
    wall: float  # seconds, median
    cpu: float  # seconds of user + system time, median
    peak: int  # kilobytes, largest


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def first_difference(a, b):
    """Offset of the first byte where files a and b differ; None when they are equal."""
    offset = 0
    with open(a, "rb") as fa, open(b, "rb") as fb:
        while True:
            x, y = fa.read(1 << 20), fb.read(1 << 20)
            if x != y:
                return offset + next((i for i, (p, q) in enumerate(zip(x, y)) if p != q),
                                     min(len(x), len(y)))
            if not x:
                return None
            offset += len(x)


class Bench:
    def __init__(self, build):
        self.build = os.path.abspath(build)
        self.corpus = os.path.join(self.build, "bench-corpus")
        self.native = os.path.join(self.build, "bench", "tools", "zekocli")
        self.exe = os.path.join(self.build, "win64", "tools", "zekocli.exe")
        self.wine = [os.path.join(os.path.dirname(__file__), "..", "tools", "wine.sh"),
                     os.path.join(self.build, "win64")]
        # Every output, the peers' standard output included, goes to a file in this
        # folder: the inputs' file system, and the engine's intermediate file goes into
        # the current directory, which is this folder.
        self.work = tempfile.mkdtemp(prefix="bench-", dir=self.build)
        subprocess.run(self.wine + ["--start"], check=True)

    def path(self, name):
        return os.path.join(self.work, name)

    def run(self, command):
        """Wall seconds, CPU seconds and peak kilobytes of one run."""
        if command.before:
            command.before()
        out = open(self.path(command.stdout), "wb") if command.stdout else subprocess.DEVNULL
        # The kernel's account of the children gives the CPU time to the microsecond,
        # where /usr/bin/time rounds to 10 ms; time still reports the peak memory, since
        # a child forked from this process starts with this process's resident set.
        cpu = children_cpu()
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command.argv, stdout=out,
                              stderr=subprocess.PIPE, cwd=self.work)
        wall = time.perf_counter() - start
        cpu = children_cpu() - cpu
        if command.stdout:
            out.close()
        if done.returncode != 0:
            raise RuntimeError(f"{command.argv} failed: {done.stderr.decode(errors='replace')}")
        return wall, cpu, int(done.stderr.split()[-1])

    def measure(self, commands):
        """RUNS rounds of every command, the order rotated each round."""
        tools = list(commands)
        runs = {tool: [] for tool in tools}
        for round_ in range(RUNS):
            shift = round_ % len(tools)
            for tool in tools[shift:] + tools[:shift]:
                runs[tool].append(self.run(commands[tool]))
        return {tool: Result(statistics.median(r[0] for r in rs),
                             statistics.median(r[1] for r in rs),
                             max(r[2] for r in rs)) for tool, rs in runs.items()}

    def commands(self, conversion, size):
        _, code, zeko, nkf, iconv, uconv = conversion
        src = os.path.join(self.corpus, f"{size}.{code}")
        rel = os.path.relpath(src, self.work)

        def out(tool):
            return f"out.{SLUG.get(tool, tool)}"

        return src, {
            NATIVE: Command([self.native, "convert"] + zeko + [src, self.path(out(NATIVE))],
                            output=out(NATIVE)),
            WINE: Command(self.wine + [self.exe, "convert"] + zeko + [rel, out(WINE)],
                          output=out(WINE)),
            "nkf": Command(["nkf"] + nkf + NKF_COMMON + [src], out("nkf"), out("nkf")),
            "iconv": Command(["iconv"] + iconv + [src], out("iconv"), out("iconv")),
            "uconv": Command(["uconv"] + uconv + [src], out("uconv"), out("uconv")),
            "cp": Command(["cp", src, self.path(out("cp"))]),
        }

    def detection(self, size, code):
        src = os.path.join(self.corpus, f"{size}.{code}")

        def answer(tool):
            return f"answer.{SLUG.get(tool, tool)}"

        return src, {
            NATIVE: Command([self.native, "detect", src], answer(NATIVE), answer(NATIVE)),
            WINE: Command(self.wine + [self.exe, "detect", os.path.relpath(src, self.work)],
                          answer(WINE), answer(WINE)),
            "nkf": Command(["nkf", "--guess", src], answer("nkf"), answer("nkf")),
            "uchardet": Command(["uchardet", src], answer("uchardet"), answer("uchardet")),
        }

    def tree(self):
        """Shift_JIS→EUC-JP over the 10 000-file tree, one process each."""
        src = os.path.join(self.corpus, "tree.sjis")
        files = sorted(os.path.relpath(os.path.join(d, f), src)
                       for d, _, names in os.walk(src) for f in names)
        size = sum(os.path.getsize(os.path.join(src, f)) for f in files)

        def batch_list(name, root_in, root_out):
            with open(self.path(name), "w") as f:
                for rel in files:
                    f.write(f"{root_in}/{rel}\t{root_out}/{rel}\t2\t3\t0\t1\n")
            return self.path(name)

        native_list = batch_list("native.list", src, self.path("tree.zekocli"))
        wine_list = batch_list("wine.list", os.path.relpath(src, self.work), "tree.wine")

        # The outputs mirror the tree's folders of 100 files: Wine looks names up without
        # regard to case by reading the folder, so one folder of 10 000 would measure that.
        # A batch never replaces an output, so each run starts from empty folders.
        def fresh(name):
            def make():
                shutil.rmtree(self.path(name), ignore_errors=True)
                for folder in {os.path.dirname(rel) for rel in files}:
                    os.makedirs(os.path.join(self.path(name), folder))
            return make

        # nkf converts in place, so it is given a fresh copy each run.
        def fresh_copy():
            shutil.rmtree(self.path("tree.nkf"), ignore_errors=True)
            shutil.copytree(src, self.path("tree.nkf"))

        def no_copy():
            shutil.rmtree(self.path("tree.cp"), ignore_errors=True)

        nkf_files = [os.path.join(self.path("tree.nkf"), f) for f in files]
        return size, files, {
            NATIVE: Command([self.native, "batch", native_list], output="tree.zekocli",
                            before=fresh("tree.zekocli")),
            WINE: Command(self.wine + [self.exe, "batch", "wine.list"], output="tree.wine",
                          before=fresh("tree.wine")),
            "nkf": Command(["nkf", "-S", "-e"] + NKF_COMMON + ["--overwrite"] + nkf_files,
                           output="tree.nkf", before=fresh_copy),
            "cp": Command(["cp", "-r", src, self.path("tree.cp")], before=no_copy),
        }

    def compare(self, commands, files=None):
        """Which tools wrote zekocli's output, byte for byte: the files of the last round,
        or every file of a tree."""
        def differs(tool):
            ours, theirs = self.path(commands[NATIVE].output), self.path(commands[tool].output)
            if files is None:
                offset = first_difference(ours, theirs)
                return None if offset is None else f"at byte {offset}"
            count = sum(first_difference(os.path.join(ours, f), os.path.join(theirs, f))
                        is not None for f in files)
            return f"in {count} files" if count else None

        found = {p: differs(p) for p in PEERS if p in commands and commands[p].output}
        same = [p for p, where in found.items() if not where]
        text = " ".join(same) if same else "none"
        text += "".join(f"; {p} differs {where}" for p, where in found.items() if where)
        wine = differs(WINE)
        return text + ("; Wine same" if not wine else f"; Wine differs {wine}")

    def answers(self, commands):
        """Each detector's answer: the outputs have no common form to compare."""
        def answer(tool):
            with open(self.path(commands[tool].output), encoding="utf-8",
                      errors="replace") as f:
                # zekocli prints FILE<TAB>NAME.
                return f.read().strip().split("\t")[-1]

        ours = answer(NATIVE)
        others = ", ".join(f"{p} {answer(p)}" for p in PEERS if p in commands)
        wine = "Wine same" if answer(WINE) == ours else f"Wine {answer(WINE)}"
        return f"{ours}; {others}; {wine}"


def mbps(size, seconds):
    return size / 1e6 / seconds


def ms(seconds):
    return f"{seconds * 1000:.1f}" if seconds < 0.01 else f"{seconds * 1000:.0f}"


def cell(size, result):
    if not result:
        return "–"
    return f"{mbps(size, result.wall):.0f} MB/s ({ms(result.wall)} / {ms(result.cpu)} ms)"


def ratio(ours, theirs):
    """How many times faster we are: their time over ours."""
    return f"{theirs / ours:.1f}×" if ours and theirs else "–"


def main():
    build, report = sys.argv[1], sys.argv[2]
    bench = Bench(build)
    lines = []
    memory = {}

    def emit(text=""):
        print(text, flush=True)
        lines.append(text)

    cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo")
                if l.startswith("model name")), platform.processor())
    emit("# zekocli benchmark")
    emit()
    emit(f"- Date: {datetime.datetime.now().isoformat(timespec='seconds')}")
    emit(f"- Machine: {cpu}, {os.cpu_count()} cores shared with others (expect noise), "
         f"{platform.platform()}.")
    emit(f"- Paired runs: each of {RUNS} rounds runs every tool once on the same input, "
         "the order rotated from round to round; a cell is the median of the tool's "
         f"{RUNS} runs.  Load: the 1-minute load average when the row started.")
    emit("- Cells: throughput by wall time (wall ms / CPU ms).  CPU is user + system of "
         "the process and its children, and includes about 1 ms of /usr/bin/time, which "
         "reports the peak memory; it is the steadier figure on a shared machine.  "
         "MB = 10^6 bytes of input; Wine times include Wine's process start against a "
         "running server.")
    emit("- Every tool writes to files in one folder of the build tree, the inputs' file "
         "system: ours directly, the peers through their standard output.")
    emit("- Ratios: how many times faster zekocli is (the other's time over zekocli's); "
         "the best peer is the fastest of nkf, iconv, uconv and uchardet by each measure "
         "(on detection rows: nkf --guess and uchardet), named in the cell, with "
         "zekocli.exe's ratio after the slash.  Wine / native is zekocli.exe's wall time "
         "over zekocli's.")
    emit("- Outputs identical: the peers whose output is byte for byte zekocli's (in the "
         "last round), with where the others first differ; Wine compares zekocli.exe's "
         "output with zekocli's.  Detection rows give each tool's answer instead.")
    emit()
    emit("| Conversion | Size | Load | " + " | ".join(TOOLS) +
         " | vs best peer, wall: native / Wine | vs best peer, CPU: native / Wine"
         " | vs nkf, wall / CPU | vs cp, wall | Wine / native, wall | Outputs identical |")
    emit("|---|---|---|" + "---|" * (len(TOOLS) + 6))

    def best(results, measure):
        peers = [p for p in PEERS if p in results]
        if not peers:
            return "–"
        name = min(peers, key=lambda p: getattr(results[p], measure))
        theirs = getattr(results[name], measure)
        return (f"{name}: {ratio(getattr(results[NATIVE], measure), theirs)} / "
                f"{ratio(getattr(results[WINE], measure), theirs)}")

    def row(name, size_label, size, load, results, identical):
        zeko, wine, nkf, cp = (results.get(t) for t in (NATIVE, WINE, "nkf", "cp"))
        vs_nkf = f"{ratio(zeko.wall, nkf.wall)} / {ratio(zeko.cpu, nkf.cpu)}" if nkf else "–"
        emit(f"| {name} | {size_label} | {load:.2f} | " +
             " | ".join(cell(size, results.get(t)) for t in TOOLS) +
             f" | {best(results, 'wall')} | {best(results, 'cpu')} | {vs_nkf}"
             f" | {ratio(zeko.wall, cp.wall) if cp else '–'}"
             f" | {wine.wall / zeko.wall:.2f} | {identical} |")
        for tool, result in results.items():
            memory.setdefault(tool, {})[f"{name}, {size_label}"] = result.peak

    try:
        for conversion in CONVERSIONS:
            for size in SIZES:
                load = os.getloadavg()[0]
                src, commands = bench.commands(conversion, size)
                results = bench.measure(commands)
                row(conversion[0], size, os.path.getsize(src), load, results,
                    bench.compare(commands))
        for size, code in DETECTIONS:
            load = os.getloadavg()[0]
            src, commands = bench.detection(size, code)
            results = bench.measure(commands)
            row(f"detection ({code})", size, os.path.getsize(src), load, results,
                bench.answers(commands))
        load = os.getloadavg()[0]
        size, files, commands = bench.tree()
        results = bench.measure(commands)
        row(f"Shift_JIS→EUC-JP, {len(files)} files", f"{size / 1e6:.0f} MB", size, load,
            results, bench.compare(commands, files))
    finally:
        shutil.rmtree(bench.work, ignore_errors=True)

    emit()
    emit("Peak memory (maximum resident set, KB) by run: it must not grow with the file size.")
    emit()
    keys = list(memory[NATIVE])
    emit("| Run | " + " | ".join(TOOLS) + " |")
    emit("|---|" + "---|" * len(TOOLS))
    for key in keys:
        emit(f"| {key} | " + " | ".join(str(memory.get(t, {}).get(key, "–")) for t in TOOLS) + " |")

    os.makedirs(os.path.dirname(report), exist_ok=True)
    with open(report, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
