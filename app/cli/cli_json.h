// JSON output of every command: nlohmann-json builds the value, and numbers
// are printed as the program prints them elsewhere (the shortest text that
// reads back as the same value, "1" for 1.0), which nlohmann's own output
// ("1.0") is not.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

// The layout of nlohmann's dump: indent < 0 one line without blanks, else
// members and elements on lines of their own. Numbers that are not finite
// become null; bytes that are not UTF-8 become U+FFFD.
std::string DumpJson(const nlohmann::ordered_json& j, int indent);

// Prints DumpJson(j, indent) and a newline on stdout.
void PrintJson(const nlohmann::ordered_json& j, int indent = 2);

// A single-precision result as the double whose shortest text is the
// float's own ("0.1", not "0.10000000149011612").
double FloatAsShortestDouble(float v);
