#include "tools/savefile.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>


bool saveFile(const char *tool, const char *path, const std::function<bool(FILE *out, std::string *why)> &write)
{
    std::string why;
    // Beside the target, so the rename stays on one file system.
    std::string temp = std::string(path) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    FILE *out = fd < 0 ? nullptr : fdopen(fd, "wb");
    int error = errno;
    bool ok = out != nullptr;
    if (ok) {
        // mkstemp makes the file private; a picture gets the usual rights.
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        errno = 0; // a failure below that sets none reads as such, not as a stale one
        ok = write(out, &why);
        error = errno;
        if (fclose(out) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (ok && rename(temp.c_str(), path) != 0) {
            ok = false;
            error = errno;
        }
    } else if (fd >= 0) {
        close(fd);
    }
    if (!ok) {
        if (fd >= 0)
            unlink(temp.c_str());
        if (why.empty())
            why = error ? strerror(error) : "write failed";
        fprintf(stderr, "%s: cannot write %s: %s\n", tool, path, why.c_str());
    }
    return ok;
}
