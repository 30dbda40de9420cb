"""KORVEL in Python: the player of PLUVARIC disdrometer recordings, and its reports as
pandas and xarray objects.

A recording is a ``.ab`` data file with its ``.abh`` minute index beside it. The functions
here play it exactly as ``korvel-replay`` does (the same C++ player, without the
interpreter's lock) and hand back what ``korvel-replay`` writes:

``Recording(path)``
    the header (version, line rate, width, date), the first and last minute holding
    records, and the index.
``minutes(files, ...)``
    the per-minute statistics as a DataFrame, the columns and values of ``--minutes``.
``pairs(files, ...)``
    every matching decision as a DataFrame, the columns and values of ``--pairs``.
``events(file, ...)``
    every step's events as dicts, equal to the ``--events`` JSON lines.
``minutes_dataset(file, ...)``
    the minutes as an xarray Dataset with CF-1.8 metadata, ready for ``.to_netcdf()``.
``korvel.dask``
    many files on Dask, one task per file.

A recording the player cannot go on with raises ``korvel.Error``, carrying the text
``korvel-replay`` prints for it. Long replays show progress with ``progress=True`` and stop
at Ctrl+C (``KeyboardInterrupt``) between two playback steps.

Example::

    import korvel
    rec = korvel.Recording("0607.ab")
    counts = korvel.minutes("0607.ab", start="06:00")
    counts.plot(x="time", y="drops_a")
"""

import datetime as _dt
import json as _json
import os as _os
import sys as _sys
import tempfile as _tempfile
import threading as _threading
import warnings as _warnings
from concurrent.futures import ThreadPoolExecutor as _Pool

import numpy as _np
import pandas as _pd

from . import _korvel

__version__ = _korvel.version
__all__ = ["Error", "Recording", "minutes", "pairs", "events", "minutes_dataset",
           "MINUTE_COLUMNS", "PAIR_COLUMNS", "OUTCOMES", "__version__"]

#: The columns of ``minutes()`` after the time (and of ``--minutes``), in order.
MINUTE_COLUMNS = tuple(_korvel.minute_count_columns)
#: The columns of ``pairs()`` (and of ``--pairs``), in order, without the file column.
PAIR_COLUMNS = tuple(_korvel.pair_columns)
#: The outcomes of a matching decision, the categories of the pairs' ``outcome`` column.
OUTCOMES = tuple(_korvel.outcome_names)

# Seconds between two looks at Ctrl+C and the progress bar. Each look takes the interpreter's
# lock, which replays on other threads and Dask's own threads want too: a few a second.
_POLL_SECONDS = 0.1


class Error(Exception):
    """A recording the player cannot go on with (a cut record, a damaged header, a missing
    index, a file that cannot be read).

    Attributes:
        text: the exact text ``korvel-replay`` prints for it.
        file: the recording, as named.
        partial: for ``minutes()`` and ``pairs()``, the DataFrame of everything counted
            before the error (all files, the rows ``korvel-replay`` writes too); else None.
    """

    def __init__(self, text, file, partial=None):
        super().__init__(f"{file}: {text}")
        self.text = text
        self.file = file
        self.partial = partial

    def __reduce__(self):
        return (Error, (self.text, self.file, self.partial))


def _start(start):
    """(hour, minute, second) of a start time: 'HH:MM', 'HH:MM:SS' or a datetime.time."""
    if isinstance(start, _dt.time):
        return start.hour, start.minute, start.second
    parts = str(start).split(":")
    if len(parts) not in (2, 3) or not all(p.isdigit() and len(p) == 2 for p in parts):
        raise ValueError(f"start takes a time of day HH:MM or HH:MM:SS, not {start!r}")
    h, m, s = (int(p) for p in parts + ["00"] * (3 - len(parts)))
    if h > 23 or m > 59 or s > 59:
        raise ValueError(f"start takes a time of day HH:MM or HH:MM:SS, not {start!r}")
    return h, m, s


def _work_dir(corrections_dir):
    # Where the correction file CORRFACT.DAT is looked for: the current directory, as for
    # korvel-replay, unless named.
    if corrections_dir is not None:
        return _os.fsencode(corrections_dir)
    try:
        return _os.getcwdb()
    except OSError:
        return b""


def _files(files):
    """The files' names as str (a name that is not UTF-8 decoded as os.fsdecode does), and
    whether there are several."""
    if isinstance(files, (str, bytes, _os.PathLike)):
        return [_os.fsdecode(files)], False
    names = [_os.fsdecode(f) for f in files]
    return names, len(names) > 1


