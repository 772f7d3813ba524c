#!/usr/bin/env bash
# Regenerates the spreadsheet fixtures of this folder. LibreOffice (headless) and the
# SheetJS "xlsx" npm package are needed only to run this script, never by the tests.
#   xls_libreoffice.xls  BIFF8 by LibreOffice from the flat ODF spreadsheet written below:
#                        sheet 1 numbers, texts and formulas; sheet 2 enough long distinct
#                        texts that the shared string table runs over CONTINUE records
#   xls_sheetjs_biff2.xls  BIFF2 bare record file by SheetJS
#   xls_sheetjs_biff5.xls  BIFF5 compound document by SheetJS
#   xls_sheetjs_biff8.xls  BIFF8 compound document by SheetJS
#   xls_sheetjs_boolerr.xls  BIFF8 by SheetJS: boolean and error constants (BOOLERR records),
#                          and texts holding line ends, a TAB and backslashes
# The content is described once more in the tests, which compare the cells with it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The long texts of sheet 2: row i (1-based) holds "行<i> " followed by 40 copies of
# "abcdefghij" when i is odd, of "あいうえおかきくけこ" when i is even.
long_text() {
  local i="$1" unit="abcdefghij" s=""
  if ((i % 2 == 0)); then unit="あいうえおかきくけこ"; fi
  for _ in $(seq 1 40); do s+="$unit"; done
  echo "行$i $s"
}

{
  cat <<'HEAD'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="売上">
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>abc</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>日本語テキスト</text:p></table:table-cell>
 <table:table-cell office:value-type="float" office:value="1"/>
 <table:table-cell office:value-type="float" office:value="-5"/>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="float" office:value="0.5"/>
 <table:table-cell office:value-type="float" office:value="123.45"/>
 <table:table-cell table:formula="of:=1/3" office:value-type="float" office:value="0.333333333333333"/>
 <table:table-cell office:value-type="float" office:value="1E+20"/>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="float" office:value="0.00001"/>
 <table:table-cell office:value-type="float" office:value="0.0001"/>
 <table:table-cell office:value-type="float" office:value="123456789012345"/>
 <table:table-cell office:value-type="float" office:value="12345"/>
</table:table-row>
<table:table-row>
 <table:table-cell table:formula="of:=[.C1]+[.D1]" office:value-type="float" office:value="-4"/>
 <table:table-cell table:formula="of:=CONCATENATE(&quot;ab&quot;;&quot;cd&quot;)"/>
 <table:table-cell table:formula="of:=[.C1]&gt;0" office:value-type="boolean" office:boolean-value="true"/>
 <table:table-cell table:formula="of:=[.C1]&lt;0" office:value-type="boolean" office:boolean-value="false"/>
 <table:table-cell table:formula="of:=1/0"/>
 <table:table-cell table:formula="of:=&quot;計&quot;&amp;[.A1]"/>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>Mixed 日本 text</text:p></table:table-cell>
 <table:table-cell table:number-columns-repeated="2"/>
 <table:table-cell office:value-type="string"><text:p>ｶﾀｶﾅ～－￥</text:p></table:table-cell>
</table:table-row>
</table:table>
<table:table table:name="Data">
HEAD
  for i in $(seq 1 30); do
    echo "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>$(long_text "$i")</text:p></table:table-cell>"
    echo " <table:table-cell office:value-type=\"float\" office:value=\"$i\"/></table:table-row>"
  done
  echo '</table:table></office:spreadsheet></office:body></office:document>'
} >"$work/xls_libreoffice.fods"

# A private profile, so that another LibreOffice run elsewhere does not get in the way.
# Formulas carry no cached result, so LibreOffice computes them and writes text results
# with their STRING records.
profile="$work/profile"
soffice -env:UserInstallation="file://$profile" --headless --convert-to 'xls:MS Excel 97' \
  --outdir "$work" "$work/xls_libreoffice.fods" >/dev/null
cp "$work/xls_libreoffice.xls" "$here/"

# SheetJS: install the package in a scratch folder outside the repository.
sheetjs="${SHEETJS_DIR:-/tmp/sheetjs}"
if [ ! -d "$sheetjs/node_modules/xlsx" ]; then
  mkdir -p "$sheetjs"
  (cd "$sheetjs" && npm install --no-save xlsx >/dev/null)
fi
NODE_PATH="$sheetjs/node_modules" OUT="$here" node - <<'JS'
const XLSX = require("xlsx");
const out = process.env.OUT;
// Two worksheets: texts, integers and fractions. BIFF2 holds one sheet only.
const first = [["abc", 1, -5], [0.5, 123.45, "xyz"], [1e20, 0.00001, 12345]];
const second = [["second", 2], [3.25, "end"]];
for (const [type, sheets] of [["biff2", 1], ["biff5", 2], ["biff8", 2]]) {
  const wb = XLSX.utils.book_new();
  XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet(first), "One");
  if (sheets > 1) XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet(second), "Two");
  XLSX.writeFile(wb, `${out}/xls_sheetjs_${type}.xls`, { bookType: type });
}
// Booleans and error codes as constants, not formula results: 0x07 #DIV/0!, 0x2A #N/A.
const constants = XLSX.utils.aoa_to_sheet([
  ["flags", true, false],
  ["errors", 1, 2],
  ["two\nlines", "a\tb\r\nc", "C:\\ソ\\"],
]);
constants.B2 = { t: "e", v: 0x07 };
constants.C2 = { t: "e", v: 0x2a };
const wb = XLSX.utils.book_new();
XLSX.utils.book_append_sheet(wb, constants, "Const");
XLSX.writeFile(wb, `${out}/xls_sheetjs_boolerr.xls`, { bookType: "biff8" });
JS
