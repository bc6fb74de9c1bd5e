// The plain-text sources of the help: one topic per file.
//
//   @context camera            the topic's context name (letters, digits, '_', '.')
//   @title Getting started     its title, shown as its heading and in the viewer's lists
//
//   Lines of a paragraph are joined; an empty line ends the paragraph.
//   ## A heading
//   - a bullet item (its own paragraph; following indented lines continue it)
//   A link: [the text to click](context)
//
// Text is ASCII; the compiler refuses anything else, so what the viewer shows is what the
// source says.
#pragma once
#include <string>

#include "hlp_file.h"

namespace hlp {

// Parses one source file's text. 0 with *error ("name:line: why") on a mistake.
int ParseTopicSource(const std::string& text, const std::string& name, Topic* topic,
                     std::string* error);

}  // namespace hlp
