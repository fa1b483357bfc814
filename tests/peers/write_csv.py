#!/usr/bin/python3
"""Writes rows as a CSV file with Python's csv module: the test peer for recipient imports.

Standard input: JSON {"rows": [[field, ...], ...], "encoding": "utf-8", "delimiter": ",",
"lineterminator": "\\r\\n"} (all but rows optional); standard output: the file's bytes.
With "generate": N in place of rows, writes a header and N rows of six columns, some quoted.
"""
import csv
import io
import json
import sys


def generated(count):
    yield ["!!First Name", "Last Name", "Email Address", "Company", "City", "Note"]
    for i in range(count):
        yield [f"First{i}", f"Last, {i}", f"person{i}@example.com", f"Acme \"{i % 7}\" Inc.",
               "Göteborg", f"line one\nline two {i}"]


def main():
    request = json.load(sys.stdin)
    rows = generated(request["generate"]) if "generate" in request else request["rows"]
    text = io.StringIO(newline="")
    writer = csv.writer(text, delimiter=request.get("delimiter", ","),
                        lineterminator=request.get("lineterminator", "\r\n"))
    writer.writerows(rows)
    sys.stdout.buffer.write(text.getvalue().encode(request.get("encoding", "utf-8")))


main()
