#!/usr/bin/env python3
"""Reads an exported file back with an independent reader and prints it as JSON.

read_outputs.py csv FILE   -> list of rows (Python's csv module)
read_outputs.py xlsx FILE  -> sheets, frozen cell, filter, cells of sheet 1 with types,
                              number formats and fills, values of sheet 2 (openpyxl)
"""
import csv
import json
import sys


def main():
    kind, path = sys.argv[1], sys.argv[2]
    if kind == "csv":
        with open(path, newline="", encoding="utf-8") as f:
            print(json.dumps(list(csv.reader(f, strict=True))))
        return
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    cells = []
    for row in sheet.iter_rows():
        cells.append([{"value": c.value,
                       "type": type(c.value).__name__,
                       "format": c.number_format,
                       "fill": c.fill.fgColor.rgb if c.fill is not None and c.fill.fill_type == "solid" else ""}
                      for c in row])
    summary = [[c.value for c in row] for row in book.worksheets[1].iter_rows()]
    print(json.dumps({"sheets": book.sheetnames, "frozen": sheet.freeze_panes, "filter": sheet.auto_filter.ref,
                      "cells": cells, "summary": summary}, default=str))


main()
