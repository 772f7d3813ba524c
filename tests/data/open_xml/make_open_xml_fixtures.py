#!/usr/bin/python3
# Regenerates the zipped office fixtures of this folder. Debian's python3-openpyxl and
# python3-docx, and LibreOffice (headless), are needed only to run this script, never by
# the tests.
#   py_book.xlsx       by openpyxl: two worksheets, shared strings, numbers, booleans, a
#                      formula without a stored result, a character CP932 lacks
#   py_letter.docx     by python-docx: paragraphs, a line break, a tab, an empty paragraph,
#                      a 2x2 table
#   lo_book.xlsx       py_book.xlsx saved again by LibreOffice (formula results stored)
#   lo_book.xls        py_book.xlsx saved by LibreOffice as .xls, for the comparison of the
#                      two readers
#   lo_letter.docx     py_letter.docx saved again by LibreOffice
#   hand_book.xlsx     written here: inline strings, a formula's text result, an error,
#                      rich text with a reading, "_x000D_" escapes, cells and rows without
#                      their place, a chart sheet between two worksheets, a column past ZZ
#   hand_letter.docx   written here: a text box in alternate content, deleted text, a field
#                      code, tab stops, a paragraph inside a content control
#   bad_truncated.xlsx the first half of lo_book.xlsx
#   bad_crc.docx       py_letter.docx with its document part's compressed bytes damaged
#   bad_not_office.xlsx  a sound zip holding a text file
#   bad_not_zip.docx   a text file
#   bad_bomb.xlsx      a workbook whose sheet expands to 64 MB of blanks (ratio past 1:1000)
#   bad_doctype.docx   a document part with an entity declaration (billion laughs)
import io
import os
import shutil
import subprocess
import tempfile
import zipfile

import docx
import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
FIXED_TIME = (2020, 1, 1, 0, 0, 0)


def out(name):
    return os.path.join(HERE, name)


def write_zip(name, entries):
    with zipfile.ZipFile(out(name), "w", zipfile.ZIP_DEFLATED) as z:
        for part, text in entries:
            info = zipfile.ZipInfo(part, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text.encode("utf-8") if isinstance(text, str) else text)


def py_book():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "一覧"
    ws["A1"] = "abc"
    ws["B1"] = "日本語テキスト"
    ws["C1"] = 1
    ws["D1"] = -5
    ws["A2"] = 0.5
    ws["B2"] = 123.45
    ws["C2"] = "=1/3"
    ws["D2"] = 1e20
    ws["A3"] = 0.00001
    ws["B3"] = True
    ws["C3"] = False
    ws["D3"] = "𠮷野家と한글"
    ws["A5"] = "ｶﾀｶﾅ～－￥"
    ws2 = wb.create_sheet("二")
    ws2["B2"] = "abc"
    ws2["AA10"] = "列AA"
    ws2["A1"] = 123456789012345
    wb.save(out("py_book.xlsx"))


def py_letter():
    d = docx.Document()
    d.add_paragraph("一行目の段落です。")
    p = d.add_paragraph("改行の前")
    run = p.add_run()
    run.add_break()
    p.add_run("改行の後\tタブの後")
    d.add_paragraph("")
    t = d.add_table(rows=2, cols=2)
    t.cell(0, 0).text = "表の左上"
    t.cell(0, 1).text = "表の右上"
    t.cell(1, 0).text = "abc"
    t.cell(1, 1).text = "表の右下"
    d.add_paragraph("最後の段落 abc")
    d.save(out("py_letter.docx"))


