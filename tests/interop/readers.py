"""Three independent views of one workbook as {sheet: {(row, col): value}}: ours (kovracli
dump-xls), python3-xlrd's and LibreOffice's. Integral numbers are given as int, texts as str."""
import json
import os
import subprocess
import tempfile
import xml.etree.ElementTree as ET

import xlrd


def _number(v):
    return int(v) if isinstance(v, float) and v.is_integer() else v


def ours(kovracli, path):
    """Cells by kovracli dump-xls, and per sheet the cell kinds plus "wide_name"."""
    d = json.loads(subprocess.run([kovracli, "dump-xls", path], check=True, capture_output=True).stdout)
    sheets, kinds = {}, {}
    for s in d["sheets"]:
        sheets[s["name"]] = {(c["row"], c["col"]): _number(c["value"]) for c in s["cells"]}
        kinds[s["name"]] = {(c["row"], c["col"]): c["kind"] for c in s["cells"]}
        kinds[s["name"]]["wide_name"] = s["wide_name"]
    return sheets, kinds


def by_xlrd(path):
    book = xlrd.open_workbook(path)
    sheets = {}
    for s in book.sheets():
        cells = {}
        for r in range(s.nrows):
            for c in range(s.ncols):
                cell = s.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                cells[(r, c)] = _number(cell.value)
        sheets[s.name] = cells
    return sheets


def by_libreoffice(path):
    ns = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
          "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
          "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0"}
    T, O = "{%s}" % ns["table"], "{%s}" % ns["office"]
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{tmp}/profile", "--headless",
                        "--convert-to", "fods", "--outdir", tmp, path], check=True, capture_output=True)
        root = ET.parse(os.path.join(tmp, os.path.splitext(os.path.basename(path))[0] + ".fods")).getroot()
    sheets = {}
    for table in root.iter(T + "table"):
        cells, r = {}, 0
        for row in table.iter(T + "table-row"):
            rep = int(row.get(T + "number-rows-repeated", "1"))
            c = 0
            for cell in row:
                crep = int(cell.get(T + "number-columns-repeated", "1"))
                vtype = cell.get(O + "value-type")
                v = None
                if vtype == "float":
                    v = _number(float(cell.get(O + "value")))
                elif vtype == "string":
                    v = "\n".join("".join(p.itertext()) for p in cell.findall("text:p", ns))
                if v is not None:
                    for k in range(crep):  # equal neighbours are written once, repeated
                        cells[(r, c + k)] = v
                c += crep
            r += rep
        sheets[table.get(T + "name")] = cells
    return sheets
