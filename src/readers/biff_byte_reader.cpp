#include "readers/biff_byte_reader.h"

#include "platform/codepage.h"

namespace skarvo {
namespace {

void Check(bool ok) {
  if (!ok) throw BiffReadError();
}

}  // namespace

BiffReadError::BiffReadError() : Exception(Sjis("ストリーム読込みエラー.")) {}

uint8_t BiffByteReader::U8() {
  uint8_t value = 0;
  Check(reader_.ReadU8(value));
  return value;
}

uint16_t BiffByteReader::U16() {
  uint16_t value = 0;
  Check(reader_.ReadU16(value));
  return value;
}

uint32_t BiffByteReader::U32() {
  uint32_t value = 0;
  Check(reader_.ReadU32(value));
  return value;
}

double BiffByteReader::F64() {
  double value = 0;
  Check(reader_.ReadDouble(value));
  return value;
}

std::string_view BiffByteReader::Bytes(size_t count) {
  std::string_view bytes;
  Check(reader_.ReadBytes(count, bytes));
  return bytes;
}

void BiffByteReader::Skip(size_t count) { Check(reader_.Skip(count)); }

void BiffByteReader::Seek(size_t position) { Check(reader_.Seek(position)); }

}  // namespace skarvo
