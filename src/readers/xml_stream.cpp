#include "readers/xml_stream.h"

#include <expat.h>

#include <cstring>

#include "readers/package_refusal.h"

namespace skarvo {

namespace {
constexpr char kNamespaceSeparator = '|';
}  // namespace

std::string_view XmlLocalName(std::string_view name) {
  const size_t bar = name.rfind(kNamespaceSeparator);
  return bar == std::string_view::npos ? name : name.substr(bar + 1);
}

const char* XmlAttributes::Find(std::string_view local) const {
  for (const char** p = pairs_; p && p[0]; p += 2)
    if (XmlLocalName(p[0]) == local) return p[1];
  return nullptr;
}

struct XmlStream::Parser {
  XML_Parser expat = nullptr;
  XmlHandler* handler = nullptr;
  std::exception_ptr thrown;  // from the handler, carried past expat's C frames
  bool doctype = false;

  // Runs a handler call; an exception stops the parse and is kept for Feed to throw.
  template <typename Call>
  void Guard(Call call) {
    if (thrown) return;
    try {
      call();
    } catch (...) {
      thrown = std::current_exception();
      XML_StopParser(expat, XML_FALSE);
    }
  }

  static std::pair<std::string_view, std::string_view> Split(const XML_Char* name) {
    std::string_view whole(name);
    const size_t bar = whole.rfind(kNamespaceSeparator);
    if (bar == std::string_view::npos) return {std::string_view(), whole};
    return {whole.substr(0, bar), whole.substr(bar + 1)};
  }

  static void Start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<Parser*>(data);
    self->Guard([&] {
      const auto [uri, local] = Split(name);
      self->handler->OnStart(uri, local, XmlAttributes(attributes));
    });
  }
  static void End(void* data, const XML_Char* name) {
    auto* self = static_cast<Parser*>(data);
    self->Guard([&] {
      const auto [uri, local] = Split(name);
      self->handler->OnEnd(uri, local);
    });
  }
  static void Text(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<Parser*>(data);
    self->Guard(
        [&] { self->handler->OnText(std::string_view(text, static_cast<size_t>(length))); });
  }
  static void Doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* self = static_cast<Parser*>(data);
    self->doctype = true;
    XML_StopParser(self->expat, XML_FALSE);
  }
};

XmlStream::XmlStream(XmlHandler& handler) : parser_(std::make_unique<Parser>()) {
  parser_->handler = &handler;
  parser_->expat = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
  if (parser_->expat == nullptr) throw std::bad_alloc();
  XML_SetUserData(parser_->expat, parser_.get());
  XML_SetElementHandler(parser_->expat, &Parser::Start, &Parser::End);
  XML_SetCharacterDataHandler(parser_->expat, &Parser::Text);
  XML_SetStartDoctypeDeclHandler(parser_->expat, &Parser::Doctype);
}

XmlStream::~XmlStream() {
  if (parser_->expat) XML_ParserFree(parser_->expat);
}

void XmlStream::Feed(std::string_view piece, bool last) {
  // expat takes an int length: long pieces go in parts.
  constexpr size_t kMaxPart = size_t{1} << 30;
  do {
    const size_t part = std::min(piece.size(), kMaxPart);
    const bool end = last && part == piece.size();
    const XML_Status status =
        XML_Parse(parser_->expat, piece.data(), static_cast<int>(part), end ? XML_TRUE : XML_FALSE);
    if (parser_->thrown) std::rethrow_exception(parser_->thrown);
    if (status != XML_STATUS_OK || parser_->doctype) throw EPackageRefused(DamagedPackageText());
    piece.remove_prefix(part);
  } while (!piece.empty());
}

}  // namespace skarvo
