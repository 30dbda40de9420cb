import contextlib
import datetime
import json
import os
import shutil
import signal
import subprocess
import threading
import time

import netCDF4
import numpy as np
import pandas as pd
import pytest

import korvel
import korvel.dask
from conftest import REPLAY, abgen, replay


def same(module, csv):
    """The module's frame holds the CSV's columns and values (NaN where a field is empty)."""
    assert list(module.columns) == list(csv.columns)
    assert len(module) == len(csv)
    for name in module.columns:
        a, b = module[name], csv[name]
        if pd.api.types.is_numeric_dtype(b) and not pd.api.types.is_numeric_dtype(a.dtype):
            a = pd.to_numeric(a.astype(object))
        if pd.api.types.is_numeric_dtype(a.dtype) or a.dtype.name == "Int64":
            np.testing.assert_array_equal(a.astype("float64").to_numpy(),
                                          b.astype("float64").to_numpy(), err_msg=name)
        else:
            assert a.astype(object).fillna("").tolist() == b.astype(object).fillna("").tolist(), name


@pytest.mark.parametrize("names, start, view, jobs, threads", [
    (["one"], "00:00:00", "async", 0, 2),
    (["one"], "06:01:30", "sync", 0, 1),
    (["two"], "23:59", "sync", 0, 2),
    (["three", "one", "two"], "00:00:00", "sync", 2, 2),
    (["one", "cut", "three"], "06:01", "async", 1, 1),
])
def test_minutes_and_pairs_are_those_of_korvel_replay(recs, tmp_path, names, start, view, jobs,
                                                      threads):
    files = [recs[n] for n in names]
    m, p, run = replay(tmp_path, files, "--start", start, "--view", view)
    kw = dict(start=start, view=view, jobs=jobs, threads=threads, errors="warn")
    with pytest.warns(RuntimeWarning) if "cut" in names else contextlib.nullcontext():
        same(korvel.minutes(files, **kw), m)
        same(korvel.pairs(files, **kw), p)
    assert (run.returncode != 0) == ("cut" in names)


def test_a_damaged_recording_raises_its_text_and_keeps_what_was_counted(recs, tmp_path):
    m, p, run = replay(tmp_path, [recs["cut"]])
    for report, csv in ((korvel.minutes, m), (korvel.pairs, p)):
        with pytest.raises(korvel.Error) as caught:
            report(recs["cut"])
        assert caught.value.file == recs["cut"]
        assert caught.value.text == run.stderr.strip()
        same(caught.value.partial, csv)
    assert "mp04" in run.stderr
    evs = korvel.events(recs["cut"])
    seen = []
    with pytest.raises(korvel.Error):
        for e in evs:
            seen.append(e)
    assert seen[-1] == {"ev": "fatal", "text": run.stderr.strip()}


def test_a_name_that_is_not_utf8_comes_back_as_its_bytes(recs, tmp_path):
    name = os.path.join(os.fsencode(tmp_path), b"r\xe9gen.ab")
    shutil.copy(recs["cut"], name)
    shutil.copy(recs["cut"][:-3] + ".abh", name[:-3] + b".abh")
    run = subprocess.run([REPLAY, name], capture_output=True)
    with pytest.raises(korvel.Error) as caught:
        korvel.minutes(name)
    assert os.fsencode(caught.value.text) == run.stderr.strip()
    assert os.fsencode(caught.value.file) == name


@pytest.mark.parametrize("name, view, start", [("one", "sync", "06:01"), ("three", "none", "00:00")])
def test_events_are_the_json_lines(recs, name, view, start):
    out = subprocess.run([REPLAY, "--events", "--view", view, "--start", start, recs[name]],
                         capture_output=True, text=True, check=True).stdout
    assert list(korvel.events(recs[name], start=start, view=view)) == [
        json.loads(line) for line in out.splitlines()]


@pytest.mark.parametrize("name, first, last", [
    ("one", "06:00", "06:02"), ("two", "23:58", "23:59"), ("three", "00:00", "00:01")])
def test_a_recording_tells_its_header_and_index(recs, name, first, last):
    rec = korvel.Recording(recs[name])
    opened = next(korvel.events(recs[name]))
    assert (rec.header_version, rec.line_rate, rec.line_width) == (
        opened["header_version"], opened["line_rate"], opened["line_width"])
    assert rec.start_time.timestamp() == opened["start_time"]
    assert rec.date.strftime("%Y/%m/%d") == opened["date"]
    assert (rec.first_time, rec.last_time) == (first, last)
    assert len(rec.index) == 1442 and rec.index.pos_a.is_monotonic_increasing
    assert rec.length == os.path.getsize(recs[name])


def test_a_recording_that_cannot_be_opened_raises_the_tools_text(recs):
    gone = recs["three"] + "-gone.ab"
    run = subprocess.run([REPLAY, gone], capture_output=True, text=True)
    with pytest.raises(korvel.Error) as caught:
        korvel.Recording(gone)
    assert (caught.value.text, caught.value.file) == (run.stderr.strip(), gone)


def test_progress_counts_every_byte(recs, capsys):
    korvel.minutes([recs["one"], recs["two"]], progress=True)
    last = capsys.readouterr().err.replace("\r", "\n").strip().splitlines()[-1]
    assert "100%" in last