class _Progress:
    """Bytes behind the readers over all files, with tqdm when it is installed."""

    def __init__(self, files, enabled):
        self.bar = None
        self.done = {}
        self.total = sum(_os.path.getsize(f) if _os.path.isfile(f) else 0 for f in files)
        if not enabled:
            return
        try:
            from tqdm import tqdm
            self.bar = tqdm(total=self.total, unit="B", unit_scale=True, desc="korvel")
        except ImportError:
            self.bar = _PlainBar(self.total)

    def callback(self, index, cancel):
        def poll(done, _total):
            if cancel.is_set():
                raise KeyboardInterrupt  # the caller was interrupted: stop here too
            if self.bar is not None:
                step = done - self.done.get(index, 0)
                self.done[index] = done
                if step > 0:
                    self.bar.update(step)
        return poll

    def finish(self, index, done):
        """A file is through: its bytes all count, whenever the last look was."""
        if self.bar is not None and done > self.done.get(index, 0):
            self.bar.update(done - self.done.get(index, 0))
            self.done[index] = done

    def close(self):
        if self.bar is not None:
            self.bar.close()


class _PlainBar:
    """A percentage on stderr, for when tqdm is not installed."""

    def __init__(self, total):
        self.total = max(total, 1)
        self.n = 0

    def update(self, n):
        self.n += n
        print(f"\rkorvel: {100 * self.n // self.total:3d} %", end="", file=_sys.stderr)

    def close(self):
        print(file=_sys.stderr)


def _replay_all(files, start, view, jobs, corrections_dir, progress, want_minutes,
                want_pairs, threads=2, max_steps=-1):
    """Replays every file, jobs side by side; results in the files' order."""
    if view == "none":
        raise ValueError("the minutes and the pairs need the particles and the matching, "
                         "which view 'none' leaves out: use view 'async' or 'sync'")
    if threads not in (1, 2):
        raise ValueError(f"threads must be 1 or 2, not {threads!r}")
    h, m, s = _start(start)
    work_dir = _work_dir(corrections_dir)
    bar = _Progress(files, progress)
    cancel = _threading.Event()

    def one(i):
        # The name's bytes as they are: a name need not be UTF-8.
        result = _korvel.replay(_os.fsencode(files[i]), work_dir, h, m, s, view, want_minutes,
                                want_pairs, max_steps, threads == 2, bar.callback(i, cancel),
                                _POLL_SECONDS)
        result["path"] = files[i]
        bar.finish(i, result["bytes_done"])
        return result

    try:
        workers = min(len(files), jobs if jobs and jobs > 0 else (_os.cpu_count() or 1))
        if workers <= 1:
            # On the calling thread, where Ctrl+C is seen between two steps.
            return [one(i) for i in range(len(files))]
        with _Pool(max_workers=workers) as pool:
            futures = [pool.submit(one, i) for i in range(len(files))]
            try:
                return [f.result() for f in futures]
            except BaseException:  # Ctrl+C, whatever the signal handler raises
                cancel.set()  # the other replays stop at their next look
                raise
    finally:
        bar.close()


def _finish(results, frame, errors):
    """Raises (or warns about) the first fatal error, with the whole frame as partial."""
    failed = [r for r in results if r["fatal"] is not None]
    if not failed:
        return frame
    if errors == "warn":
        for r in failed:
            _warnings.warn(f"{r['path']}: {r['fatal']}", RuntimeWarning, stacklevel=4)
        return frame
    raise Error(failed[0]["fatal"], failed[0]["path"], frame)


def _refuse_input_as_output(output, inputs):
    """Raises ValueError when output is one of the recordings or their index files, however
    its name is spelt (the same device and inode): writing it would destroy the input."""
    try:
        out = _os.stat(output)
    except OSError:
        return  # not there yet: no input
    for data in inputs:
        for name in (data, _os.fsdecode(_korvel.index_file_path(_os.fsencode(data)))):
            try:
                st = _os.stat(name)
            except OSError:
                continue
            if (st.st_dev, st.st_ino) == (out.st_dev, out.st_ino):
                raise ValueError(f"{_os.fspath(output)} is the input {name}: not written over")


def _check_errors(errors):
    if errors not in ("raise", "warn"):
        raise ValueError(f"errors must be 'raise' or 'warn', not {errors!r}")


