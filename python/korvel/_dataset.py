"""The minutes of a recording as an xarray Dataset that follows the CF-1.8 conventions."""

import os

import numpy as np

from . import (Error, Recording, __version__, MINUTE_COLUMNS, _finish, _minute_frame,
               _replay_all)

# What each count is, for the variables' long_name; all are plain numbers per minute.
_LONG_NAMES = {
    "records_a": "camera A records decoded in the minute",
    "records_b": "camera B records decoded in the minute",
    "lines_a": "camera A scan lines decoded in the minute",
    "lines_b": "camera B scan lines decoded in the minute",
    "waited_a": "camera A particles moved to the wait queue in the minute",
    "waited_b": "camera B particles moved to the wait queue in the minute",
    "pairs": "particles paired between the cameras in the minute",
    "rejects": "pair tests rejected in the minute",
    "drops_a": "camera A particles dropped without a partner in the minute",
    "drops_b": "camera B particles dropped without a partner in the minute",
}


def minutes_dataset(file, start="00:00:00", view="async", corrections_dir=None,
                    progress=False, threads=2):
    """The per-minute statistics of one recording as an xarray Dataset with CF-1.8
    metadata, so that ``.to_netcdf(path)`` writes a file any netCDF tool reads.

    The ``time`` coordinate is the start of each minute in UTC (the recording's date plus
    the minute of the day), written as "minutes since" that date's midnight. Every count of
    ``korvel.minutes()`` is a variable over time with ``long_name`` and ``units``; the
    global attributes name the source file, its header (version, line rate, width, date),
    the start time and view played, and the software's version.

    Arguments as for ``korvel.minutes()``. Raises korvel.Error when the recording cannot
    be replayed to its end.
    """
    import xarray as xr

    rec = Recording(file, corrections_dir)
    [result] = _replay_all([rec.path], start, view, 1, corrections_dir, progress, True, False,
                           threads)
    frame = _finish([result], _minute_frame(result, False), "raise")
    minute = result["minutes"]["minute"]
    midnight = np.datetime64(rec.date.isoformat(), "ns")
    time = midnight + minute.astype("timedelta64[m]").astype("timedelta64[ns]")
    data_vars = {
        name: ("time", frame[name].to_numpy(),
               {"long_name": _LONG_NAMES[name], "units": "1"})
        for name in MINUTE_COLUMNS
    }
    ds = xr.Dataset(data_vars, coords={"time": ("time", time, {
        "standard_name": "time", "long_name": "start of the minute (UTC)", "axis": "T"})})
    ds["time"].encoding.update({
        "units": f"minutes since {rec.date.isoformat()} 00:00:00",
        "calendar": "proleptic_gregorian", "dtype": "int64"})
    ds.attrs.update({
        "Conventions": "CF-1.8",
        "title": "PLUVARIC disdrometer: per-minute statistics of a recording",
        "source": "PLUVARIC optical disdrometer, two line-scan cameras",
        "source_file": os.path.basename(rec.path),
        "source_path": os.path.abspath(rec.path),
        "header_version": np.int32(rec.header_version),
        "line_rate": rec.line_rate,
        "line_rate_units": "scan lines per second",
        "line_width": np.int32(rec.line_width),
        "recording_date": rec.date.isoformat(),
        "recording_start_time": rec.start_time.strftime("%Y-%m-%dT%H:%M:%SZ"),
        "replay_start": _start_text(start),
        "replay_view": view,
        "software": "KORVEL",
        "software_version": __version__,
        "history": f"per-minute statistics replayed by KORVEL {__version__}",
    })
    return ds


def _start_text(start):
    if hasattr(start, "strftime"):
        return start.strftime("%H:%M:%S")
    return str(start)


__all__ = ["minutes_dataset", "Error"]
