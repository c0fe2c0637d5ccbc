#pragma once
// A strict reader of the JSON documents the command-line modes print, as a script's parser reads
// them: RFC 8259 only (no raw control characters in texts, no trailing commas, nothing after the
// document), escapes and surrogate pairs decoded, UTF-8 checked. It knows texts, arrays and
// objects, which is all the modes print; anything else is an error.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace purgeon::test {

// One object, its names and texts in the order printed.
struct JsonRow {
    std::vector<std::pair<std::wstring, std::wstring>> fields;
    // The text of `name`; throws std::out_of_range when the object has none.
    const std::wstring& at(const std::wstring& name) const;
};

// The array of flat objects a mode prints, or nullopt with `error` saying where it broke.
std::optional<std::vector<JsonRow>> ReadJsonRows(const std::string& utf8, std::string* error = nullptr);

}  // namespace purgeon::test
