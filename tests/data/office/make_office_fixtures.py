#!/usr/bin/python3
# Writes the office fixtures of this folder with LibreOffice (headless, a throw-away
# profile), from content chosen here:
#   sheets.xls  three sheets "一", "二", "三"; every sheet has a title in A1, sheet 2 holds
#               "目印" in C7 and "遠く" in AB12 (Excel 97 format)
#   letter.doc  two paragraphs of Japanese text (Word 97 format)
# Run: /usr/bin/python3 tests/data/office/make_office_fixtures.py
import os
import shutil
import subprocess
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


here = os.path.dirname(os.path.abspath(__file__))
profile = tempfile.mkdtemp(prefix="skarvo-fixtures-")
pipe = "skarvo-fixtures-%d" % os.getpid()
office = subprocess.Popen(["soffice", "--headless", "--norestore", "--nologo", "--nodefault",
                           "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
                           "--accept=pipe,name=%s;urp;" % pipe], start_new_session=True)
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver",
                                                          local)
for _ in range(240):
    try:
        context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        break
    except Exception:
        time.sleep(0.25)
desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
try:
    calc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                        (prop("Hidden", True),))
    sheets = calc.getSheets()
    first = sheets.getByIndex(0).getName()
    for number, name in enumerate(["一", "二", "三"]):
        sheets.insertNewByName(name, number)
    sheets.removeByName(first)
    for number in range(3):
        sheets.getByIndex(number).getCellByPosition(0, 0).setString("シート%d" % (number + 1))
    sheets.getByIndex(1).getCellByPosition(2, 6).setString("目印")
    sheets.getByIndex(1).getCellByPosition(27, 11).setString("遠く")
    calc.storeToURL(uno.systemPathToFileUrl(os.path.join(here, "sheets.xls")),
                    (prop("FilterName", "MS Excel 97"),))
    calc.close(True)

    writer = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0,
                                          (prop("Hidden", True),))
    writer.getText().setString("最初の段落です。\n二番目の段落に目印があります。")
    writer.storeToURL(uno.systemPathToFileUrl(os.path.join(here, "letter.doc")),
                      (prop("FilterName", "MS Word 97"),))
    writer.close(True)
finally:
    try:
        desktop.terminate()
    except Exception:
        pass
    office.wait(timeout=60)
    shutil.rmtree(profile, ignore_errors=True)
