#!/usr/bin/env python3
# The same jobs as the q7320 command line, done with pandas (and matplotlib), for bench_cli.
#   cli_vs_pandas.py export IN.txt OUT.csv DATEFORMAT   - table to ISO-timestamped CSV lines
#   cli_vs_pandas.py plot IN.csv OUT.png DATEFORMAT     - chart of ppm, and %RH / temperature
# DATEFORMAT is the strptime format of "date time" as the program writes it.
import sys
import time

import pandas as pd


def read(path, sep, fmt):
    t = pd.read_csv(path, sep=sep, header=None, usecols=[0, 1, 2, 3, 4],
                    names=["date", "time", "ppm", "rh", "temp"], dtype={"date": str, "time": str})
    t["x"] = pd.to_datetime(t["date"] + " " + t["time"], format=fmt)
    return t


def export(src, dst, fmt):
    t = read(src, "\t", fmt)
    offset = time.strftime("%z")
    offset = offset[:3] + ":" + offset[3:]
    out = pd.DataFrame({"t": t["x"].dt.strftime("%Y-%m-%dT%H:%M:%S") + offset,
                        "ppm": t["ppm"], "rh": t["rh"], "temp": t["temp"]})
    out.to_csv(dst, header=False, index=False, float_format="%.1f", lineterminator="\r\n")


def plot(src, dst, fmt):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    t = read(src, ",", fmt)
    fig, (a, b) = plt.subplots(2, 1, sharex=True, figsize=(10.24, 6.0), dpi=100)
    fig.patch.set_facecolor("#c0c0c0")
    for ax in (a, b):
        ax.set_facecolor("black")
        ax.grid(True, linestyle=":", color="green")
    a.plot(t["x"], t["ppm"], color="yellow", linewidth=1, label="ppm")
    a.set_ylim(0, 10000)
    b.plot(t["x"], t["rh"], color="blue", linewidth=1, label="%RH")
    b.plot(t["x"], t["temp"], color="red", linewidth=1, label="Temp.")
    b.set_ylim(-50, 100)
    b.set_xlabel("Time")
    fig.savefig(dst, dpi=100, facecolor=fig.get_facecolor())


if __name__ == "__main__":
    {"export": export, "plot": plot}[sys.argv[1]](sys.argv[2], sys.argv[3], sys.argv[4])
