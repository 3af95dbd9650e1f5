#pragma once
// Text a person reads: the names users give (profiles, macros, styles) and
// anything from outside that ends up on a terminal (server answers, file
// contents, names kept in older files).
//
// A name holds no control character (C0, DEL, C1) and at most 64 characters:
// a newline or an escape sequence in a name forges rows in a listing or
// drives the terminal, and 100 KB names make every listing unreadable.
// Text from outside is never refused for display, only made harmless:
// printableText() replaces each control character and each byte that is
// not UTF-8 with '?', so nothing shown can move the cursor, set the title
// or clear the screen. The Unicode direction overrides (U+202A..U+202E,
// U+2066..U+2069) are replaced too: they make a line read differently from
// what it holds.
#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr size_t kMaxNameLength = 64;  // characters (code points)

enum class NameCheck { Ok, ControlCharacter, TooLong, NotUtf8 };

// Checks a new name; white space and emptiness are the stores' own business.
NameCheck checkName(std::string_view name);
// One line saying what is wrong ("a name holds no control characters ..."),
// empty for Ok.
std::string nameCheckText(NameCheck check);

// A name made from outside text (an imported file's name): printableText()
// cut to at most `maxCharacters` characters, so that it passes checkName().
std::string plainName(std::string_view text, size_t maxCharacters = kMaxNameLength);

// The text with every control character, direction override and byte that is
// not UTF-8 replaced by '?'. Tabs are replaced too (they break columns).
std::string printableText(std::string_view text);

}  // namespace tessel
