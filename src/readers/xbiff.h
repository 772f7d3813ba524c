// TXBiff, the spreadsheet cell reader: reads an .xls file (BIFF2 to BIFF8, a bare record
// file or a compound document holding a "Workbook" or "Book" stream) and reports every
// cell value as CP932 text through OnReadCell, in the order of the records. It keeps
// nothing between reads but the last file name and progress.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skarvo {

class ByteSource;

// How the record stream lays out FORMULA, STRING and sheet-name records, decided by the
// stream's container and its first BOF record.
enum class TBiffLayout { Plain, Biff3, Book, Workbook, Biff8 };

class TXBiff;

using TOnProgressEvent = std::function<void(TXBiff& sender, int32_t progress)>;
using TOnReadCellEvent =
    std::function<void(TXBiff& sender, int32_t sheetNo, int32_t row, int32_t col, int32_t rgbAttr,
                       const std::string& data, bool& cancel)>;
using TOnReadColWEvent =
    std::function<void(TXBiff& sender, int32_t sheetNo, int32_t col, int32_t width)>;
using TOnReadSheetNameEvent = std::function<void(TXBiff& sender, const std::string& sheetName)>;

class TXBiff {
 public:
  // Each event is fired only when set.
  TOnProgressEvent OnProgress;            // after each record, then once with 0 at the end
  TOnReadCellEvent OnReadCell;            // one call per cell value
  TOnReadColWEvent OnReadColW;            // one call per column of a COLINFO record
  TOnReadSheetNameEvent OnReadSheetName;  // one call per worksheet in the sheet list

  // Stores `fileName`, obtains the record stream (the "Workbook" or "Book" stream of a
  // compound document, else the whole file) and reads it as ReadRecordStream does.
  // Throws Exception("ﾌｧｲﾙを開くことに失敗しました") before any event when the file
  // cannot be read; other errors as ReadRecordStream. Exceptions thrown by a handler pass
  // through.
  void ReadWorkbook(const std::string& fileName);

  // ReadWorkbook on the bytes of a file already in memory (FileName is left as it is).
  // Bytes that begin with the compound document signature must open as one.
  void ReadWorkbookBytes(std::string bytes);

  // Reads a record stream held in memory. `container` is Plain for a bare file, Workbook
  // or Book for the stream of that name; the first BOF record may change it. Fires the
  // events in record order and returns at the end of the stream or after the record
  // whose cell handler set its cancel flag. Throws Exception("未知のフォーマット.") for
  // an SST or CONTINUE record longer than 8224 bytes (cells reported before stay
  // reported). Damaged records never make it read outside `stream`: a record whose
  // fields do not fit in its length yields nothing, and one cut off by the end of the
  // stream is read as far as it goes.
  void ReadRecordStream(std::string_view stream, TBiffLayout container);
  // The same for a stream read in pieces: only a window of it is held at a time.
  void ReadRecordSource(ByteSource& stream, TBiffLayout container);

  // The file of the last ReadWorkbook call.
  const std::string& FileName() const { return fileName_; }
  // The last percentage computed for OnProgress.
  int32_t Progress() const { return progress_; }
  // The layout family of the last read.
  TBiffLayout Layout() const { return layout_; }

 private:
  friend class XBiffRecordParser;

  std::string fileName_;
  int32_t progress_ = 0;
  TBiffLayout layout_ = TBiffLayout::Plain;
};

}  // namespace skarvo
