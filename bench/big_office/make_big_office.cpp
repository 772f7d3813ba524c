// Writes a large .doc (a Word 97 document whose text is one piece of 16-bit characters) or
// a large .xls (a BIFF8 workbook stream of LABEL records) of about the given size, to
// measure the readers' time and memory on files far larger than any fixture:
//   make_big_office doc|xls PATH MEGABYTES
// The content is written through libgsf's compound document writer a piece at a time, so
// the generator itself stays small in memory.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void PutLE(std::string& b, size_t at, uint64_t v, int bytes) {
  if (b.size() < at + bytes) b.resize(at + bytes, '\0');
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void AppendLE(std::string& b, uint64_t v, int bytes) { PutLE(b, b.size(), v, bytes); }

void Write(GsfOutput* out, const std::string& bytes) {
  if (!gsf_output_write(out, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()))) {
    std::fprintf(stderr, "write failed\n");
    std::exit(1);
  }
}

// One line of text: ASCII with a running number, ending in CR (a paragraph end).
std::string Line(uint64_t n) {
  std::string line = "line " + std::to_string(n) + ": ";
  while (line.size() < 199) line += "The quick brown fox jumps over the lazy dog. ";
  line.resize(199);
  return line + "\r";
}

void WriteDoc(GsfOutfile* root, uint64_t bytes) {
  const uint64_t chars = (bytes - 0x800) / 2;
  std::string fib(0x800, '\0');
  PutLE(fib, 0, 0xA5EC, 2);
  PutLE(fib, 2, 0x00C1, 2);
  PutLE(fib, 0x0A, 0x0200, 2);  // "1Table"
  PutLE(fib, 0x20, 14, 2);
  PutLE(fib, 0x3E, 22, 2);
  PutLE(fib, 0x4C, chars, 4);
  PutLE(fib, 0x98, 0x5D, 2);
  std::string table;
  AppendLE(table, 0x02, 1);
  AppendLE(table, 4 + 12, 4);
  AppendLE(table, 0, 4);
  AppendLE(table, chars, 4);
  AppendLE(table, 0, 2);
  AppendLE(table, 0x800, 4);
  AppendLE(table, 0, 2);
  PutLE(fib, 0x01A2, 0, 4);
  PutLE(fib, 0x01A6, table.size(), 4);

  GsfOutput* doc = gsf_outfile_new_child(root, "WordDocument", FALSE);
  Write(doc, fib);
  std::string piece;
  uint64_t written = 0;
  for (uint64_t n = 0; written < chars; ++n) {
    piece.clear();
    for (char c : Line(n)) AppendLE(piece, static_cast<unsigned char>(c), 2);
    if (written + piece.size() / 2 > chars) piece.resize((chars - written) * 2);
    Write(doc, piece);
    written += piece.size() / 2;
  }
  gsf_output_close(doc);
  g_object_unref(doc);
  GsfOutput* t = gsf_outfile_new_child(root, "1Table", FALSE);
  Write(t, table);
  gsf_output_close(t);
  g_object_unref(t);
}

void WriteXls(GsfOutfile* root, uint64_t bytes) {
  GsfOutput* book = gsf_outfile_new_child(root, "Workbook", FALSE);
  std::string bof;
  AppendLE(bof, 0x0809, 2);
  AppendLE(bof, 16, 2);
  AppendLE(bof, 0x0600, 2);
  AppendLE(bof, 0x0010, 2);  // a worksheet
  bof.resize(4 + 16, '\0');
  Write(book, bof);
  uint64_t written = bof.size();
  std::string records;
  for (uint64_t n = 0; written < bytes; ++n) {
    std::string text = Line(n);
    text.pop_back();
    std::string label;
    AppendLE(label, 0x0204, 2);
    AppendLE(label, 6 + 3 + text.size(), 2);
    AppendLE(label, n % 65536, 2);  // row
    AppendLE(label, n / 65536 % 256, 2);  // column
    AppendLE(label, 15, 2);  // xf
    AppendLE(label, text.size(), 2);
    AppendLE(label, 0, 1);  // 8-bit characters
    label += text;
    records += label;
    if (records.size() > (1u << 20)) {
      Write(book, records);
      written += records.size();
      records.clear();
    }
  }
  AppendLE(records, 0x000A, 2);  // EOF
  AppendLE(records, 0, 2);
  Write(book, records);
  gsf_output_close(book);
  g_object_unref(book);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "doc") && std::strcmp(argv[1], "xls"))) {
    std::fprintf(stderr, "usage: make_big_office doc|xls PATH MEGABYTES\n");
    return 2;
  }
  gsf_init();
  GError* error = nullptr;
  GsfOutput* file = gsf_output_stdio_new(argv[2], &error);
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  GsfOutfile* root = gsf_outfile_msole_new(file);
  const uint64_t bytes = std::strtoull(argv[3], nullptr, 10) << 20;
  if (argv[1][0] == 'd')
    WriteDoc(root, bytes);
  else
    WriteXls(root, bytes);
  gsf_output_close(GSF_OUTPUT(root));  // closes the file too
  g_object_unref(root);
  g_object_unref(file);
  return 0;
}
