#include "platform/plain_text.h"

#include <cstdint>

namespace tessel {

namespace {

// Decodes one UTF-8 sequence at `i` (shortest form only, no surrogates).
// Returns its length and the code point, or 0 for a byte that starts none.
size_t decodeUtf8(std::string_view s, size_t i, uint32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  size_t n = 0;
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

bool isControl(uint32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F); }
bool isDirectionOverride(uint32_t cp) { return (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069); }

}  // namespace

NameCheck checkName(std::string_view name) {
  size_t characters = 0;
  for (size_t i = 0; i < name.size();) {
    uint32_t cp = 0;
    const size_t n = decodeUtf8(name, i, cp);
    if (n == 0) return NameCheck::NotUtf8;
    if (isControl(cp) || isDirectionOverride(cp)) return NameCheck::ControlCharacter;
    ++characters;
    i += n;
  }
  return characters > kMaxNameLength ? NameCheck::TooLong : NameCheck::Ok;
}

std::string nameCheckText(NameCheck check) {
  switch (check) {
    case NameCheck::Ok: return {};
    case NameCheck::ControlCharacter:
      return "a name cannot hold control characters (new line, tab, escape and the like)";
    case NameCheck::TooLong: return "a name is at most " + std::to_string(kMaxNameLength) + " characters long";
    case NameCheck::NotUtf8: return "a name must be UTF-8 text";
  }
  return {};
}

std::string printableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    const size_t n = decodeUtf8(text, i, cp);
    if (n == 0 || isControl(cp) || isDirectionOverride(cp)) {
      out += '?';
      i += n == 0 ? 1 : n;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

std::string plainName(std::string_view text, size_t maxCharacters) {
  const std::string plain = printableText(text);
  size_t end = 0;
  for (size_t characters = 0; end < plain.size() && characters < maxCharacters; ++characters) {
    uint32_t cp = 0;
    end += decodeUtf8(plain, end, cp);  // printable text is all whole sequences
  }
  return plain.substr(0, end);
}

}  // namespace tessel
