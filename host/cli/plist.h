// XML property lists for the host's state files. Writing covers what a
// plug-in's class-info dictionary holds: dictionaries with string keys,
// arrays, strings, integers, reals and data. Numbers keep their kind (integer
// or real) and reals are written with 17 significant digits, so a dictionary
// read back from its own text is equal to the one written. The text is always
// well-formed XML 1.0: the few characters XML cannot carry in any form (C0
// controls other than tab, line feed and carriage return; U+FFFE, U+FFFF) are
// written as U+FFFD. Reading goes through the platform's property-list parser.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace cinderpath_cli {

// Text of a CoreFoundation string as UTF-8; "" for null. [any thread]
std::string CFStringToUtf8(CFStringRef s);

// Writes a property list as XML text. Returns false with a message when it
// holds a value of a kind this writer does not know. [main thread]
bool WritePropertyListXml(CFPropertyListRef plist, std::string* xml, std::string* error);

// Parses XML text into a new property list (the caller releases it) with
// CFPropertyListCreateWithData. Returns null with the parser's message for
// malformed or unsupported input. [main thread]
CFPropertyListRef ReadPropertyListXml(const std::string& xml, std::string* error);

}  // namespace cinderpath_cli
