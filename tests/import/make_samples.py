#!/usr/bin/python3
"""Makes the class lists that the import tests and the benchmark read, from the
example class (examples/roster6.csv). Run once; the files are kept in data/.

  tests/import/make_samples.py

Needs Debian's python3-openpyxl for the list written the way a spreadsheet
library writes it; the other workbooks are built part by part, so that they hold
exactly what the tests look for (a formula with its cached value, a phonetic run,
an inline string, an empty row)."""
import csv
import io
import os
import struct
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")
ROOT = os.path.dirname(os.path.dirname(HERE))

HIRA_TO_KATA = {c: c + 0x60 for c in range(0x3041, 0x3094)}


def katakana(text):
    return text.translate(HIRA_TO_KATA)


def example_class():
    with open(os.path.join(ROOT, "examples", "roster6.csv"), encoding="cp932") as f:
        rows = [line.rstrip("\r\n").split(",") for line in f if line.lstrip().startswith("$")]
    return [dict(number=r[1], full=r[2], family=r[3], given=r[4], fr=r[5], gr=r[6],
                 sex="男" if i % 2 == 0 else "女") for i, r in enumerate(rows)]


def export_csv(students):
    """A records system's export: Shift-JIS, every field quoted, a header, a note
    with a comma and a line break inside its quotes."""
    out = io.StringIO()
    w = csv.writer(out, quoting=csv.QUOTE_ALL, lineterminator="\r\n")
    w.writerow(["番号", "姓", "名", "せい", "めい", "性別", "備考"])
    for s in students:
        note = ""
        if s["number"] == "3":
            note = '転入生, 4月から\n"さん"付けで'
        w.writerow([s["number"], s["family"], s["given"], s["fr"], s["gr"], s["sex"], note])
    with open(os.path.join(DATA, "export.csv"), "wb") as f:
        f.write(out.getvalue().encode("cp932"))


