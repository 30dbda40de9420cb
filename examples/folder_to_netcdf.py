#!/usr/bin/python3
"""A folder of recordings reduced to one netCDF file on Dask: one task per recording.

    PYTHONPATH=build/python /usr/bin/python3 examples/folder_to_netcdf.py FOLDER OUT.nc [OUT.png]

Runs on the Dask client in use, or on a LocalCluster of this machine's cores; on a cluster
give the scheduler's address in DASK_SCHEDULER (e.g. one dask-jobqueue started). With a
third argument it plots the pairs per minute of every recording, read back from the
file written, against the time of day.
"""
import glob
import os
import sys

import xarray as xr

import korvel.dask


def main(folder, out, picture=None):
    files = sorted(glob.glob(os.path.join(folder, "*.ab")))
    if not files:
        sys.exit(f"no .ab recordings in {folder}")
    address = os.environ.get("DASK_SCHEDULER")
    if address:
        from dask.distributed import Client
        client = Client(address)
    else:
        client = korvel.dask.local_client()
    with client:
        korvel.dask.to_netcdf(files, out, client=client)
    print(f"{out}: the minutes of {len(files)} recordings")
    if picture:
        plot(out, picture)


def plot(nc, picture):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    with xr.open_dataset(nc) as ds:
        fig, ax = plt.subplots(figsize=(9, 3.6), dpi=100)
        for i, name in enumerate(ds["source_file"].values):
            part = ds.where(ds["file_index"] == i, drop=True)
            t = part["time"].dt
            hours = t.hour + t.minute / 60
            ax.plot(hours, part["pairs"], lw=0.8, label=f"{name}, {t.strftime('%Y-%m-%d')[0].item()}")
        ax.set_xlabel("time of day (UTC)")
        ax.set_ylabel("pairs per minute")
        ax.set_title(f"{os.path.basename(nc)}: {ds.sizes['file']} recordings, "
                     f"{ds.sizes['time']} minutes")
        ax.legend(fontsize="small", ncol=2)
        fig.tight_layout()
        fig.savefig(picture)


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    main(*sys.argv[1:])
