#include "app/markup_check.h"

namespace cubalorn {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool startsWith(std::string_view text, size_t at, std::string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

std::string problemAt(const char* what, size_t offset) {
    return std::string(what) + " at byte " + std::to_string(offset) + " is not closed";
}

// Moves past a start or empty-element tag whose '<' is at `at`; false when
// it is not closed.
bool skipTag(std::string_view text, size_t& at) {
    size_t i = at + 1;
    while (i < text.size() && !isBlank(text[i]) && text[i] != '>' && text[i] != '/') ++i;
    for (;;) {
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i >= text.size()) return false;
        if (text[i] == '>') break;
        if (text[i] == '/') {
            if (i + 1 >= text.size() || text[i + 1] != '>') return false;
            ++i;
            break;
        }
        // An attribute: name, '=', a quoted value.
        while (i < text.size() && !isBlank(text[i]) && text[i] != '=' && text[i] != '>' &&
               text[i] != '/')
            ++i;
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i >= text.size() || text[i] != '=') return false;
        ++i;
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return false;
        const size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
    }
    at = i + 1;
    return true;
}

// Moves past markup ending with `end`, starting at `at`; false when the end
// never comes.
bool skipPast(std::string_view text, size_t& at, std::string_view end) {
    const size_t found = text.find(end, at);
    if (found == std::string_view::npos) return false;
    at = found + end.size();
    return true;
}

}  // namespace

std::string findUnclosedMarkup(std::string_view text) {
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const size_t start = i;
        if (startsWith(text, i, "<!--")) {
            // The reader ends a comment where its '<' and '>' balance, not at
            // "-->", and a comment shorter than "<!---->" gets a negative length.
            int open = 1;
            for (++i; i < text.size() && open > 0; ++i) {
                if (text[i] == '<') ++open;
                if (text[i] == '>') --open;
            }
            if (open > 0 || i - start < 7) return problemAt("a comment", start);
        } else if (startsWith(text, i, "<![CDATA[")) {
            i += 9;
            if (!skipPast(text, i, "]]>")) return problemAt("a CDATA section", start);
        } else if (startsWith(text, i, "<!")) {
            // The reader takes any other "<!" for a comment and misreads it
            // (a short one asks it for gigabytes).
            return "a declaration at byte " + std::to_string(start) +
                   " is neither a comment nor a CDATA section";
        } else if (startsWith(text, i, "</")) {
            i += 2;
            if (!skipPast(text, i, ">")) return problemAt("an end tag", start);
        } else if (startsWith(text, i, "<?")) {
            // The reader ends it at the first '>', a "?>" or not.
            i += 2;
            if (!skipPast(text, i, ">")) return problemAt("a processing instruction", start);
        } else if (!skipTag(text, i)) {
            return problemAt("a tag", start);
        }
    }
    return std::string();
}

std::string readerSafeText(std::string_view bytes, std::string& refusal) {
    refusal.clear();
    if (startsWith(bytes, 0, "\xFF\xFE") || startsWith(bytes, 0, "\xFE\xFF") ||
        startsWith(bytes, 0, std::string_view("\0\0\xFE\xFF", 4))) {
        refusal = "a UTF-16 or UTF-32 text (only 8-bit text is read)";
        return std::string();
    }
    if (const size_t zero = bytes.find('\0'); zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);
    if (startsWith(bytes, 0, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    refusal = findUnclosedMarkup(bytes);
    return refusal.empty() ? std::string(bytes) : std::string();
}

}  // namespace cubalorn