def test_netcdf_written_and_read_back(recs, tmp_path):
    ds = korvel.minutes_dataset(recs["two"])
    ds.to_netcdf(tmp_path / "two.nc")
    with netCDF4.Dataset(tmp_path / "two.nc") as nc:
        assert nc.Conventions == "CF-1.8" and nc.source_file == "two.ab"
        assert (nc.header_version, nc.line_width, nc.software_version) == (0, 512, korvel.__version__)
        t = nc["time"]
        assert t.units.startswith("minutes since ") and t.standard_name == "time"
        times = netCDF4.num2date(t[:], t.units, only_use_cftime_datetimes=False)
        assert str(times[0])[:16] == korvel.Recording(recs["two"]).date.isoformat() + " 23:58"
        counts = korvel.minutes(recs["two"])
        for name in korvel.MINUTE_COLUMNS:
            assert nc[name].long_name and nc[name].units == "1"
            np.testing.assert_array_equal(nc[name][:], counts[name])


def test_dask_on_a_local_cluster_equals_the_serial_result(recs, tmp_path):
    files = [recs["one"], recs["two"], recs["three"]]
    with korvel.dask.local_client(n_workers=2) as client:
        minutes = korvel.dask.minutes(files, client=client).compute()
        pairs = korvel.dask.pairs(files, client=client).compute()
        combined = korvel.dask.to_netcdf(files, tmp_path / "all.nc", client=client)
        with pytest.raises(ValueError, match="not written over"):
            korvel.dask.to_netcdf(files, recs["two"].replace(".ab", ".abh"), client=client)
        with pytest.raises(korvel.Error, match="mp04"):
            korvel.dask.pairs([recs["one"], recs["cut"]], client=client).compute()
    # With no client in use, a LocalCluster of the module's own.
    own = korvel.dask.minutes(files[:1]).compute()
    korvel.dask.get_client().close()
    pd.testing.assert_frame_equal(minutes.reset_index(drop=True), korvel.minutes(files))
    pd.testing.assert_frame_equal(own, minutes[minutes.file == files[0]])
    pd.testing.assert_frame_equal(pairs.reset_index(drop=True), korvel.pairs(files))
    back = korvel.dask.combine([korvel.minutes_dataset(f) for f in files])
    assert combined.identical(back)
    with netCDF4.Dataset(tmp_path / "all.nc") as nc:
        assert list(nc["source_file"][:]) == ["one.ab", "two.ab", "three.ab"]
        assert nc["pairs"][:].sum() == minutes.pairs.sum()


class Interrupted(Exception):
    pass


@pytest.fixture(scope="module")
def long_recording(tmp_path_factory):
    path = abgen(tmp_path_factory.mktemp("long") / "long.ab", "--duration", "3600",
                 "--drops-per-second", "60")
    started = time.perf_counter()
    korvel.pairs(path)
    return path, time.perf_counter() - started


@pytest.mark.parametrize("jobs", [1, 2])
def test_ctrl_c_stops_a_long_replay(long_recording, jobs):
    path, one = long_recording

    def interrupted(*_):
        raise Interrupted

    previous = signal.signal(signal.SIGINT, interrupted)
    timer = threading.Timer(one / 4, os.kill, (os.getpid(), signal.SIGINT))
    started = time.perf_counter()
    try:
        timer.start()
        with pytest.raises(Interrupted):
            korvel.pairs([path] * 4, jobs=jobs)
        # Four files take four (or two) times one: stopped, every replay ends at once.
        assert time.perf_counter() - started < one
    finally:
        timer.join()
        signal.signal(signal.SIGINT, previous)


CORPUS = os.path.join(os.environ.get("KORVEL_SOURCE_DIR", os.path.dirname(__file__) + "/../.."),
                      "fuzz/corpus/replay")


@pytest.mark.parametrize("name", sorted(os.listdir(CORPUS)))
def test_fuzz_inputs_report_what_korvel_replay_reports(tmp_path, name):
    # The replay harness's inputs: a head (view, no index, pad index, start time, the data's
    # length), the data file, then the index.
    raw = open(os.path.join(CORPUS, name), "rb").read()
    head = (raw[:6] + bytes(6))[:6]
    body = raw[6:]
    n = min(len(body), head[4] | head[5] << 8)
    ab, abh = body[:n], body[n:]
    if head[0] & 8:
        abh = abh.ljust(2 * 1442 * 4, b"\0")
    (tmp_path / "f.ab").write_bytes(ab)
    if not head[0] & 4:
        (tmp_path / "f.abh").write_bytes(abh)
    view = ("async", "sync", "async", "async")[head[0] & 3]  # the reports need a view
    start = f"{head[1] % 24:02d}:{head[2] % 60:02d}:{head[3] % 60:02d}"
    os.chdir(tmp_path)
    m, p, run = replay(tmp_path, ["f.ab"], "--view", view, "--start", start)
    for report, csv in ((korvel.minutes, m), (korvel.pairs, p)):
        try:
            same(report("f.ab", start=start, view=view), csv)
            assert run.returncode == 0
        except korvel.Error as e:
            assert e.text == run.stderr.strip()
            same(e.partial, csv)
