#!/usr/bin/python3
"""Reads an .xls workbook with xlrd and prints its cells as JSON, independently of the office
that wrote it: for every sheet its name and cells with type, value, horizontal alignment
and number format."""
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
kinds = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_BLANK: "blank",
         xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_ERROR: "error",
         xlrd.XL_CELL_DATE: "date"}
sheets = []
for sheet in book.sheets():
    cells = []
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_EMPTY,):
                continue
            xf = book.xf_list[cell.xf_index]
            fmt = book.format_map.get(xf.format_key)
            cells.append({"row": r + 1, "column": c + 1, "type": kinds.get(cell.ctype, "?"),
                          "value": cell.value, "align": xf.alignment.hor_align,
                          "format": fmt.format_str if fmt else ""})
    heights = {str(r + 1): info.height for r, info in sheet.rowinfo_map.items()}
    sheets.append({"name": sheet.name, "cells": cells, "heights": heights})
json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)