def _minute_frame(result, file_column):
    cols = result.get("minutes")
    if cols is None:
        return None
    data = {"time": _pd.Series(cols["time"], dtype=object, copy=False)}
    for name in MINUTE_COLUMNS:
        data[name] = cols[name]
    frame = _pd.DataFrame(data, copy=False)
    if file_column:
        frame.insert(0, "file", result["path"])
    return frame


def _empty_minutes(file_column):
    frame = _pd.DataFrame({"time": _pd.Series([], dtype=object),
                           **{c: _pd.Series([], dtype="int64") for c in MINUTE_COLUMNS}})
    if file_column:
        frame.insert(0, "file", _pd.Series([], dtype=object))
    return frame


def _concat(frames, empty):
    frames = [f for f in frames if f is not None]
    if not frames:
        return empty
    return _pd.concat(frames, ignore_index=True) if len(frames) > 1 else frames[0]


def _table(files, start, view, jobs, threads, corrections_dir, progress, errors, pairs):
    """minutes() or pairs(): the files replayed, their rows in one frame, errors handled."""
    _check_errors(errors)
    names, several = _files(files)
    results = _replay_all(names, start, view, jobs, corrections_dir, progress, not pairs, pairs,
                          threads)
    frame_of, empty = (_pair_frame, _empty_pairs) if pairs else (_minute_frame, _empty_minutes)
    frame = _concat([frame_of(r, several) for r in results], empty(several))
    return _finish(results, frame, errors)


def minutes(files, start="00:00:00", view="async", jobs=0, threads=2, corrections_dir=None,
            progress=False, errors="raise"):
    """The per-minute statistics of one or several recordings, as ``korvel-replay
    --minutes`` writes them.

    Args:
        files: a recording's path, or a list of them.
        start: the start time of day, 'HH:MM', 'HH:MM:SS' or a datetime.time (``--start``).
        view: 'async' or 'sync' (``--view``): the view the steps run with. ('none' only
            decodes: it assembles and matches nothing, so it is refused here.)
        jobs: files replayed side by side on threads; 0 one per core (``--jobs``).
        threads: 2 decodes each file's camera-B records ahead on a second thread, 1 leaves
            all of it to the steps (``--threads``); the results are the same.
        corrections_dir: where CORRFACT.DAT is looked for; the current directory when None.
        progress: show the bytes replayed (tqdm when installed).
        errors: 'raise' raises korvel.Error for the first file that failed (its ``partial``
            holds every row); 'warn' warns about each and returns the rows.

    Returns:
        A DataFrame, one row per minute: ``time`` ('HH:MM', hours going past 23 as they
        come), then the counts of MINUTE_COLUMNS. The minutes without data between two with
        data are rows of zeros within the day. With several files a first ``file`` column
        names each row's recording, in the order the files were given.
    """
    return _table(files, start, view, jobs, threads, corrections_dir, progress, errors,
                  pairs=False)


def _pair_frame(result, file_column):
    cols = result.get("pairs")
    if cols is None:
        return None
    codes = cols["outcome"]
    data = {"time": _pd.Series(cols["time"], dtype=object, copy=False),
            "outcome": _pd.Categorical.from_codes(codes, categories=list(OUTCOMES))}
    for side in ("a_", "b_"):
        missing = cols[side + "present"] == 0
        data[side + "y_first"] = cols[side + "y_first"]
        data[side + "y_last"] = cols[side + "y_last"]
        for name in ("line_count", "max_width", "x_min", "x_max"):
            data[side + name] = _pd.arrays.IntegerArray(
                cols[side + name].astype("int64"), missing)
    data["lag_lines"] = cols["lag_lines"]
    data["lag_ms"] = cols["lag_ms"]
    frame = _pd.DataFrame(data, copy=False)  # the columns' arrays as they are
    if file_column:
        frame.insert(0, "file", result["path"])
    return frame


def _empty_pairs(file_column):
    frame = _pair_frame({"path": "", "pairs": {
        "time": _np.array([], dtype=object), "outcome": _np.array([], dtype="int8"),
        **{s + n: _np.array([], dtype="float64" if n.startswith("y") else "int32")
           for s in ("a_", "b_") for n in ("y_first", "y_last", "line_count", "max_width",
                                           "x_min", "x_max")},
        "a_present": _np.array([], dtype="uint8"), "b_present": _np.array([], dtype="uint8"),
        "lag_lines": _np.array([]), "lag_ms": _np.array([])}}, False)
    if file_column:
        frame.insert(0, "file", _pd.Series([], dtype=object))
    return frame


