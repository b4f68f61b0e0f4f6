#!/usr/bin/python3
"""Print the README's speed table: every conversion row of pixmill_bench at
64 x 64, 1920 x 1080 and 4096 x 3072, with null tables and through three
gamma-like curves, as MPix/s and as a multiple of OpenCV's bilinear
conversion on one thread.

    /usr/bin/python3 bench/speed_table.py [build/bench/pixmill_bench]

Each figure is the best of several repetitions.  OpenCV's row is timed in
processes of its own before and after the library's rows (its speed on a
small frame varies with what ran before it in a process), and the faster of
the two is the reference: the ratios lean against the library.
"""
import json
import subprocess
import sys

SIZES = ("64/64", "1920/1080", "4096/3072")
REPETITIONS = 3


def best_rates(bench: str, pattern: str) -> dict:
    """Best MPix/s of each benchmark row whose name matches ``pattern``."""
    done = subprocess.run([bench, f"--benchmark_filter={pattern}", "--benchmark_format=json",
                           "--benchmark_min_time=0.2", f"--benchmark_repetitions={REPETITIONS}"],
                          check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    rates: dict = {}
    for run in json.loads(done.stdout)["benchmarks"]:
        if run.get("run_type") == "iteration" and "MP/s" in run:
            rates[run["run_name"]] = max(rates.get(run["run_name"], 0.0), run["MP/s"])
    return rates


def main() -> None:
    bench = sys.argv[1] if len(sys.argv) > 1 else "build/bench/pixmill_bench"
    reference = best_rates(bench, "OpenCV_Bilinear/")
    rates = best_rates(bench, "^(convertFrame|convertOnPath/[A-Za-z]+/AVX2|convertEarlier|recordConvert)/")
    for name, rate in best_rates(bench, "OpenCV_Bilinear/").items():
        reference[name] = max(reference.get(name, 0.0), rate)
    opencv = {size: reference[f"cvBayerConvert/OpenCV_Bilinear/{size}"] for size in SIZES}
    opencv16 = best_rates(bench, "OpenCV_Bilinear16/")
    print("| Row | 64×64 null | 1920×1080 null | 1920×1080 curves | 4096×3072 null | 4096×3072 curves |")
    print("|---|---:|---:|---:|---:|---:|")
    print("| OpenCV bilinear | " + " | ".join(
        f"{opencv[size]:,.0f}" for size in ("64/64", "1920/1080")) + " | — | " + f"{opencv['4096/3072']:,.0f} | — |")
    for name in sorted({n.rsplit("/", 2)[0] for n in rates if "Gamma" not in n}):
        gamma = name.replace("/AVX2", "Gamma/AVX2") if name.endswith("/AVX2") else name + "Gamma"
        cells = []
        for size, mapped in (("64/64", False), ("1920/1080", False), ("1920/1080", True), ("4096/3072", False),
                             ("4096/3072", True)):
            row = f"{gamma if mapped else name}/{size}"
            # The earlier builds' code 5 takes its frames upright.
            row = row if row in rates else row.replace("1920/1080", "1080/1920").replace("4096/3072", "1792/2392")
            if row not in rates:
                cells.append("")
                continue
            against = opencv16 if name.startswith("recordConvert") and "16" in name else None
            base = (against or {}).get(f"cvBayerConvert/OpenCV_Bilinear16/{size}") or opencv[size]
            cells.append(f"{rates[row]:,.0f} ({rates[row] / base:.2f})")
        print(f"| {name} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
