// savefile.h: a picture file that is either whole or not there.
#pragma once

#include <stdio.h>

#include <functional>
#include <string>

// Runs write on a new temporary file beside path and, when write returns true
// and everything reached the disk, renames it to path. Otherwise removes it,
// says "TOOL: cannot write PATH: REASON" on stderr and returns false: no
// cut-off picture is left, and a file that was already at path stays as it was.
// The reason is errno's, or what write put in *why when the fault was not the
// file's. SIGINT, SIGTERM or SIGHUP meanwhile remove the file too, say
// "interrupted by SIGINT" (and so on) as the reason and end the tool by that
// signal; the SIGXFSZ of a file-size limit ends it with status 1 and
// "File too large", as a write refused for that reason does. Signals that
// were ignored when it started stay ignored.
bool saveFile(const char *tool, const char *path, const std::function<bool(FILE *out, std::string *why)> &write);
