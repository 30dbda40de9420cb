#!/usr/bin/python3
"""The fall time between the cameras (lag_ms) against the particle's width, as a 2-D density.

A particle seen by camera A is seen by camera B a little later; how much later depends on
how fast it falls, and that on its size. Only the decisions that paired two particles have
a lag.

    PYTHONPATH=build/python /usr/bin/python3 examples/lag_vs_width.py FILE.ab OUT.png
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.colors as colors
import matplotlib.pyplot as plt
import numpy as np

import korvel


def main(recording, picture):
    pairs = korvel.pairs(recording, progress=True)
    paired = pairs[pairs["outcome"] == "pair"]
    width = paired["a_max_width"].to_numpy(dtype="int64")
    lag = paired["lag_ms"].to_numpy()

    fig, ax = plt.subplots(figsize=(6.4, 4.4), dpi=100)
    wbins = np.arange(0.5, width.max() + 1.5) if len(width) else 10
    _, _, _, mesh = ax.hist2d(width, lag, bins=[wbins, 80], norm=colors.LogNorm(), cmap="viridis")
    fig.colorbar(mesh, ax=ax, label="pairs")
    ax.set_xlabel("particle width in camera A (pixels)")
    ax.set_ylabel("lag of camera B behind A (ms)")
    ax.set_title(f"{recording}: {len(paired)} pairs")
    fig.tight_layout()
    fig.savefig(picture)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