def libreoffice(source, target, fmt):
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "in" + os.path.splitext(source)[1])
        shutil.copy(out(source), src)
        outdir = os.path.join(work, "out")
        subprocess.run(["libreoffice", "--headless", "--convert-to", fmt, "--outdir", outdir, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copy(os.path.join(outdir, "in." + fmt.split(":")[0]), out(target))


S = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
    'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = 'xmlns="http://schemas.openxmlformats.org/package/2006/relationships"'


def hand_book():
    write_zip("hand_book.xlsx", [
        ("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>'),
        ("_rels/.rels", f'<?xml version="1.0"?><Relationships {PKG}>'
         f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="/xl/workbook.xml"/></Relationships>'),
        ("xl/workbook.xml", f'<?xml version="1.0"?><workbook {S}><sheets>'
         '<sheet name="A" sheetId="1" r:id="rId1"/><sheet name="Chart" sheetId="2" r:id="rId2"/>'
         '<sheet name="B" sheetId="3" r:id="rId3"/></sheets></workbook>'),
        ("xl/_rels/workbook.xml.rels", f'<?xml version="1.0"?><Relationships {PKG}>'
         f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/a.xml"/>'
         f'<Relationship Id="rId2" Type="{REL}/chartsheet" Target="chartsheets/c.xml"/>'
         f'<Relationship Id="rId3" Type="{REL}/worksheet" Target="worksheets/../worksheets/b.xml"/>'
         f'<Relationship Id="rId4" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
         f'<Relationship Id="rId5" Type="{REL}/hyperlink" Target="http://example.com/" TargetMode="External"/>'
         '</Relationships>'),
        ("xl/sharedStrings.xml", f'<?xml version="1.0"?><sst {S} count="3" uniqueCount="3">'
         '<si><t>共有</t></si>'
         '<si><r><t>漢字</t></r><r><rPr><b/></rPr><t xml:space="preserve"> rich</t></r>'
         '<rPh sb="0" eb="2"><t>カンジ</t></rPh><phoneticPr fontId="1"/></si>'
         '<si><t>一行目_x000D_\n二行目_x005F_x</t></si></sst>'),
        ("xl/worksheets/a.xml", f'<?xml version="1.0"?><worksheet {S}><sheetData>'
         '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>'
         '<c r="C1" t="inlineStr"><is><t>インライン</t></is></c>'
         '<c r="D1" t="str"><f>"式"&amp;"の結果"</f><v>式の結果</v></c>'
         '<c r="E1" t="e"><f>1/0</f><v>#DIV/0!</v></c>'
         '<c r="F1" s="3"/><c r="G1" t="s"><v>99</v></c></row>'
         '<row r="3"><c t="s"><v>2</v></c><c><v>2.5</v></c><c r="E3"><f>SUM(A1:A2)</f><v>7</v></c></row>'
         '<row><c r="A4" t="b"><v>1</v></c><c r="B4"><v>1e-5</v></c></row>'
         '</sheetData></worksheet>'),
        ("xl/chartsheets/c.xml", '<?xml version="1.0"?><chartsheet/>'),
        ("xl/worksheets/b.xml", f'<?xml version="1.0"?><worksheet {S}><sheetData>'
         '<row r="2"><c r="ZZ2"><v>-0.25</v></c><c r="AAA2" t="inlineStr"><is><t>遠い列</t></is></c></row>'
         '</sheetData></worksheet>'),
    ])


W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" ' \
    'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" ' \
    'xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"'


def hand_letter():
    body = (
        '<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs></w:pPr>'
        '<w:r><w:t>本文</w:t></w:r><w:del><w:r><w:delText>消した</w:delText></w:r></w:del>'
        '<w:r><w:instrText> PAGE </w:instrText></w:r><w:r><w:t>と続き</w:t></w:r>'
        '<w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wps:txbx><w:txbxContent>'
        '<w:p><w:r><w:t>枠の中</w:t></w:r></w:p></w:txbxContent></wps:txbx></w:drawing></mc:Choice>'
        '<mc:Fallback><w:pict><w:txbxContent><w:p><w:r><w:t>枠の中</w:t></w:r></w:p></w:txbxContent>'
        '</w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>'
        '<w:sdt><w:sdtContent><w:p><w:r><w:t>コントロールの中</w:t></w:r></w:p></w:sdtContent></w:sdt>'
        '<w:p><w:r><w:t>前</w:t><w:cr/><w:t>後</w:t></w:r></w:p>'
    )
    write_zip("hand_letter.docx", [
        ("_rels/.rels", f'<?xml version="1.0"?><Relationships {PKG}>'
         f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="word/main.xml"/></Relationships>'),
        ("word/main.xml", f'<?xml version="1.0" encoding="UTF-8"?><w:document {W}><w:body>{body}'
         '<w:sectPr/></w:body></w:document>'),
    ])


def damaged():
    with open(out("lo_book.xlsx"), "rb") as f:
        whole = f.read()
    with open(out("bad_truncated.xlsx"), "wb") as f:
        f.write(whole[: len(whole) // 2])

    # The document part's compressed bytes damaged in the middle; the directory stays sound.
    with zipfile.ZipFile(out("py_letter.docx")) as z:
        info = z.getinfo("word/document.xml")
    with open(out("py_letter.docx"), "rb") as f:
        data = bytearray(f.read())
    start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
    for k in range(info.compress_size // 3, info.compress_size // 3 + 16):
        data[start + k] ^= 0x5A
    with open(out("bad_crc.docx"), "wb") as f:
        f.write(data)

    write_zip("bad_not_office.xlsx", [("readme.txt", "これはzipの中のテキストです。\n")])
    with open(out("bad_not_zip.docx"), "wb") as f:
        f.write("zipではないテキスト\n".encode("cp932"))

    sheet = f'<?xml version="1.0"?><worksheet {S}><sheetData>' + " " * (64 << 20) + \
        '</sheetData></worksheet>'
    write_zip("bad_bomb.xlsx", [
        ("_rels/.rels", f'<?xml version="1.0"?><Relationships {PKG}>'
         f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>'),
        ("xl/workbook.xml", f'<?xml version="1.0"?><workbook {S}><sheets>'
         '<sheet name="A" sheetId="1" r:id="rId1"/></sheets></workbook>'),
        ("xl/_rels/workbook.xml.rels", f'<?xml version="1.0"?><Relationships {PKG}>'
         f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/a.xml"/></Relationships>'),
        ("xl/worksheets/a.xml", sheet),
    ])

    laughs = '<!DOCTYPE d [<!ENTITY a "aaaaaaaaaa">' + "".join(
        f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 10}">' for i in range(9)) + ']>'
    write_zip("bad_doctype.docx", [
        ("word/document.xml", f'<?xml version="1.0"?>{laughs}<w:document {W}><w:body>'
         '<w:p><w:r><w:t>&j;</w:t></w:r></w:p></w:body></w:document>'),
    ])


py_book()
py_letter()
libreoffice("py_book.xlsx", "lo_book.xlsx", "xlsx")
libreoffice("py_book.xlsx", "lo_book.xls", "xls")
libreoffice("py_letter.docx", "lo_letter.docx", "docx")
hand_book()
hand_letter()
damaged()
