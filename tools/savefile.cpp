#include "tools/savefile.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the handler needs, made before the temporary file exists: it may use
// only calls that are safe in a signal handler, so no formatting there.
const int cleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
const char *const signalNames[] = {"SIGINT", "SIGTERM", "SIGHUP", "SIGXFSZ"};
const int signalCount = sizeof cleanedSignals / sizeof cleanedSignals[0];
struct sigaction previous[signalCount];
bool handled[signalCount];
std::string tempPath, messageStart, fileTooLarge;

void writeAll(const char *s, size_t n)
{
    while (n > 0) {
        ssize_t k = write(2, s, n);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return;
        s += k;
        n -= (size_t)k;
    }
}

// The temporary file goes, the message says why, and the tool ends: with
// status 1 past a file-size limit, as when the write itself reports it;
// on the others by the same signal, so that whoever sent it sees it took.
void onSignal(int sig)
{
    unlink(tempPath.c_str());
    writeAll(messageStart.data(), messageStart.size());
    if (sig == SIGXFSZ) {
        writeAll(fileTooLarge.data(), fileTooLarge.size());
        _exit(1);
    }
    const char *name = "a signal";
    for (int i = 0; i < signalCount; i++)
        if (cleanedSignals[i] == sig)
            name = signalNames[i];
    writeAll("interrupted by ", 15);
    writeAll(name, strlen(name));
    writeAll("\n", 1);
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}

void blockSignals(bool block)
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : cleanedSignals)
        sigaddset(&set, s);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// Signals ignored when the tool started (nohup, a background job) stay so.
void catchSignals()
{
    struct sigaction act;
    memset(&act, 0, sizeof act);
    act.sa_handler = onSignal;
    sigfillset(&act.sa_mask);
    for (int i = 0; i < signalCount; i++) {
        sigaction(cleanedSignals[i], nullptr, &previous[i]);
        handled[i] = previous[i].sa_handler != SIG_IGN;
        if (handled[i])
            sigaction(cleanedSignals[i], &act, nullptr);
    }
}

void releaseSignals()
{
    for (int i = 0; i < signalCount; i++)
        if (handled[i])
            sigaction(cleanedSignals[i], &previous[i], nullptr);
}

} // namespace

bool saveFile(const char *tool, const char *path, const std::function<bool(FILE *out, std::string *why)> &write)
{
    std::string why;
    // Beside the target, so the rename stays on one file system.
    std::string temp = std::string(path) + ".XXXXXX";
    messageStart = std::string(tool) + ": cannot write " + path + ": ";
    fileTooLarge = std::string(strerror(EFBIG)) + "\n";
    // From its making to its renaming the file has a handler that removes
    // it; the signals wait while the handler's name for it is set.
    blockSignals(true);
    int fd = mkstemp(temp.data());
    FILE *out = fd < 0 ? nullptr : fdopen(fd, "wb");
    int error = errno;
    if (fd >= 0) {
        tempPath = temp;
        catchSignals();
    }
    blockSignals(false);
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
        blockSignals(true);
        if (ok && rename(temp.c_str(), path) != 0) {
            ok = false;
            error = errno;
        }
    } else if (fd >= 0) {
        close(fd);
        blockSignals(true);
    }
    if (!ok && fd >= 0)
        unlink(temp.c_str());
    // A signal held back here finds the file renamed or removed and meets
    // its usual handling.
    if (fd >= 0)
        releaseSignals();
    blockSignals(false);
    if (!ok) {
        if (why.empty())
            why = error ? strerror(error) : "write failed";
        fprintf(stderr, "%s: cannot write %s: %s\n", tool, path, why.c_str());
    }
    return ok;
}
