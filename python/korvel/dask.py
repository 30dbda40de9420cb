"""Many recordings on Dask: one task per file, on whatever ``dask.distributed.Client`` is
in use (a ``LocalCluster`` on a laptop, ``dask-jobqueue`` on Slurm or PBS), or on a
``LocalCluster`` of this machine's cores when there is none.

The replay releases the interpreter's lock, so the tasks of a cluster of threads
(``processes=False``) run side by side as well as those of a cluster of processes. Each
task replays its file on one thread (``threads=1``): the files are what runs in parallel,
one per worker thread, so a cluster of as many worker threads as cores keeps them all busy.

Example::

    from dask.distributed import Client, LocalCluster
    import korvel.dask
    client = Client(LocalCluster(n_workers=2, threads_per_worker=1))
    counts = korvel.dask.minutes(sorted(glob.glob("station/*.ab"))).compute()
    korvel.dask.to_netcdf(sorted(glob.glob("station/*.ab")), "station.nc")
"""

import os

import numpy as np

import korvel

_own_client = None


def local_client(n_workers=None, threads_per_worker=1, processes=False):
    """A Client on a new LocalCluster of n_workers workers (one per core when None), without
    a dashboard. The cluster is the client's own: closing the client shuts it down. It
    becomes the default client, as any new Client does."""
    from dask.distributed import Client

    return Client(n_workers=n_workers or os.cpu_count() or 1,
                  threads_per_worker=threads_per_worker, processes=processes,
                  dashboard_address=None)


def get_client(client=None):
    """client when given; else the default client, or, when there is none running, that of
    a LocalCluster of this machine's cores (made once, see local_client)."""
    global _own_client
    if client is not None:
        return client
    from dask.distributed import Client

    try:
        # Not distributed.get_client(): outside a task that may make a new client on any
        # worker living in this process, a cluster whose client was closed among them.
        current = Client.current()
        # A client closed by its owner may still be the default one: not one to run on.
        if current.status == "running":
            return current
    except ValueError:
        pass
    if _own_client is None or _own_client.status != "running":
        _own_client = local_client()
    return _own_client


def _minutes_of(path, start, view, corrections_dir, threads):
    frame = korvel.minutes([path], start=start, view=view, jobs=1, threads=threads,
                           corrections_dir=corrections_dir)
    frame.insert(0, "file", path)
    return frame


def _pairs_of(path, start, view, corrections_dir, threads):
    frame = korvel.pairs([path], start=start, view=view, jobs=1, threads=threads,
                         corrections_dir=corrections_dir)
    frame.insert(0, "file", path)
    return frame


def _frame(task, meta, files, client, start, view, corrections_dir, threads):
    import dask
    import dask.dataframe as dd

    files = [os.fspath(f) for f in files]
    client = get_client(client)
    parts = [dask.delayed(task, pure=True)(f, start, view, corrections_dir, threads)
             for f in files]
    frame = dd.from_delayed(parts, meta=meta, verify_meta=False)
    # Bound to the client asked for: its workers compute the files from here on.
    return client.persist(frame)


def minutes(files, client=None, start="00:00:00", view="async", corrections_dir=None,
            threads=1):
    """The per-minute statistics of every file as a dask DataFrame, one partition (one task)
    per file, in the files' order: the columns of ``korvel.minutes()`` with the ``file``
    column first. The tasks start at once on client (see get_client); ``.compute()``
    gathers them (``client.compute(frame)`` when client is not the default one). A file
    that fails raises its korvel.Error there."""
    meta = korvel._empty_minutes(True)
    return _frame(_minutes_of, meta, files, client, start, view, corrections_dir, threads)


def pairs(files, client=None, start="00:00:00", view="async", corrections_dir=None,
          threads=1):
    """Every matching decision of every file as a dask DataFrame, one partition per file:
    the columns of ``korvel.pairs()`` with the ``file`` column first."""
    meta = korvel._empty_pairs(True)
    return _frame(_pairs_of, meta, files, client, start, view, corrections_dir, threads)


def datasets(files, client=None, start="00:00:00", view="async", corrections_dir=None,
             threads=1):
    """``korvel.minutes_dataset()`` of every file, computed one task per file on client;
    returns the list of Datasets in the files' order."""
    client = get_client(client)
    files = [os.fspath(f) for f in files]
    futures = client.map(korvel.minutes_dataset, files, start=start, view=view,
                         corrections_dir=corrections_dir, threads=threads, pure=False)
    return client.gather(futures)


def combine(parts):
    """One Dataset of several recordings' minute Datasets: their minutes one after another
    along ``time`` (in the order given), ``file_index`` naming each minute's recording by
    its number along the ``file`` dimension, over which the files' names and header facts
    are variables."""
    import xarray as xr

    numbered = []
    for i, ds in enumerate(parts):
        numbered.append(ds.assign(file_index=("time", np.full(ds.sizes["time"], i, "int32"))))
    combined = xr.concat(numbered, dim="time", combine_attrs="drop")
    combined["file_index"].attrs.update({
        "long_name": "number of the recording the minute comes from (see source_file)",
        "units": "1"})
    facts = {
        "source_file": ("the recording's data file", None, str),
        "header_version": ("version of the recording's header", "1", np.int32),
        "line_rate": ("scan lines per second of the recording", "s-1", float),
        "line_width": ("pixels per scan line of one camera", "1", np.int32),
        "recording_date": ("UTC date of the recording", None, str),
    }
    for name, (long_name, units, kind) in facts.items():
        values = np.array([kind(ds.attrs[name]) for ds in parts])
        if kind is str:
            values = values.astype(object)
        attrs = {"long_name": long_name}
        if units is not None:
            attrs["units"] = units
        combined[name] = ("file", values, attrs)
    first = parts[0].attrs if parts else {}
    combined.attrs.update({
        key: first[key] for key in ("Conventions", "source", "software", "software_version",
                                    "replay_start", "replay_view") if key in first})
    combined.attrs["title"] = "PLUVARIC disdrometer: per-minute statistics of recordings"
    combined.attrs["source_files"] = "\n".join(ds.attrs["source_path"] for ds in parts)
    combined.attrs["history"] = f"per-minute statistics replayed by KORVEL {korvel.__version__}"
    if parts:
        combined["time"].encoding.update(parts[0]["time"].encoding)
    return combined


def to_netcdf(files, path, client=None, start="00:00:00", view="async",
              corrections_dir=None, threads=1):
    """Reduces many recordings to one netCDF file on Dask: each file's minutes computed as
    a task of its own (see datasets), then combined (see combine) and written to path.
    Returns the combined Dataset."""
    files = [os.fspath(f) for f in files]
    korvel._refuse_input_as_output(path, files)
    combined = combine(datasets(files, client, start, view, corrections_dir, threads))
    korvel._refuse_input_as_output(path, files)  # a file renamed meanwhile
    combined.to_netcdf(path)
    return combined
