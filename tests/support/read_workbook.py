#!/usr/bin/python3
# Reads a workbook with openpyxl (an independent reader) and prints what the export tests
# check, as JSON: sheets, each sheet's rows with their cell types, the autofilter, the frozen
# panes, the pivot tables with their cache fields, and the document properties.
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": book.sheetnames, "properties": {
    "title": book.properties.title, "subject": book.properties.subject,
    "description": book.properties.description, "creator": book.properties.creator}}
for ws in book.worksheets:
    rows = []
    for row in ws.iter_rows():
        rows.append([[c.data_type, None if c.value is None else str(c.value)] for c in row])
    pivots = [{"name": p.name, "location": p.location.ref,
               "fields": [f.name for f in p.cache.cacheFields],
               "records": len(p.cache.records.r) if p.cache.records is not None else None,
               "source": p.cache.cacheSource.worksheetSource.sheet} for p in ws._pivots]
    out[ws.title] = {"rows": rows, "autofilter": ws.auto_filter.ref, "freeze": ws.freeze_panes,
                     "pivots": pivots, "widths": {k: v.width for k, v in ws.column_dimensions.items()}}
print(json.dumps(out))
