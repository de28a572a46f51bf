#!/usr/bin/env python3
"""Prints the benchmark results as one table of ratios against the references
measured in the same run, with the targets each ratio is held to.

Usage: report.py BENCHMARKS.json --data=FOLDER [--first=FIRST.jsonl] [--strace=SIZE=TRACE ...]

FIRST.jsonl holds one line per fresh process of `tapeloom-bench --first-refresh`.
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


def first_refresh_rows(path):
    """The first refresh of a fresh process against the floor's first pass in the same process:
    the median over processes of each time and of the per-process ratio."""
    cases = defaultdict(list)
    with open(path) as f:
        for line in f:
            run = json.loads(line)
            cases[(run["source"], run["spread"], run["size"])].append(run)
    rows, verdicts = [], []
    for (source, spread, size), runs in sorted(cases.items()):
        ratios = [run["refresh_ns"] / run["floor_ns"] for run in runs]
        ratio = statistics.median(ratios)
        refresh = statistics.median(run["refresh_ns"] for run in runs) / 1000
        floor = statistics.median(run["floor_ns"] for run in runs) / 1000
        target = 0.15 if source == "memory" else 1.15
        met = "yes" if ratio <= target else "**no**"
        verdicts.append(met == "yes")
        profile = "times over years" if spread == "years" else "one replay per hour"
        if source == "memory":
            label = f"first own work per entry, {size:,} entries from memory ({profile}) / floor per entry"
            value, base = fmt_per_entry(refresh, size), fmt_per_entry(floor, size)
        else:
            label = f"first refresh {size:,} entries ({profile}) / floor's first pass"
            value, base = fmt_time(refresh), fmt_time(floor)
        # The pass that runs second finds the folder's metadata warm: the median of each order shows how much.
        by_order = [statistics.median(run["refresh_ns"] / run["floor_ns"] for run in runs if run["order"] == order)
                    for order in ("floor-first", "refresh-first") if any(run["order"] == order for run in runs)]
        rows.append([label, value, base, f"{ratio:.2f}", f"≤ {target}", met,
                     f"{min(ratios):.2f}–{max(ratios):.2f} in {len(runs)}; "
                     + " / ".join(f"{median_of_order:.2f}" for median_of_order in by_order)])
    return rows, verdicts


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

    sizes = ((1000, 0, None), (10000, 0, 0.15), (100000, 0, 0.15), (10000, 1, 0.15), (100000, 1, 0.15))
    hourly = lambda spread: " (one replay per hour)" if spread else ""
    for size, spread, target in sizes:
        ratio_row(f"own work per entry, {size:,} entries from memory{hourly(spread)} / floor per entry",
                  f"BM_RefreshFromMemory/{size}/{spread}", f"BM_FloorReaddirFstatat/{size}/{spread}", target,
                  lambda us, size=size: fmt_per_entry(us, size))
    for size, spread, target in sizes:
        ratio_row(f"refresh {size:,} entries{hourly(spread)} / readdir+fstatat floor", f"BM_Refresh/{size}/{spread}",
                  f"BM_FloorReaddirFstatat/{size}/{spread}", None if target is None else 1.15)
    for size, target in ((1000, None), (10000, 0.8), (100000, 0.8)):
        ratio_row(f"refresh {size:,} entries / std::filesystem scan", f"BM_Refresh/{size}/0",
                  f"BM_StdFilesystemScan/{size}/0", target)
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

    first_rows, first_verdicts = first_refresh_rows(options["first"]) if "first" in options else ([], [])

    print(f"Machine: {machine()}; run {context.get('date', '')}, load {context.get('load_avg', [])}")
    if first_rows:
        print()
        print("First refresh of a fresh process (median of the processes; the range is of the per-process ratio,")
        print("then its median where the floor ran first / where the refresh ran first):")
        print()
        header = ["Measure", "Value", "Reference", "Ratio", "Target", "Met", "Range"]
        print("| " + " | ".join(header) + " |")
        print("|" + "|".join("---" for _ in header) + "|")
        for row in first_rows:
            print("| " + " | ".join(row) + " |")
        print()
        print("Repeated refresh (fastest of interleaved repetitions in one process):")
    header = ["Measure", "Value", "Reference", "Ratio", "Target", "Met", "Noise (cv)"]
    print()
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print()
    verdicts += first_verdicts
    print(f"{sum(verdicts)} of {len(verdicts)} targets met. First refresh: thread CPU time of one refresh in a fresh process")
    print("(tapeloom-bench --first-refresh), beside the floor's first pass in the same process, run before it in half the")
    print("processes and after it in the other half. Repeated: CPU time (user and system), the fastest of interleaved repetitions; noise is")
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
