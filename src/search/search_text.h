// The texts of the search run: the rows it builds for the result list, the cell labels of
// spreadsheet hits, the clean-up of extracted office text, the plain substring test, the
// progress text and where an office file's extracted text lives. Every text is CP932.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace skarvo {

// How a target is read, decided by its extension without case: ".xls" and ".xlsx"
// spreadsheet, ".doc" and ".docx" word-processor document, anything else text.
enum class TargetKind { kText, kSpreadsheet, kWordProcessor };

// The kind of the file at path (the extension is taken from the last path element).
TargetKind ClassifyTarget(std::string_view path);

// Deletes every backslash-n pair (either case of n, never starting on the second byte of
// a 2-byte character), then every CR and LF.
std::string RemoveLineBreaks(std::string_view text);

// The two-character column name of a 0-based column: " A" to " Z", then "AA" to "ZZ"; a
// first part past "Z" is the text "Err".
std::string ColumnLetters(int col);

// "【Excel,Sheet<sheetNo>,<ColumnLetters(col)><row + 1>セル】" for 0-based row and col.
std::string CellLabel(int sheetNo, int row, int col);

// True when searchString occurs in line, never starting on the second byte of a 2-byte
// character. Without caseSensitive both are compared after UpperCaseCp932. An empty
// search string is never contained.
bool ContainsSearchString(std::string_view line, std::string_view searchString, bool caseSensitive);

// True when text ends in a lead byte that stands alone (its second byte missing): such a
// plain search text would match the first half of a 2-byte character.
bool EndsInLoneLeadByte(std::string_view text);
// Refuses a plain search text that EndsInLoneLeadByte, raising Exception with
// "検索する文字列が２バイト文字の途中で終わっています。"; a plain search and a plain replace
// match whole characters only, as a pattern does.
void CheckPlainSearchText(std::string_view text);

// The result rows. Header: `"<path>",の検索結果`.
std::string FileHeaderRowText(std::string_view path);
// A text file's hit: "【<lineNo>列目】<line>".
std::string TextHitRowText(int64_t lineNo, std::string_view line);
// The same text put into out (its room is reused, so rows made one after another allocate
// only while lines grow).
void AssignTextHitRowText(std::string& out, int64_t lineNo, std::string_view line);
// A word-processor hit: "【Wordファイル】<line>".
std::string WordHitRowText(std::string_view line);

// The path of a result header row: the text between its leading '"' and its closing
// `",の検索結果`, so a path holding quotes or commas comes back whole; a text of another
// shape gives its first item as comma text with '"' quoting.
std::string HeaderRowPath(std::string_view headerText);

// The progress text of row i of n: "■" t times, "□" 10 - t times, "検索中", with
// t = trunc(i * 10 / (n - 1)); a list of one row shows the full bar.
std::string SearchProgressText(int64_t i, int64_t n);

// Where the extracted text of an office target lives: tempFolder followed by the target's
// full path. "." and ".." elements of the target are dropped (".." removes the element
// before it), so the result always lies inside tempFolder.
std::string ExtractedTextPath(std::string_view tempFolder, std::string_view target);

// The message after a run that found nothing: `"<searchText>"は見つかりませんでした。`.
std::string NotFoundMessage(std::string_view searchText);

// Reads a text file in pieces and calls onLine(lineNo, hit) for each line, lineNo from 1,
// with hit the line's text when the line holds searchString (ContainsSearchString's rule)
// and null when it does not. Lines end at CR LF, a lone CR or a lone LF; text after the last
// line end is a line of its own when it is not empty. A zero byte is read as a blank, so the
// rest of the line is still searched. A line is held whole only when it holds the string:
// a longer line is looked at a piece (of about piece bytes) at a time, and its head is read
// again from the file when the string turns up. onLine returns false to stop; a stop asked
// for on stop (from any thread) is looked at before each piece is read and stops as well.
// Returns false when the file cannot be opened or read.
inline constexpr size_t kLinePiece = size_t{1} << 20;
bool ForEachTextLine(const std::string& path, std::string_view searchString, bool caseSensitive,
                     const std::function<bool(int64_t lineNo, const std::string* hit)>& onLine,
                     size_t piece = kLinePiece, std::stop_token stop = {});

}  // namespace skarvo
