#pragma once
// What a command-line mode prints, one row at a time: named fields in order. The tab-separated
// line and the JSON object are two forms of the same row, so a mode is written once for both.
#include <functional>
#include <string>
#include <vector>

namespace purgeon {

struct OutputField {
    const wchar_t* name;  // the column's name in the JSON form
    std::wstring value;
};
using OutputRow = std::vector<OutputField>;
using RowOutput = std::function<void(const OutputRow& row)>;

// The values joined by tabs, tabs and line breaks inside them as blanks, ending in a line break.
std::wstring RowLine(const OutputRow& row);

// {"name":"value",...} with every text escaped: quotes, backslashes and control characters, and
// a lone surrogate (a registry name may hold one) as its \u escape, so the UTF-8 stays valid.
std::wstring JsonObject(const OutputRow& row);

// A mode's error as a row: "error\tMESSAGE".
OutputRow ErrorRow(const std::wstring& message);

}  // namespace purgeon
