#!/usr/bin/env python3
"""Prints the benchmark results as one table of ratios against the references
measured in the same run, with the targets each ratio is held to.

Usage: report.py BENCHMARKS.json --data=FOLDER [--strace=SIZE=TRACE ...]
"""
import json
import os
import platform
import re
import statistics
import sys
from collections import defaultdict

REPLAY_FOLDER = os.path.join("Documents", "My Games", "Corvane", "TAGame", "Demos")
CALL = re.compile(r'^\d+\s+(newfstatat|statx|lstat|stat)\((\w+), "((?:[^"\\]|\\.)*)"')


def load(path):
    with open(path) as f:
        report = json.load(f)
    runs = defaultdict(list)
    for run in report["benchmarks"]:
        if run.get("run_type") != "iteration" or run.get("error_occurred"):
            continue
        runs[run["run_name"]].append(run)
    return report["context"], runs


def best(runs, name, field="cpu_time"):
    """The fastest repetition: on a shared machine, the one least disturbed by other work."""
    values = [run[field] for run in runs.get(name, [])]
    return min(values) if values else None


def median(runs, name, field):
    values = [run[field] for run in runs.get(name, [])]
    return statistics.median(values) if values else None


def noise(runs, name):
    values = [run["cpu_time"] for run in runs.get(name, [])]
    if len(values) < 2:
        return None
    return statistics.stdev(values) / statistics.mean(values)


def metadata_calls(data, size, trace):
    """Calls per listed name in one refresh, from a full strace of it."""
    folder = os.path.join(data, f"profile-{size}", REPLAY_FOLDER)
    names = set(os.listdir(folder))
    replays = {n for n in names if n.endswith(".replay") and len(n) > len(".replay")}
    per_name = defaultdict(int)
    elsewhere = 0
    with open(trace) as f:
        for line in f:
            match = CALL.match(line)
            if not match:
                continue
            directory, name = match.group(2), match.group(3)
            if directory != "AT_FDCWD" and name in names:
                per_name[name] += 1
            else:
                elsewhere += 1
    once = sum(1 for n in replays if per_name[n] == 1)
    others = sum(per_name[n] for n in names - replays)
    total = sum(per_name.values())
    return {"replays": len(replays), "others": len(names) - len(replays), "once": once,
            "on_others": others, "on_replays": total - others, "elsewhere": elsewhere}


def machine():
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) / (1024 * 1024)
    cores = os.cpu_count()
    return f"{cores} cores ({cpu}), {memory:.0f} GiB, {platform.system()} {platform.release()}"


def fmt_per_entry(us, size):
    return "—" if us is None else f"{us * 1000 / size:.0f} ns/entry"


def fmt_time(us):
    if us is None:
        return "—"
    return f"{us / 1000:.2f} ms" if us >= 1000 else f"{us:.1f} µs"


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    options = dict(a[2:].split("=", 1) for a in sys.argv[1:] if a.startswith("--") and "=" in a)
    traces = [a.split("=", 2)[1:] for a in sys.argv[1:] if a.startswith("--strace=")]
    context, runs = load(args[0])

    rows = []
    verdicts = []

    def ratio_row(label, name, reference, target=None, show=fmt_time):
        value, base = best(runs, name), best(runs, reference)
        ratio = value / base if value and base else None
        spread = [n for n in (noise(runs, name), noise(runs, reference)) if n is not None]
        met = "—" if target is None or ratio is None else ("yes" if ratio <= target else "**no**")
        if target is not None:
            verdicts.append(met == "yes")
        rows.append([label, show(value), show(base), f"{ratio:.2f}" if ratio else "—",
                     f"≤ {target}" if target else "—", met, f"{max(spread) * 100:.0f}%" if spread else "—"])

    for size, target in ((1000, None), (10000, 0.15), (100000, 0.15)):
        ratio_row(f"own work per entry, {size:,} entries from memory / floor per entry", f"BM_RefreshFromMemory/{size}",
                  f"BM_FloorReaddirFstatat/{size}", target, lambda us: fmt_per_entry(us, size))
    for size, target in ((1000, None), (10000, 1.15), (100000, 1.15)):
        ratio_row(f"refresh {size:,} entries / readdir+fstatat floor", f"BM_Refresh/{size}",
                  f"BM_FloorReaddirFstatat/{size}", target)
    for size, target in ((1000, None), (10000, 0.8), (100000, 0.8)):
        ratio_row(f"refresh {size:,} entries / std::filesystem scan", f"BM_Refresh/{size}",
                  f"BM_StdFilesystemScan/{size}", target)
    for size, target in ((1000, None), (10000, 1.2), (100000, 1.2)):
        ratio_row(f"frame with {size:,} rows / frame with 100 rows", f"BM_Frame/{size}",
                  "BM_Frame/100", target)

    for size in (10000, 100000):
        name = f"BM_CatalogueMemory/{size}/iterations:1"
        heap, owned = median(runs, name, "heap_bytes_per_entry"), median(runs, name, "owned_bytes_per_entry")
        text = median(runs, name, "text_bytes_per_entry")
        if heap is None:
            continue
        met = "yes" if owned <= 150 else "**no**"
        verdicts.append(met == "yes")
        rows.append([f"catalogue of {size * 9 // 10:,} replays: bytes per entry beyond its texts",
                     f"{owned:.0f} B requested, {heap:.0f} B heap", f"texts {text:.0f} B", "—", "≤ 150 B", met,
                     "—"])

    for size, trace in traces:
        calls = metadata_calls(options["data"], int(size), trace)
        met = "yes" if calls["once"] == calls["replays"] and calls["on_replays"] == calls["replays"] \
            and calls["on_others"] == 0 else "**no**"
        verdicts.append(met == "yes")
        rows.append([f"metadata calls in one refresh of {int(size):,} entries (strace)",
                     f"{calls['on_replays']:,} on {calls['replays']:,} .replay names, {calls['on_others']} on "
                     f"{calls['others']:,} others", f"{calls['elsewhere']} outside the listing", "—",
                     "1 per .replay, 0 others", met, "—"])

    header = ["Measure", "Value", "Reference", "Ratio", "Target", "Met", "Noise (cv)"]
    print(f"Machine: {machine()}; run {context.get('date', '')}, load {context.get('load_avg', [])}")
    print()
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print()
    print(f"{sum(verdicts)} of {len(verdicts)} targets met. Times are CPU time (user and system), the fastest of interleaved repetitions; noise is")
    print("the larger coefficient of variation of the two measures across repetitions. Own work: the refresh with its listing")
    print("played from memory (the folder's names and times, read once), divided like the floor by the folder's entries.")
    print("Floor: readdir plus one fstatat per \".replay\" name,")
    print("relative to the open folder, nothing kept. std::filesystem scan: directory_iterator, path().extension(),")
    print("directory_entry::last_write_time, then the same text and sort as the refresh. Frame: NewFrame, the")
    print("window at 520x420, Render, headless. Memory: requested = list capacity times the record plus string")
    print("buffers; heap = growth of the heap in use (mallinfo2), with the allocator's headers. Metadata calls:")
    print("strace -f -e trace=newfstatat,statx,lstat,stat of one refresh, each call matched to a name in the folder.")


if __name__ == "__main__":
    main()
