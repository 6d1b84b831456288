#!/usr/bin/env python3
"""Measures zekocli (native and under Wine) beside nkf, iconv, uconv and cp on the
corpora of make_corpus.py, prints a Markdown report and writes it to the given file.

    bench.py BUILD REPORT

Every measurement is the median wall time of BENCH_RUNS runs (default 5); throughput is
input megabytes (10^6 bytes) per second; peak memory is the largest resident set that
/usr/bin/time reports over the runs.
"""
import datetime
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

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
TOOLS = ["zekocli", "zekocli.exe (Wine)", "nkf", "iconv", "uconv", "cp"]
PEERS = ["nkf", "iconv", "uconv"]


class Bench:
    def __init__(self, build):
        self.build = os.path.abspath(build)
        self.corpus = os.path.join(self.build, "bench-corpus")
        self.native = os.path.join(self.build, "bench", "tools", "zekocli")
        self.exe = os.path.join(self.build, "win64", "tools", "zekocli.exe")
        self.wine = [os.path.join(os.path.dirname(__file__), "..", "tools", "wine.sh"),
                     os.path.join(self.build, "win64")]
        # Outputs on the same file system as the inputs; the engine's intermediate file
        # goes into the current directory, which is this folder.
        self.work = tempfile.mkdtemp(prefix="bench-", dir=self.build)
        subprocess.run(self.wine + ["--start"], check=True)

    def measure(self, argv, stdout=None, before=None):
        """Median wall seconds, peak kilobytes and median CPU seconds (user + system) of
        RUNS runs of argv."""
        times, cpu, peak = [], [], 0
        for _ in range(RUNS):
            if before:
                before()
            out = open(stdout, "wb") if stdout else subprocess.DEVNULL
            start = time.perf_counter()
            done = subprocess.run(["/usr/bin/time", "-f", "%M %U %S"] + argv, stdout=out,
                                  stderr=subprocess.PIPE, cwd=self.work)
            times.append(time.perf_counter() - start)
            if stdout:
                out.close()
            if done.returncode != 0:
                raise RuntimeError(f"{argv} failed: {done.stderr.decode(errors='replace')}")
            kilobytes, user, system = done.stderr.split()[-3:]
            peak = max(peak, int(kilobytes))
            cpu.append(float(user) + float(system))
        return statistics.median(times), peak, statistics.median(cpu)

    def commands(self, conversion, size):
        _, code, zeko, nkf, iconv, uconv = conversion
        src = os.path.join(self.corpus, f"{size}.{code}")
        rel = os.path.relpath(src, self.work)
        out = os.path.join(self.work, "out")
        return src, {
            "zekocli": ([self.native, "convert"] + zeko + [src, out], None),
            "zekocli.exe (Wine)": (self.wine + [self.exe, "convert"] + zeko + [rel, "out"], None),
            "nkf": (["nkf"] + nkf + NKF_COMMON + [src], out),
            "iconv": (["iconv"] + iconv + [src], out),
            "uconv": (["uconv"] + uconv + [src], out),
            "cp": (["cp", src, out], None),
        }

    def detection(self, size, code):
        src = os.path.join(self.corpus, f"{size}.{code}")
        return src, {
            "zekocli": ([self.native, "detect", src], None),
            "zekocli.exe (Wine)": (self.wine + [self.exe, "detect",
                                                os.path.relpath(src, self.work)], None),
            "nkf": (["nkf", "--guess", src], None),
        }

    def tree(self):
        """Shift_JIS→EUC-JP over the 10 000-file tree, one process each."""
        src = os.path.join(self.corpus, "tree.sjis")
        files = sorted(os.path.relpath(os.path.join(d, f), src)
                       for d, _, names in os.walk(src) for f in names)
        size = sum(os.path.getsize(os.path.join(src, f)) for f in files)
        out = os.path.join(self.work, "tree-out")
        copy = os.path.join(self.work, "tree-nkf")

        def batch_list(name, root_in, root_out):
            path = os.path.join(self.work, name)
            with open(path, "w") as f:
                for rel in files:
                    f.write(f"{root_in}/{rel}\t{root_out}/{rel}\t2\t3\t0\t1\n")
            return path

        native_list = batch_list("native.list", src, out)
        wine_list = batch_list("wine.list", os.path.relpath(src, self.work), "tree-out")

        # The outputs mirror the tree's folders of 100 files: Wine looks names up without
        # regard to case by reading the folder, so one folder of 10 000 would measure that.
        def fresh_out():
            shutil.rmtree(out, ignore_errors=True)
            for folder in {os.path.dirname(rel) for rel in files}:
                os.makedirs(os.path.join(out, folder))

        def fresh_copy():
            shutil.rmtree(copy, ignore_errors=True)
            shutil.copytree(src, copy)

        nkf_files = [os.path.join(copy, f) for f in files]
        return size, len(files), {
            "zekocli": ([self.native, "batch", native_list], None, fresh_out),
            "zekocli.exe (Wine)": (self.wine + [self.exe, "batch", "wine.list"], None, fresh_out),
            "nkf": (["nkf", "-S", "-e"] + NKF_COMMON + ["--overwrite"] + nkf_files, None,
                    fresh_copy),
            "cp": (["cp", "-r", src, out + "/t"], None, fresh_out),
        }


