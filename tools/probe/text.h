// The probe's pure text work, free of Windows: checking and splitting a
// function list, reading a colour back from its text, making a plug-in's
// text safe to show, and reading numbers from the command line.
#ifndef HOVERHUE_PROBE_TEXT_H
#define HOVERHUE_PROBE_TEXT_H

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

// A name in a function list: letters, digits and '_', not starting with a
// digit, so no decorated name such as _f@0.
bool isName(const std::string& name);

// The names of a list joined by single '|' characters; false when any part
// is no name (an empty list, "a||b", "|a", "a|" included).
bool splitFunctionList(const std::string& list,
                       std::vector<std::string>& names);

// The colour a triple text names, in "R:r G:g B:b" or "RR GG BB" form, with
// nothing after it and every component below 256.
bool colourOfText(const char* text, unsigned rgb[3]);

// The first `longest` bytes of a text, control characters (and DEL) written
// as \xNN so that they cannot drive a terminal or break a line; `cut` gets
// the number of bytes left out.
std::string escapeText(const char* text, std::size_t longest, std::size_t& cut);

// A whole number from min to max, the whole text and nothing else.
bool parseNumber(const wchar_t* text, long min, long max, long* value);

// printf into a string of whatever length it takes.
std::string formatText(const char* pattern, va_list args);

// The characters of a UTF-8 text, as columns on a terminal.
std::size_t columnsOf(const std::string& utf8);

// The rows that a line of `columns` characters takes on a terminal
// `width` columns wide, which wraps it: at least one.
std::size_t rowsTaken(std::size_t columns, std::size_t width);

#endif