def pairs(files, start="00:00:00", view="async", jobs=0, threads=2, corrections_dir=None,
          progress=False, errors="raise"):
    """Every matching decision of one or several recordings, as ``korvel-replay --pairs``
    writes them, built from arrays (no Python object per decision but the time's text).

    Arguments as for ``minutes()``.

    Returns:
        A DataFrame, one row per decision in the order they were taken: ``time`` of day
        ('HH:MM:SS.mmm', cut to the millisecond, of camera A's particle, else camera B's),
        ``outcome`` (a categorical of OUTCOMES), both particles' ``y_first``, ``y_last``
        (scan lines), ``line_count``, ``max_width``, ``x_min``, ``x_max`` (pixels) prefixed
        ``a_`` and ``b_`` (missing: NaN, or <NA> in the nullable integer columns), and for
        pairs and rejects ``lag_lines`` and ``lag_ms``, how far camera B's particle began
        after camera A's. With several files a first ``file`` column names the recording.
    """
    return _table(files, start, view, jobs, threads, corrections_dir, progress, errors,
                  pairs=True)


def events(file, start="00:00:00", view="async", corrections_dir=None):
    """Every event of a replay, as dicts equal to the JSON lines of ``korvel-replay
    --events``: 'open' (the header and where the readers start), then 'record', 'wait' and
    'match' for each playback step, and 'end' with the totals.

    The replay runs to its end first (its lines held in a temporary file), then the events
    are handed out one by one. A recording that fails yields its 'fatal' event last, then
    raises korvel.Error. The replay is korvel-replay's own loop: Ctrl+C is seen once it
    has ended, and it shows no progress.
    """
    h, m, s = _start(start)
    path = _os.fsdecode(file)
    with _tempfile.TemporaryFile() as lines:
        status, fatal = _korvel.write_events(lines.fileno(), _os.fsencode(path),
                                             _work_dir(corrections_dir), h, m, s, view)
        lines.seek(0)
        for line in lines:
            yield _json.loads(line)
    if status != 0:
        raise Error(fatal, path)


class Recording:
    """A recording opened as the player opens it, without playing it.

    Attributes:
        path: the data file, as named.
        header_version: 0, 1 or 2.
        line_rate: scan lines per second.
        line_width: pixels per scan line of one camera.
        start_time: when the recording began, as a UTC datetime (from the header).
        date: its UTC date, the day its line numbers count from.
        first_minute, last_minute: the first and the last minute of the day holding
            records, from the index (None when it shows none); first_time and last_time
            give them as 'HH:MM'.
        index: a DataFrame of the minute index: for every minute of the day (1442 rows)
            the byte offsets where camera A's and camera B's records begin.
        length: the data file's length in bytes.

    Raises korvel.Error with the text korvel-replay prints for a recording it cannot open.
    """

    def __init__(self, path, corrections_dir=None):
        self.path = _os.fsdecode(path)
        info = _korvel.open_recording(_os.fsencode(self.path), _work_dir(corrections_dir))
        if info["fatal"] is not None:
            raise Error(info["fatal"], self.path)
        header = info["header"]
        self.header_version = header["header_version"]
        self.line_rate = header["line_rate"]
        self.line_width = header["line_width"]
        self.start_time = _dt.datetime.fromtimestamp(header["start_time"], _dt.timezone.utc)
        self.date = _dt.date.fromisoformat(header["date"])
        self.first_minute = info["first_minute"]
        self.last_minute = info["last_minute"]
        self.index = _pd.DataFrame({"pos_a": info["index_a"], "pos_b": info["index_b"]})
        self.index.index.name = "minute"
        self.length = info["length"]

    @staticmethod
    def _label(minute):
        return None if minute is None else f"{minute // 60:02d}:{minute % 60:02d}"

    @property
    def first_time(self):
        """The first minute holding records as 'HH:MM' (None: none)."""
        return self._label(self.first_minute)

    @property
    def last_time(self):
        """The last minute holding records as 'HH:MM' (None: none)."""
        return self._label(self.last_minute)

    def __repr__(self):
        return (f"Recording({self.path!r}, version {self.header_version}, "
                f"{self.line_rate:g} lines/s, width {self.line_width}, {self.date}, "
                f"{self.first_time}-{self.last_time})")


from ._dataset import minutes_dataset  # noqa: E402  (uses the functions above)
