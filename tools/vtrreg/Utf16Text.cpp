#include "tools/vtrreg/Utf16Text.h"

#include "platform/modAPI.h"

namespace {

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

#ifdef _WIN32
// Only ever given what Utf16ToUtf8 made, so the input is well-formed.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}
#endif

}  // namespace

std::u16string Utf16FromLittleEndian(const uint8_t* bytes, size_t count) {
  std::u16string wide;
  wide.reserve(count / 2);
  for (size_t i = 0; i + 1 < count; i += 2) wide += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return wide;
}

bool Utf16ToUtf8(const std::u16string& text, std::string& out, size_t* badIndex) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    const bool high = code >= 0xD800 && code <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      if (badIndex != nullptr) *badIndex = i;
      return false;
    }
    AppendUtf8(out, code);
  }
  return true;
}

bool NarrowFromUtf16(const std::u16string& text, std::string& narrow) {
#ifdef _WIN32
  narrow.clear();
  if (text.empty()) return true;
  const UINT codePage = GetACP();
  // The UTF-8 code page takes neither the flag nor the default-character test.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  LPBOOL usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const auto* wide = reinterpret_cast<LPCWCH>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, flags, wide, units, nullptr, 0, nullptr, usedDefaultOut);
  if (size <= 0 || usedDefault) return false;
  narrow.resize(static_cast<size_t>(size));
  WideCharToMultiByte(codePage, flags, wide, units, narrow.data(), size, nullptr, usedDefaultOut);
  return !usedDefault;
#else
  return Utf16ToUtf8(text, narrow);
#endif
}

bool NarrowFromUtf8(const std::string& text, std::string& narrow) {
#ifdef _WIN32
  return NarrowFromUtf16(Utf8ToUtf16(text), narrow);
#else
  narrow = text;
  return true;
#endif
}
