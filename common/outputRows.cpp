#include "common/outputRows.h"

#include "common/funUtils.h"
#include "common/textParse.h"

namespace purgeon {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendJsonString(const std::wstring& text, std::wstring& out) {
    out += L'"';
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        switch (c) {
            case L'"': out += L"\\\""; continue;
            case L'\\': out += L"\\\\"; continue;
            case L'\b': out += L"\\b"; continue;
            case L'\f': out += L"\\f"; continue;
            case L'\n': out += L"\\n"; continue;
            case L'\r': out += L"\\r"; continue;
            case L'\t': out += L"\\t"; continue;
            default: break;
        }
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += c;
            out += text[++i];
        } else if (c < 0x20 || c == 0x7F || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            out += Format(L"\\u%04x", static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
    out += L'"';
}

}  // namespace

std::wstring RowLine(const OutputRow& row) {
    std::wstring line;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line += L'\t';
        line += OneLineField(row[i].value);
    }
    return line + L'\n';
}

std::wstring JsonObject(const OutputRow& row) {
    std::wstring object = L"{";
    for (const OutputField& field : row) {
        if (object.size() > 1) object += L',';
        AppendJsonString(field.name, object);
        object += L':';
        AppendJsonString(field.value, object);
    }
    return object + L'}';
}

OutputRow ErrorRow(const std::wstring& message) { return {{L"result", L"error"}, {L"message", message}}; }

}  // namespace purgeon
