"""Recordings written by the project's own encoder, and korvel-replay to compare with."""

import os
import shutil
import subprocess

import pandas as pd
import pytest

BIN = os.environ.get("KORVEL_BIN_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
ABGEN = os.path.join(BIN, "tools/abgen/abgen")
REPLAY = os.path.join(BIN, "tools/korvel-replay/korvel-replay")


def abgen(out, *args):
    subprocess.run([ABGEN, *args, "-o", str(out)], check=True, capture_output=True)
    return str(out)


@pytest.fixture(scope="session")
def recs(tmp_path_factory):
    """Three short rainy recordings of different header versions and a damaged copy of the
    first, cut in the middle of a record (the fatal "mp04")."""
    d = tmp_path_factory.mktemp("recs")
    r = {
        "one": abgen(d / "one.ab", "--seed", "1", "--start", "06:00:00", "--duration", "150",
                     "--drops-per-second", "30"),
        "two": abgen(d / "two.ab", "--seed", "2", "--version", "0", "--start", "23:58:30",
                     "--duration", "90", "--drops-per-second", "20"),
        "three": abgen(d / "three.ab", "--seed", "3", "--version", "1", "--line-rate", "8000",
                       "--date", "2024-02-29", "--start", "00:00:10", "--duration", "60"),
    }
    data = open(r["one"], "rb").read()
    r["cut"] = str(d / "cut.ab")
    with open(r["cut"], "wb") as f:
        f.write(data[: len(data) * 3 // 5 + 7])
    shutil.copy(str(d / "one.abh"), str(d / "cut.abh"))
    return r


def replay(tmp_path, files, *args):
    """korvel-replay's --minutes and --pairs CSVs of files, read by pandas, and its stderr."""
    m, p = tmp_path / "m.csv", tmp_path / "p.csv"
    run = subprocess.run([REPLAY, "--minutes", str(m), "--pairs", str(p), *args, *files],
                         capture_output=True, text=True)
    # The CSV's numbers are the shortest text that reads back as the same double.
    read = dict(float_precision="round_trip")
    return pd.read_csv(m, **read), pd.read_csv(p, **read), run
