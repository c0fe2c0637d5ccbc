#include "tests/support/jsonReader.h"

#include <stdexcept>

namespace purgeon::test {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    std::vector<JsonRow> Document() {
        std::vector<JsonRow> rows;
        Expect('[');
        if (!Take(']')) {
            do rows.push_back(Object());
            while (Take(','));
            Expect(']');
        }
        Blanks();
        if (at_ != text_.size()) Fail("text after the document");
        return rows;
    }

private:
    [[noreturn]] void Fail(const std::string& why) const {
        throw std::runtime_error(why + " at byte " + std::to_string(at_));
    }
    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected '") + c + "'");
    }
    JsonRow Object() {
        JsonRow row;
        Expect('{');
        if (Take('}')) return row;
        do {
            Blanks();
            std::wstring name = String();
            Expect(':');
            Blanks();
            for (const auto& field : row.fields)
                if (field.first == name) Fail("a name twice in one object");
            row.fields.emplace_back(std::move(name), String());
        } while (Take(','));
        Expect('}');
        return row;
    }
    unsigned Hex4() {
        if (at_ + 4 > text_.size()) Fail("short \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            value <<= 4;
            if (c >= '0' && c <= '9') value |= c - '0';
            else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') value |= c - 'A' + 10;
            else Fail("bad \\u escape");
        }
        return value;
    }
    // One UTF-8 character, checked: no overlong forms, no encoded surrogates, nothing past U+10FFFF.
    void Utf8Character(std::wstring& out) {
        const unsigned char lead = text_[at_++];
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || lead > 0xF4) Fail("bad UTF-8");
        unsigned code = lead & (0x3F >> extra);
        for (int i = 0; i < extra; ++i) {
            if (at_ >= text_.size() || (static_cast<unsigned char>(text_[at_]) & 0xC0) != 0x80) Fail("bad UTF-8");
            code = code << 6 | (static_cast<unsigned char>(text_[at_++]) & 0x3F);
        }
        static const unsigned least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) Fail("bad UTF-8");
        if (code >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);
        }
    }
    std::wstring String() {
        if (at_ >= text_.size() || text_[at_] != '"') Fail("expected a text (the modes print only texts)");
        ++at_;
        std::wstring out;
        for (;;) {
            if (at_ >= text_.size()) Fail("unended text");
            const unsigned char c = text_[at_];
            if (c == '"') return ++at_, out;
            if (c < 0x20) Fail("a raw control character in a text");
            if (c >= 0x80) {
                Utf8Character(out);
                continue;
            }
            ++at_;
            if (c != '\\') {
                out += static_cast<wchar_t>(c);
                continue;
            }
            if (at_ >= text_.size()) Fail("unended escape");
            switch (text_[at_++]) {
                case '"': out += L'"'; break;
                case '\\': out += L'\\'; break;
                case '/': out += L'/'; break;
                case 'b': out += L'\b'; break;
                case 'f': out += L'\f'; break;
                case 'n': out += L'\n'; break;
                case 'r': out += L'\r'; break;
                case 't': out += L'\t'; break;
                case 'u': out += static_cast<wchar_t>(Hex4()); break;
                default: Fail("bad escape");
            }
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

const std::wstring& JsonRow::at(const std::wstring& name) const {
    for (const auto& field : fields)
        if (field.first == name) return field.second;
    throw std::out_of_range("no field of that name");
}

std::optional<std::vector<JsonRow>> ReadJsonRows(const std::string& utf8, std::string* error) {
    try {
        return Reader(utf8).Document();
    } catch (const std::runtime_error& failure) {
        if (error) *error = failure.what();
        return std::nullopt;
    }
}

}  // namespace purgeon::test
