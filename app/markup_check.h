#pragma once
// The engine's XML reader runs past the end of its text when a piece of
// markup is left open ("<a ", "<!--", "<?xml", an attribute without its
// closing quote), and it guesses wide encodings from byte-order marks. So
// the configuration is handed to it only as 8-bit text that this check has
// found closed everywhere.

#include <string>
#include <string_view>

namespace cubalorn {

// Why `text` cannot be handed to the XML reader ("" when it can): the first
// piece of markup that is not closed, with its byte offset. Stricter than the
// reader: every attribute must be name="value" or name='value', and "<!"
// opens only a comment or a CDATA section (no DOCTYPE).
std::string findUnclosedMarkup(std::string_view text);

// The text the reader gets from a file's bytes: up to the first zero byte
// (as a C text would end), without a UTF-8 byte-order mark. Empty with
// `refusal` set for a UTF-16 or UTF-32 byte-order mark, or when
// findUnclosedMarkup finds a problem.
std::string readerSafeText(std::string_view bytes, std::string& refusal);

}  // namespace cubalorn