def mbps(size, seconds):
    return size / 1e6 / seconds


def cell(size, result):
    if not result:
        return "–"
    seconds, _, cpu = result
    return f"{mbps(size, seconds):.0f} MB/s ({seconds * 1000:.0f} / {cpu * 1000:.0f} ms)"


def ratio(a, b):
    return f"{b[0] / a[0]:.1f}×" if a and b else "–"


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
    emit(f"- Machine: {cpu}, {os.cpu_count()} cores, {platform.platform()}; "
         f"load average at start {os.getloadavg()[0]:.2f} (the cores are shared: "
         "expect noise)")
    emit(f"- Median of {RUNS} runs; MB = 10^6 bytes of input; Wine times include Wine's "
         "process start against a running server.")
    emit("- Cells: throughput by wall time (wall ms / CPU ms, user + system; the CPU time "
         "is the steadier figure on a shared machine).")
    emit("- Ratios: how many times faster than the other (zekocli's time divided into "
         "the other's); Wine is zekocli.exe's time over zekocli's.")
    emit()
    emit("| Conversion | Size | " + " | ".join(TOOLS) +
         " | vs nkf | vs best peer | vs cp | Wine / native |")
    emit("|---|---|" + "---|" * (len(TOOLS) + 4))

    def row(name, size_label, size, results):
        zeko = results.get("zekocli")
        peers = [results[p] for p in PEERS if results.get(p)]
        best = min(peers, key=lambda r: r[0]) if peers else None
        wine = results.get("zekocli.exe (Wine)")
        emit(f"| {name} | {size_label} | " +
             " | ".join(cell(size, results.get(t)) for t in TOOLS) +
             f" | {ratio(zeko, results.get('nkf'))} | {ratio(zeko, best)}"
             f" | {ratio(zeko, results.get('cp'))}"
             f" | {wine[0] / zeko[0]:.2f}" + " |")
        for tool, result in results.items():
            memory.setdefault(tool, {})[f"{name}, {size_label}"] = result[1]

    for conversion in CONVERSIONS:
        for size in SIZES:
            src, commands = bench.commands(conversion, size)
            results = {tool: bench.measure(argv, stdout) for tool, (argv, stdout) in commands.items()}
            row(conversion[0], size, os.path.getsize(src), results)
    for code in ["sjis", "euc", "jis", "utf16"]:
        src, commands = bench.detection("50mb", code)
        results = {tool: bench.measure(argv, stdout) for tool, (argv, stdout) in commands.items()}
        row(f"detection ({code})", "50mb", os.path.getsize(src), results)
    size, count, commands = bench.tree()
    results = {tool: bench.measure(argv, stdout, before)
               for tool, (argv, stdout, before) in commands.items()}
    row(f"Shift_JIS→EUC-JP, {count} files", f"{size / 1e6:.0f} MB", size, results)

    emit()
    emit("Peak memory (maximum resident set, KB) by run: it must not grow with the file size.")
    emit()
    keys = list(next(iter(memory.values())).keys())
    emit("| Run | " + " | ".join(TOOLS) + " |")
    emit("|---|" + "---|" * len(TOOLS))
    for key in keys:
        emit(f"| {key} | " + " | ".join(str(memory.get(t, {}).get(key, "–")) for t in TOOLS) + " |")

    os.makedirs(os.path.dirname(report), exist_ok=True)
    with open(report, "w") as f:
        f.write("\n".join(lines) + "\n")
    shutil.rmtree(bench.work, ignore_errors=True)


if __name__ == "__main__":
    main()
