#!/usr/bin/env bash
# Regenerates the word-processor fixtures of this folder with LibreOffice (headless), from
# flat ODF text written here. LibreOffice is needed only to run this script, never by tests.
#   doc_paragraphs.doc  Japanese and ASCII paragraphs, saved as "MS Word 97"
#   doc_long.doc        enough paragraphs that the text spans many sectors
# The older kinds of document are hand-built by make_doc_handbuilt.py.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fodt() {  # fodt FILE PARAGRAPH...
  local file="$1"
  shift
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
    echo ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"'
    echo ' office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">'
    echo '<office:body><office:text>'
    local p
    for p in "$@"; do echo "<text:p>$p</text:p>"; done
    echo '</office:text></office:body></office:document>'
  } >"$file"
}

fodt "$work/doc_paragraphs.fodt" \
  "検索対象の文書です。" \
  "Hello, world: plain ASCII text." \
  "全角ＡＢＣと半角ｶﾀｶﾅ、記号～－￥" \
  "" \
  "Mixed 日本語 and English 123." \
  "最後の段落"

long=()
for i in $(seq 1 300); do long+=("段落 $i: The quick brown fox jumps over the lazy dog. いろはにほへと"); done
fodt "$work/doc_long.fodt" "${long[@]}"

soffice -env:UserInstallation=file:///tmp/lo-doc --headless --convert-to 'doc:MS Word 97' \
  --outdir "$work" "$work/doc_paragraphs.fodt" "$work/doc_long.fodt" >/dev/null
cp "$work/doc_paragraphs.doc" "$work/doc_long.doc" "$here/"
