// Code page 932 (Shift-JIS) services: conversion to and from UTF-8/UTF-16, the lead-byte
// test, ASCII upper-casing that steps over 2-byte characters, and Sjis(), which turns the
// program's own UTF-8 literal texts into CP932 once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace skarvo {

// True for the lead bytes of a 2-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) noexcept {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The program's literal text (UTF-8 in the source) in CP932. Converted on first use and
// kept, so the returned reference stays valid for the whole run. A literal that has no
// CP932 form is a programming error and aborts.
const std::string& Sjis(const char* utf8Literal);

// UTF-8 -> CP932. Returns false (and leaves out unchanged) when a character has no CP932 form.
bool Utf8ToCp932(std::string_view utf8, std::string& out);
// CP932 -> UTF-8. Returns false when the bytes are not valid CP932 (out then holds the
// valid prefix).
bool Cp932ToUtf8(std::string_view cp932, std::string& out);

// Convenience forms: CP932 -> UTF-8 with U+FFFD for bytes that do not convert, and
// UTF-8 -> CP932 with "?" for characters that have no CP932 form. For display and
// diagnostics only, never for paths.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
std::string Utf8ToCp932Lossy(std::string_view utf8);

// Room enough for Cp932ToUtf8LossyTo of n bytes: no character takes more than three bytes
// in UTF-8, and a few bytes of slack the conversion writes past its end.
constexpr size_t Cp932ToUtf8LossyBound(size_t n) noexcept { return n * 3 + 8; }
// Cp932ToUtf8Lossy written at out, which has room for Cp932ToUtf8LossyBound(cp932.size())
// bytes; returns the size written. For output in bulk, without a string per text.
size_t Cp932ToUtf8LossyTo(std::string_view cp932, char* out);

// UTF-16 (little-endian code units) -> CP932, characters without a CP932 form become "?"
// as the platform's default conversion gives them.
std::string Utf16ToCp932(std::u16string_view utf16);

// Upper-cases ASCII a-z, stepping over 2-byte characters so their second bytes stay.
std::string UpperCaseCp932(std::string_view text);

}  // namespace skarvo
