#include "core/settings/profile_text.h"

#include <vector>

#include "core/settings/line_ends.h"

namespace profile {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section name or key name, trimmed
    std::string_view value;  // raw text after '=' for a key
};

Parsed parse(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() == ';') return {};
    if (t.front() == '[') {
        std::string_view name = t.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        return {Kind::Section, trim(name), {}};
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return {};
    return {Kind::Key, trim(t.substr(0, eq)), t.substr(eq + 1)};
}

std::string_view contentOf(std::string_view file, const Line& l) { return file.substr(l.begin, l.end - l.begin); }

// Index of the header line of the first matching section.
std::optional<std::size_t> findSection(std::string_view file, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(contentOf(file, lines[i]));
        if (p.kind == Kind::Section && sameName(p.name, section)) return i;
    }
    return std::nullopt;
}

std::string_view unquote(std::string_view v) {
    v = trim(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

std::optional<std::string> lookup(std::string_view file, std::string_view section, std::string_view key) {
    const std::vector<Line> lines = splitLines(file);
    const auto header = findSection(file, lines, section);
    if (!header) return std::nullopt;
    for (std::size_t i = *header + 1; i < lines.size(); ++i) {
        const Parsed p = parse(contentOf(file, lines[i]));
        if (p.kind == Kind::Section) break;
        if (p.kind == Kind::Key && sameName(p.name, key)) return std::string(unquote(p.value));
    }
    return std::nullopt;
}

std::string invalidEntryReason(std::string_view section, std::string_view key, std::string_view value) {
    auto hasLineBreak = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return "a line break cannot be stored in a settings value";
    if (trim(section).empty() || section.find(']') != std::string_view::npos) return "invalid section name";
    const std::string_view k = trim(key);
    if (k.empty() || k.front() == '[' || k.front() == ';' || key.find('=') != std::string_view::npos)
        return "invalid key name";
    return {};
}

std::string withValue(std::string_view file, std::string_view section, std::string_view key, std::string_view value,
                      std::string_view newFileEol) {
    const std::string_view eol = lineEndingOf(file, newFileEol);
    const std::vector<Line> lines = splitLines(file);
    std::string out(file);

    const auto header = findSection(file, lines, section);
    if (!header) {
        out += lineEndNeededAfter(out, eol);
        out += "[";
        out += trim(section);
        out += "]";
        out += eol;
        out.append(trim(key)).append("=").append(value).append(eol);
        return out;
    }

    std::size_t insertAfter = *header;
    for (std::size_t i = *header + 1; i < lines.size(); ++i) {
        const Parsed p = parse(contentOf(file, lines[i]));
        if (p.kind == Kind::Section) break;
        if (p.kind != Kind::Key) continue;
        if (sameName(p.name, key)) {
            // Keep the key as it is spelled in the file; only the value changes.
            std::string line(p.name);
            line.append("=").append(value);
            out.replace(lines[i].begin, lines[i].end - lines[i].begin, line);
            return out;
        }
        insertAfter = i;
    }

    const Line& after = lines[insertAfter];
    std::string entry;
    if (after.next == file.size()) entry += lineEndNeededAfter(file, eol);
    entry.append(trim(key)).append("=").append(value).append(eol);
    out.insert(after.next, entry);
    return out;
}

}  // namespace profile
