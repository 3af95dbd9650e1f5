#pragma once
// Settings as data, for `tesselctl get KIND` and `tesselctl set KIND KEY=VALUE...`:
// each device kind describes its settings as one table of rows (key name,
// value type and range, how to read the value from the kind's model, how to
// write it). Parsing, printing, range checks and error texts are written
// once, here, for every kind.
//
// Value types and their text:
//   Integer  decimal ("5200"); a range is checked
//   Boolean  1 / 0 (also true/false, on/off, yes/no on input)
//   Colour   RRGGBB hex ("FF8000"; a leading '#' and lower case accepted)
//   Text     the row's own grammar (a button's function: "mouse:left")
//
// `get` prints "key=value" lines (or one JSON object, --json) in table
// order, leaving out rows whose value is unavailable (a DPI needs the
// mouse's scale); `set` accepts those lines back. A set checks every pair
// before changing anything, then writes in the order given, skipping values
// that equal what the model holds already.
#include <json/json.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::settings {

enum class ValueType { Integer, Boolean, Colour, Text };

struct Value {
  int64_t number = 0;  // Integer, Boolean (0 / 1), Colour (0xRRGGBB)
  std::string text;    // Text
  bool operator==(const Value&) const = default;
};

struct Range {
  int64_t low = 0;
  int64_t high = 0;
};

// Why a pair cannot be taken: a bad key or value (the command line's fault)
// or a value the model cannot take now (the device it needs is not there).
enum class Refusal { BadInput, Unavailable };

struct Problem {
  Refusal kind = Refusal::BadInput;
  std::string text;  // names the key and what is wrong
};

// Plain parsers and printers, shared by every row of a type.
// Decimal with an optional sign; nullopt past the 64-bit range.
std::optional<int64_t> parseInteger(std::string_view text);
std::optional<bool> parseBoolean(std::string_view text);
std::optional<uint32_t> parseColour(std::string_view text);
std::string formatColour(uint32_t rgb);  // "FF8000"

// How `tesselctl help` and the README describe a row: the name its family
// goes by ("stage.N.dpi"; empty: the key itself) and what it takes, in
// Markdown (`code` marks keys and values; the text help drops the marks).
// `label` is the language key of the caption the page shows beside the
// control that edits the row ("polling_rate"): the page marks that caption
// with the row's key, and a test holds every label to both language files.
struct RowDoc {
  std::string pattern;
  std::string help;
  std::string label;
};

// A row's key, its family's name and the language key of its caption on the page.
struct KeyLabel {
  std::string key;
  std::string pattern;
  std::string label;
};

// One line of a key table: the keys (or families) it describes, which take
// the same help.
struct KeyHelp {
  std::vector<std::string> names;
  std::string help;
};

// "  name, name        help", wrapped at 80 columns.
std::string keyHelpText(const std::vector<KeyHelp>& lines);
// A Markdown table with the column titles given.
std::string keyHelpMarkdown(const std::vector<KeyHelp>& lines, std::string_view nameTitle = "key",
                            std::string_view helpTitle = "value");

template <class Model>
struct KeyRow {
  std::string key;
  ValueType type = ValueType::Integer;
  // Integer: the accepted range now, and (optional) why a value inside it is
  // still no value of this row (empty: taken).
  std::function<Range(const Model&)> range;
  std::function<std::string(const Model&, int64_t)> check;
  // Text: the row's grammar. False with a message saying what is wrong.
  std::function<bool(const Model&, std::string_view, Value&, std::string&)> parseText;
  std::function<std::string(const Model&, const Value&)> formatText;
  // What the model holds; nullopt when it cannot be known now (`unavailable` says why).
  std::function<std::optional<Value>(const Model&)> read;
  // Takes a checked value; false when the model refused it after all.
  std::function<bool(Model&, const Value&)> write;
  std::string unavailable;
  // False for an action key (set only): `get` does not print it.
  bool listed = true;
  RowDoc doc;
};

template <class Model>
using KeyTable = std::vector<KeyRow<Model>>;

template <class Model>
struct Assignment {
  const KeyRow<Model>* row = nullptr;
  Value value;
};

template <class Model>
const KeyRow<Model>* findKey(const KeyTable<Model>& table, std::string_view key) {
  for (const auto& row : table)
    if (row.key == key) return &row;
  return nullptr;
}

// One line per family of rows, in table order; neighbouring families whose
// help is the same share a line ("light.brightness, light.speed  0..4").
template <class Model>
std::vector<KeyHelp> describeRows(const KeyTable<Model>& table) {
  std::vector<KeyHelp> out;
  std::vector<std::string> seen;
  for (const auto& row : table) {
    const std::string& name = row.doc.pattern.empty() ? row.key : row.doc.pattern;
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    if (!out.empty() && !row.doc.help.empty() && out.back().help == row.doc.help)
      out.back().names.push_back(name);
    else
      out.push_back({{name}, row.doc.help});
  }
  return out;
}

// The keys of a table, in table order.
template <class Model>
std::vector<std::string> keyNames(const KeyTable<Model>& table) {
  std::vector<std::string> out;
  for (const auto& row : table) out.push_back(row.key);
  return out;
}

