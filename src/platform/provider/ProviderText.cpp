#include "ProviderText.h"

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < line.size()) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t", pos);
        if (end == std::string_view::npos) end = line.size();
        out.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        out.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return out;
}

std::optional<double> ReadNumber(const TRootFs& fs, const std::string& path)
{
    auto text = fs.ReadText(path);
    return text ? ToNumber<double>(*text) : std::nullopt;
}

// The value of "Key=value" in a uevent file.
std::optional<std::string> UeventValue(const std::optional<std::string>& text, std::string_view key)
{
    if (!text) return std::nullopt;
    for (std::string_view line : Lines(*text))
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
    return std::nullopt;
}

// A name as shown: valid UTF-8 (each byte that is not part of a valid
// sequence becomes U+FFFD), each control character one blank, no blanks
// around it. A chip's name or label may hold anything its driver wrote.
std::string CleanName(std::string_view text)
{
    static constexpr std::string_view Replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if ((next & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not valid either.
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            length = 0;
        if (length == 0) {
            out += Replacement;
            ++i;
            continue;
        }
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += ' ';
        else
            out.append(text.substr(i, length));
        i += length;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// An identifier as stored in the settings file and quoted in queries:
// printable ASCII without blanks, and none of the characters the settings
// file or the query language would read otherwise.
std::string CleanIdentifier(std::string text)
{
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '=' || c == '[' || c == ']' || c == '"' || c == '\\') c = '_';
    }
    return text;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    return s;
}
