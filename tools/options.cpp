#include "tools/options.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

namespace {

const char *toolName = "?";
const char *usage = "";

} // namespace

void setUsage(const char *tool, const char *usageText)
{
    toolName = tool;
    usage = usageText;
}

void usageError(const char *what, const char *arg)
{
    fprintf(stderr, "%s: %s%s%s\n%s", toolName, what, arg ? ": " : "", arg ? arg : "", usage);
    exit(2);
}

bool parseNumber(const char *s, size_t len, unsigned long max, unsigned long *out)
{
    if (len == 0)
        return false;
    unsigned long n = 0;
    for (size_t i = 0; i < len; i++) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        unsigned digit = s[i] - '0';
        // Checked before each step, so no count of digits can wrap it round.
        if (digit > max || n > (max - digit) / 10)
            return false;
        n = n * 10 + digit;
    }
    *out = n;
    return true;
}

const char *optionValue(int argc, char **argv, int *i, const char *what)
{
    const char *option = argv[*i];
    if (++*i == argc) {
        std::string text = std::string(option) + " needs " + what;
        usageError(text.c_str(), nullptr);
    }
    return argv[*i];
}

unsigned long numberOption(int argc, char **argv, int *i, unsigned long min, unsigned long max)
{
    const char *option = argv[*i];
    const char *value = optionValue(argc, argv, i, "a number");
    unsigned long n;
    if (!parseNumber(value, strlen(value), max, &n) || n < min) {
        std::string text = std::string(option) + " takes a whole number from " + std::to_string(min) + " to " +
                           std::to_string(max);
        usageError(text.c_str(), value);
    }
    return n;
}

bool endsWith(const char *s, const char *suffix)
{
    size_t n = strlen(s), m = strlen(suffix);
    return n > m && strcasecmp(s + n - m, suffix) == 0;
}
