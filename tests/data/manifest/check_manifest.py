#!/usr/bin/env python3
"""Checks a manifest against the files beside it, with nothing of quillet2.

Usage: check_manifest.py MANIFEST STATUS ROWS [RANGES], ROWS "-" for any.
Run in the unload's folder. Prints one line per fault and exits 1 when there
is any: the JSON must parse, say the status (complete for exit status 0,
else failed, with a file marked incomplete) and the rows, list every file with
the SHA-256 and size of what is on disk, count the rows of every complete
data file (a header line or not, as its rows say), and hold no password.
"""
import hashlib
import json
import os
import sys


def main(manifest, status, rows, ranges=None):
    faults = []
    text = open(manifest, encoding="utf-8").read()
    doc = json.loads(text)
    if "tiger" in text.lower():
        faults.append("the password is in the manifest")
    want = "complete" if int(status) == 0 else "failed"
    if doc["status"] != want or doc["exit_status"] != int(status):
        faults.append("status %s/%s, want %s/%s" % (doc["status"], doc["exit_status"], want, status))
    if int(status) != 0 and all(f["complete"] for f in doc["files"]):
        faults.append("a failed run marks no file incomplete")
    if rows != "-" and doc["rows"] != int(rows):
        faults.append("rows %d, want %s" % (doc["rows"], rows))
    if not doc["columns"] or not doc["query"] or not doc["version"]:
        faults.append("no columns, query or version")
    for f in doc["files"]:
        if not os.path.exists(f["name"]):
            faults.append("%s is listed but not there" % f["name"])
            continue
        data = open(f["name"], "rb").read()
        if f["sha256"] != hashlib.sha256(data).hexdigest() or f["bytes"] != len(data):
            faults.append("%s: sha256 or size differ" % f["name"])
        if f["complete"] == f["name"].endswith(".partial"):
            faults.append("%s: complete is %s" % (f["name"], f["complete"]))
        lines = data.count(b"\n")
        if f["kind"] == "data" and f["complete"] and lines not in (f["rows"], f["rows"] + 1):
            faults.append("%s: %d lines for %d rows" % (f["name"], lines, f["rows"]))
    if ranges is not None:
        got = [(r["range"], r["complete"], len(r["minrid"]) == 18 == len(r["maxrid"])) for r in doc.get("ranges", [])]
        if [g[0] for g in got] != list(range(1, int(ranges) + 1)) or not all(g[2] for g in got):
            faults.append("ranges %s" % got)
        if sum(r["rows"] for r in doc["ranges"]) != doc["rows"]:
            faults.append("range rows do not add up")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
