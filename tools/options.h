// options.h: the command line of the picture tools, read one way for both.
//
// Numbers are plain decimal digits (leading zeros are fine) within the
// option's range: no sign, space, fraction, exponent or hexadecimal, so the
// same text gets the same answer from either tool. Every mistake ends the
// tool with "TOOL: WHAT: ARG", the usage text and status 2.
#pragma once

#include <stddef.h>

// The tool's name and usage text, for the messages below; set once, first.
void setUsage(const char *tool, const char *usageText);

// Prints the mistake and the usage on stderr and exits with status 2.
[[noreturn]] void usageError(const char *what, const char *arg);

// The len characters at s as a number from 0 to max; false if they are not one.
bool parseNumber(const char *s, size_t len, unsigned long max, unsigned long *out);

// The value after the option at argv[*i], which *i moves on to; a usage
// error when there is none.
const char *optionValue(int argc, char **argv, int *i, const char *what);

// The value after the option at argv[*i] as a number from min to max.
unsigned long numberOption(int argc, char **argv, int *i, unsigned long min, unsigned long max);

// Whether s ends in suffix, in any case, with something before it.
bool endsWith(const char *s, const char *suffix);
