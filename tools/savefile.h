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
// file's.
bool saveFile(const char *tool, const char *path, const std::function<bool(FILE *out, std::string *why)> &write);
