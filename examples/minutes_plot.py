#!/usr/bin/python3
"""A day's counts per minute: camera A's and camera B's particles and the pairs between them.

    PYTHONPATH=build/python /usr/bin/python3 examples/minutes_plot.py DAY.ab OUT.png
"""
import sys

import matplotlib

matplotlib.use("Agg")  # a file, no window
import matplotlib.pyplot as plt

import korvel


def main(recording, picture):
    rec = korvel.Recording(recording)
    counts = korvel.minutes(recording, progress=True)
    # The time of day in hours, for the axis: 'HH:MM' as the minute's start.
    hm = counts["time"].str.split(":", expand=True).astype(int)
    hours = hm[0] + hm[1] / 60

    fig, ax = plt.subplots(figsize=(9, 3.6), dpi=100)
    ax.plot(hours, counts["waited_a"], lw=0.8, label="particles, camera A")
    ax.plot(hours, counts["waited_b"], lw=0.8, label="particles, camera B")
    ax.plot(hours, counts["pairs"], lw=1.0, color="black", label="pairs")
    ax.set_xlim(0, 24)
    ax.set_xticks(range(0, 25, 3))
    ax.set_xlabel(f"time of day (UTC), {rec.date}")
    ax.set_ylabel("count per minute")
    ax.set_title(f"{rec.path}: {rec.line_rate:g} lines/s, {rec.line_width} pixels")
    ax.legend(loc="upper right", fontsize="small")
    fig.tight_layout()
    fig.savefig(picture)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