def xml_text(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
</Types>"""
ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="1年1組" sheetId="1" r:id="rId1"/><sheet name="メモ" sheetId="2" r:id="rId2"/></sheets>
</workbook>"""
WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet2.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
</Relationships>"""
SHEET_HEAD = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>"""
SHEET_TAIL = "</sheetData></worksheet>"


def class_xlsx(students):
    """The class as Excel keeps it: a title row, the header on row 2, numbers
    (the first typed, the rest a formula with its cached value), the full name
    in one cell (shared strings with a phonetic run, one inline string), the
    reading of the full name in katakana, 性別 as M/F, an empty row."""
    shared = []

    def s(text, phonetic=None):
        if phonetic:
            shared.append('<si><t>%s</t><rPh sb="0" eb="2"><t>%s</t></rPh><phoneticPr fontId="1"/></si>'
                          % (xml_text(text), xml_text(phonetic)))
        else:
            shared.append("<si><t>%s</t></si>" % xml_text(text))
        return len(shared) - 1

    rows = ['<row r="1"><c r="A1" t="s"><v>%d</v></c></row>' % s("1年1組 名簿(4月)")]
    header = ["出席番号", "氏名", "フリガナ", "性別"]
    rows.append('<row r="2">' + "".join('<c r="%s2" t="s"><v>%d</v></c>' % ("ABCD"[i], s(h))
                                        for i, h in enumerate(header)) + "</row>")
    r = 3
    for k, st in enumerate(students):
        if k == 10:
            r += 1  # an empty row: no <row> at all
        if k == 20:
            rows.append('<row r="%d"></row>' % r)  # and one written empty
            r += 1
        if k == 0:
            number = '<c r="A%d"><v>%s</v></c>' % (r, st["number"])
        else:
            number = '<c r="A%d"><f>A%d+1</f><v>%s</v></c>' % (r, r - 1 if k not in (10, 20) else r - 2,
                                                               st["number"])
        if k == 5:
            name = '<c r="B%d" t="inlineStr"><is><t>%s</t></is></c>' % (r, xml_text(st["full"]))
        else:
            name = '<c r="B%d" t="s"><v>%d</v></c>' % (r, s(st["full"], katakana(st["fr"])))
        reading = '<c r="C%d" t="s"><v>%d</v></c>' % (r, s(katakana(st["fr"] + " " + st["gr"])))
        sex = '<c r="D%d" t="s"><v>%d</v></c>' % (r, s("M" if st["sex"] == "男" else "F"))
        rows.append('<row r="%d">%s%s%s%s</row>' % (r, number, name, reading, sex))
        r += 1
    sheet1 = SHEET_HEAD + "".join(rows) + SHEET_TAIL
    sheet2 = SHEET_HEAD + '<row r="1"><c r="B1" t="str"><f>"memo"</f><v>memo</v></c></row>' + SHEET_TAIL
    strings = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
               '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">'
               % (len(shared), len(shared)) + "".join(shared) + "</sst>")
    with zipfile.ZipFile(os.path.join(DATA, "class.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/sharedStrings.xml", strings)
        z.writestr("xl/worksheets/sheet1.xml", sheet1)
        z.writestr("xl/worksheets/sheet2.xml", sheet2)


def openpyxl_xlsx(students, name, copies):
    """Written by a spreadsheet library: numbers as numbers, 姓 and 名 apart,
    readings in katakana, 男女 as 男/女."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "名簿"
    sheet.append(["No.", "姓", "名", "セイ", "メイ", "男女"])
    n = 0
    for _ in range(copies):
        for st in students:
            n += 1
            sheet.append([n, st["family"], st["given"], katakana(st["fr"]), katakana(st["gr"]), st["sex"]])
    book.save(os.path.join(DATA, name))


def bomb_xlsx():
    """A workbook whose sheet inflates to 80 MB (its directory says so)."""
    with zipfile.ZipFile(os.path.join(DATA, "bomb.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("xl/workbook.xml", WORKBOOK.replace('<sheet name="メモ" sheetId="2" r:id="rId2"/>', ""))
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/worksheets/sheet1.xml", SHEET_HEAD + " " * (80 * 1024 * 1024) + SHEET_TAIL)


def lying_bomb_xlsx():
    """The same, but its directory and local header claim 1,000 bytes."""
    path = os.path.join(DATA, "bomb-lying.xlsx")
    bomb = os.path.join(DATA, "bomb.xlsx")
    data = bytearray(open(bomb, "rb").read())
    name = b"xl/worksheets/sheet1.xml"
    real = len(SHEET_HEAD.encode()) + 80 * 1024 * 1024 + len(SHEET_TAIL.encode())
    for sig, offset in ((b"PK\x03\x04", 22), (b"PK\x01\x02", 24)):
        at = 0
        while True:
            at = data.find(sig, at)
            if at < 0:
                break
            name_at = at + (30 if sig == b"PK\x03\x04" else 46)
            if data[name_at:name_at + len(name)] == name:
                assert struct.unpack_from("<I", data, at + offset)[0] == real
                struct.pack_into("<I", data, at + offset, 1000)
            at += 4
    open(path, "wb").write(bytes(data))


def small_xlsx(name, rows, strings=None):
    """A one-sheet workbook of the rows given (<row> elements), with a
    sharedStrings part when `strings` is given."""
    with zipfile.ZipFile(os.path.join(DATA, name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK.replace('<sheet name="メモ" sheetId="2" r:id="rId2"/>', ""))
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        if strings is not None:
            z.writestr("xl/sharedStrings.xml", strings)
        z.writestr("xl/worksheets/sheet1.xml", SHEET_HEAD + rows + SHEET_TAIL)


def far_xlsx(name, cell):
    """A one-cell workbook whose cell lies past Excel's last row or column (or on
    its last row)."""
    small_xlsx(name, '<row r="%s"><c r="%s" t="inlineStr"><is><t>x</t></is></c></row>'
               % (cell.lstrip("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), cell))


def pretty_xlsx():
    """Shared strings written indented, a line break and spaces between their
    elements: a phonetic run, and a text in two runs."""
    strings = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2">
  <si>
    <t>山田　太郎</t>
    <rPh sb="0" eb="2">
      <t>ヤマダ</t>
    </rPh>
    <phoneticPr fontId="1"/>
  </si>
  <si>
    <r>
      <t>佐藤</t>
    </r>
    <r>
      <t xml:space="preserve">　花子</t>
    </r>
  </si>
</sst>"""
    small_xlsx("pretty.xlsx", '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>', strings)


def main():
    os.makedirs(DATA, exist_ok=True)
    students = example_class()
    export_csv(students)
    class_xlsx(students)
    openpyxl_xlsx(students, "library.xlsx", 1)
    openpyxl_xlsx(students, "rows1000.xlsx", 25)
    bomb_xlsx()
    lying_bomb_xlsx()
    far_xlsx("far-row.xlsx", "A1048577")
    far_xlsx("far-column.xlsx", "XFE1")
    far_xlsx("last-row.xlsx", "A1048576")
    pretty_xlsx()


if __name__ == "__main__":
    main()