// Every row's key beside its label, in table order.
template <class Model>
std::vector<KeyLabel> keyLabels(const KeyTable<Model>& table) {
  std::vector<KeyLabel> out;
  for (const auto& row : table) out.push_back({row.key, row.doc.pattern, row.doc.label});
  return out;
}

// The text of a value as `get` prints it.
template <class Model>
std::string formatValue(const KeyRow<Model>& row, const Model& model, const Value& v) {
  switch (row.type) {
    case ValueType::Integer: return std::to_string(v.number);
    case ValueType::Boolean: return v.number != 0 ? "1" : "0";
    case ValueType::Colour: return formatColour(static_cast<uint32_t>(v.number));
    case ValueType::Text: return row.formatText ? row.formatText(model, v) : v.text;
  }
  return {};
}

// One value typed for `row`; nullopt with `problem` set when it is not one.
template <class Model>
std::optional<Value> parseValue(const KeyRow<Model>& row, const Model& model, std::string_view text,
                                Problem& problem) {
  const std::string quoted = "\"" + std::string(text) + "\"";
  Value v;
  switch (row.type) {
    case ValueType::Integer: {
      const auto n = parseInteger(text);
      if (!n) {
        problem = {Refusal::BadInput, row.key + ": " + quoted + " is not a whole number"};
        return std::nullopt;
      }
      const Range r = row.range ? row.range(model) : Range{INT64_MIN, INT64_MAX};
      if (*n < r.low || *n > r.high) {
        problem = {Refusal::BadInput, row.key + ": " + std::string(text) + " is outside " + std::to_string(r.low) +
                                          ".." + std::to_string(r.high)};
        return std::nullopt;
      }
      if (row.check) {
        if (std::string why = row.check(model, *n); !why.empty()) {
          problem = {Refusal::BadInput, row.key + ": " + why};
          return std::nullopt;
        }
      }
      v.number = *n;
      return v;
    }
    case ValueType::Boolean: {
      const auto b = parseBoolean(text);
      if (!b) {
        problem = {Refusal::BadInput, row.key + ": " + quoted + " is not 1 or 0"};
        return std::nullopt;
      }
      v.number = *b ? 1 : 0;
      return v;
    }
    case ValueType::Colour: {
      const auto c = parseColour(text);
      if (!c) {
        problem = {Refusal::BadInput, row.key + ": " + quoted + " is not a colour RRGGBB"};
        return std::nullopt;
      }
      v.number = *c;
      return v;
    }
    case ValueType::Text: {
      std::string why;
      if (!row.parseText || !row.parseText(model, text, v, why)) {
        problem = {Refusal::BadInput, row.key + ": " + quoted + (why.empty() ? " is not a valid value" : ": " + why)};
        return std::nullopt;
      }
      return v;
    }
  }
  return std::nullopt;
}

// Checks every "KEY=VALUE" pair before anything changes; false at the first
// problem (nothing in `out` is to be written then).
template <class Model>
bool parseAssignments(const KeyTable<Model>& table, const Model& model, const std::vector<std::string>& pairs,
                      std::vector<Assignment<Model>>& out, Problem& problem) {
  out.clear();
  if (pairs.empty()) {
    problem = {Refusal::BadInput, "no KEY=VALUE given"};
    return false;
  }
  for (const std::string& pair : pairs) {
    const size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) {
      problem = {Refusal::BadInput, "\"" + pair + "\" is not KEY=VALUE"};
      return false;
    }
    const std::string key = pair.substr(0, eq);
    const KeyRow<Model>* row = findKey(table, key);
    if (row == nullptr) {
      problem = {Refusal::BadInput, "unknown key \"" + key + "\" (\"tesselctl get KIND\" lists the keys)"};
      return false;
    }
    if (!row->read(model)) {
      problem = {Refusal::Unavailable, key + ": " + row->unavailable};
      return false;
    }
    auto value = parseValue(*row, model, std::string_view(pair).substr(eq + 1), problem);
    if (!value) return false;
    out.push_back({row, std::move(*value)});
  }
  return true;
}

// "key=value" lines of every available row.
template <class Model>
std::string formatLines(const KeyTable<Model>& table, const Model& model) {
  std::string text;
  for (const auto& row : table) {
    if (!row.listed) continue;
    const auto v = row.read(model);
    if (!v) continue;
    text += row.key + "=" + formatValue(row, model, *v) + "\n";
  }
  return text;
}

// A value in JSON: integers as numbers, booleans as true/false, colours and
// texts as strings.
template <class Model>
Json::Value jsonValue(const KeyRow<Model>& row, const Model& model, const Value& v) {
  switch (row.type) {
    case ValueType::Integer: return Json::Value(static_cast<Json::Int64>(v.number));
    case ValueType::Boolean: return Json::Value(v.number != 0);
    default: return Json::Value(formatValue(row, model, v));
  }
}

// Every available row as one object.
template <class Model>
Json::Value toJson(const KeyTable<Model>& table, const Model& model) {
  Json::Value object(Json::objectValue);
  for (const auto& row : table) {
    if (!row.listed) continue;
    if (const auto v = row.read(model)) object[row.key] = jsonValue(row, model, *v);
  }
  return object;
}

}  // namespace tessel::settings
