#!/usr/bin/python3
# Reads a workbook with independent readers and prints, as JSON: every sheet's cells as
# [type, value, number format] (openpyxl), and the pivot cache's fields (the attributes of
# their sharedItems) and records as [tag, v] (the package's XML read with zipfile and
# ElementTree), for the export tests' checks.
import json
import sys
import zipfile
import xml.etree.ElementTree as ET

import openpyxl

NS = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
path = sys.argv[1]
out = {"sheets": {}}
book = openpyxl.load_workbook(path)
for ws in book.worksheets:
    out["sheets"][ws.title] = [[[c.data_type, None if c.value is None else str(c.value), c.number_format]
                                for c in row] for row in ws.iter_rows()]
with zipfile.ZipFile(path) as z:
    names = z.namelist()
    if "xl/pivotCache/pivotCacheDefinition1.xml" in names:
        definition = ET.fromstring(z.read("xl/pivotCache/pivotCacheDefinition1.xml"))
        out["fields"] = [{"name": f.get("name"), "shared": dict(f.find(NS + "sharedItems").attrib)}
                         for f in definition.iter(NS + "cacheField")]
        records = ET.fromstring(z.read("xl/pivotCache/pivotCacheRecords1.xml"))
        out["records"] = [[[cell.tag.replace(NS, ""), cell.get("v")] for cell in r] for r in records.iter(NS + "r")]
        out["recordCount"] = records.get("count")
print(json.dumps(out))
