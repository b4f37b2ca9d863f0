// What the probe prints of one reading, in each of its formats: the lines,
// the colour swatch and the rows they take on a terminal, or one JSON
// object. Free of Windows: it builds and is tested natively.
#ifndef HOVERHUE_PROBE_OUTPUT_H
#define HOVERHUE_PROBE_OUTPUT_H

#include <cstddef>
#include <string>
#include <vector>

// One function's answer, decoded from the system's code page.
struct Answer {
  std::string name;
  bool answered = false;  // false when the function gave a null pointer
  std::u16string text;
  std::u16string description;  // getparam's, empty when none
};

enum class Format {
  plain,     // "name: text" lines
  terminal,  // the same, with a swatch, redrawn in place
  json,      // one object a reading, on one line
};

// The output of one reading; `rows` gets the rows it takes on a terminal
// `width` columns wide (0 when not known), which wraps long lines.
std::string formatReading(const std::vector<Answer>& answers, Format format,
                          std::size_t width, std::size_t& rows);

// What stands between a reading and the next: an empty line; on a
// terminal, a move back over the last reading's rows, cleared to the end
// of the screen so that no row of a longer reading stays; nothing in JSON.
std::string betweenReadings(Format format, std::size_t rows);

// The colour a triple text names, "R:r G:g B:b" in plain decimal or
// "RR GG BB" in two hexadecimal digits each, with nothing around it.
bool colourOfText(const std::u16string& text, unsigned rgb[3]);

// A text as a JSON string: every character kept, control characters
// (C1 included) and lone surrogates as \u escapes.
std::string jsonString(const std::u16string& text);

// The characters of a UTF-8 text, as columns on a terminal.
std::size_t columnsOf(const std::string& utf8);

// The rows that a line of `columns` characters takes on a terminal
// `width` columns wide: at least one.
std::size_t rowsTaken(std::size_t columns, std::size_t width);

#endif
