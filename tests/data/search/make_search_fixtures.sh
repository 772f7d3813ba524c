#!/usr/bin/env bash
# Regenerates the search fixture tree of this folder. Text files are written here as
# Shift-JIS; the .doc and .xls files are made by LibreOffice (headless) from flat ODF
# written here. LibreOffice is needed only to run this script, never by the tests.
#   tree/a.txt             CR LF lines: ASCII, Japanese, a line matching "a.b" literally
#   tree/B.TXT             upper-case extension, LF lines
#   tree/sub/c.doc         paragraphs with "abc" and Japanese text
#   tree/sub/d.xls         two sheets: ABC before abc, "C:\new", a cell in column AA,
#                          a number, a cell with a line break
#   tree/sub/deep/e.txt    one hit three levels down
#   tree/skip.csv          not a target with the default extension list
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tree="$here/tree"
rm -rf "$tree"
mkdir -p "$tree/sub/deep"

sjis() { iconv -f UTF-8 -t CP932; }
printf 'first line\r\nabc here\r\n日本語の行 abc\r\naxb and a.b\r\nno hit\r\n' | sjis >"$tree/a.txt"
printf 'ABC upper\nlower abc\n' | sjis >"$tree/B.TXT"
printf 'x\ny\nzabcz\n' | sjis >"$tree/sub/deep/e.txt"
printf 'abc in a csv\n' | sjis >"$tree/skip.csv"

cat >"$work/c.fodt" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
<text:p>文書の最初の段落</text:p>
<text:p>abc in a document</text:p>
<text:p>全角ＡＢＣ</text:p>
<text:p>last ABC paragraph</text:p>
</office:text></office:body></office:document>
XML

cell() { echo "<table:table-cell office:value-type=\"string\"><text:p>$1</text:p></table:table-cell>"; }
cat >"$work/d.fods" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="One">
<table:table-row>$(cell ABC)$(cell other)</table:table-row>
<table:table-row>$(cell 'C:\new')<table:table-cell office:value-type="float" office:value="12.5"><text:p>12.5</text:p></table:table-cell></table:table-row>
<table:table-row>$(cell abc)</table:table-row>
</table:table>
<table:table table:name="Two">
<table:table-row><table:table-cell table:number-columns-repeated="26"/>$(cell 'abc at AA1')</table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>two</text:p><text:p>lines abc</text:p></table:table-cell>$(cell 日本語abc)</table:table-row>
</table:table>
</office:spreadsheet></office:body></office:document>
XML

soffice -env:UserInstallation=file:///tmp/lo-search --headless --convert-to 'doc:MS Word 97' \
  --outdir "$work" "$work/c.fodt" >/dev/null
soffice -env:UserInstallation=file:///tmp/lo-search --headless \
  --convert-to 'xls:MS Excel 97' --outdir "$work" "$work/d.fods" >/dev/null
cp "$work/c.doc" "$tree/sub/c.doc"
cp "$work/d.xls" "$tree/sub/d.xls"
