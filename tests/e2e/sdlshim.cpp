// sdlshim: preloaded into the real program (LD_PRELOAD) to make one of the
// three checked SDL calls fail on purpose, to log the video mode asked for
// and when the library is shut down, and to set the clock the program reads.
// Every call it does not fail goes on to SDL itself, classic or the SDL2-based
// compatibility library alike.
//
//   SDLSHIM_FAIL=init|mode|lock   the call to fail; the error text is SDLSHIM_TEXT
//   SDLSHIM_LOCK_AFTER=N          with lock: the program's first N locks succeed
//   SDLSHIM_TICKS=A,B             the program's first SDL_GetTicks reads A, every
//                                 later one B, so the elapsed time is known exactly
//   SDLSHIM_TRACE=FILE            one line appended per video mode, per SDL_Quit
//                                 (with the flips so far) and per failure
//
// The X11 screen surface never needs locking, so for lock the shim marks the
// surface SDL_ASYNCBLIT, which makes SDL_MUSTLOCK hold without changing what
// gets drawn: SDL locks such a surface by waiting for the last update to reach
// the server. Only the program's own calls are counted and failed, not the
// locks SDL takes inside its own functions (the flip locks a surface that
// must be locked).
//
// Built without sanitizers: it runs inside the program, before any of them.
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int locks, unlocks, flips, quits, modes, ticks;

template <typename F> F next(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f) {
        static const char msg[] = "sdlshim: a symbol of SDL is missing\n";
        (void)!write(2, msg, sizeof msg - 1);
        _exit(3);
    }
    return (F)f;
}

// Whether the call that returns to ret came from inside SDL itself.
bool fromSdl(void *ret, void *sdlFunction)
{
    Dl_info caller, sdl;
    return dladdr(ret, &caller) && dladdr(sdlFunction, &sdl) && caller.dli_fbase == sdl.dli_fbase;
}

bool failing(const char *call)
{
    const char *f = getenv("SDLSHIM_FAIL");
    return f && strcmp(f, call) == 0;
}

const char *text()
{
    const char *t = getenv("SDLSHIM_TEXT");
    return t ? t : "sdlshim";
}

long fileSize(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? (long)st.st_size : -1;
}

// Raw write, so that the trace never touches the program's stdio buffers.
void trace(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void trace(const char *fmt, ...)
{
    const char *path = getenv("SDLSHIM_TRACE");
    if (!path)
        return;
    char line[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd >= 0) {
        (void)!write(fd, line, n < (int)sizeof line ? n : (int)sizeof line - 1);
        close(fd);
    }
}

} // namespace

extern "C" {

int SDL_Init(Uint32 flags)
{
    if (failing("init")) {
        SDL_SetError("%s", text());
        trace("fail init\n");
        return -1;
    }
    return next<int (*)(Uint32)>("SDL_Init")(flags);
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (failing("mode")) {
        SDL_SetError("%s", text());
        trace("fail mode\n");
        return NULL;
    }
    trace("mode %d %d %d 0x%08x\n", width, height, bpp, (unsigned)flags);
    modes++;
    SDL_Surface *s = next<SDL_Surface *(*)(int, int, int, Uint32)>("SDL_SetVideoMode")(width, height, bpp, flags);
    if (s && failing("lock"))
        s->flags |= SDL_ASYNCBLIT;
    return s;
}

int SDL_LockSurface(SDL_Surface *s)
{
    auto real = next<int (*)(SDL_Surface *)>("SDL_LockSurface");
    if (!fromSdl(__builtin_return_address(0), (void *)real)) {
        const char *after = getenv("SDLSHIM_LOCK_AFTER");
        if (failing("lock") && locks >= (after ? atoi(after) : 0)) {
            SDL_SetError("%s", text());
            trace("fail lock after locks=%d unlocks=%d flips=%d\n", locks, unlocks, flips);
            return -1;
        }
        locks++;
    }
    return real(s);
}

void SDL_UnlockSurface(SDL_Surface *s)
{
    auto real = next<void (*)(SDL_Surface *)>("SDL_UnlockSurface");
    if (!fromSdl(__builtin_return_address(0), (void *)real))
        unlocks++;
    real(s);
}

int SDL_Flip(SDL_Surface *s)
{
    auto real = next<int (*)(SDL_Surface *)>("SDL_Flip");
    if (!fromSdl(__builtin_return_address(0), (void *)real))
        flips++;
    return real(s);
}

Uint32 SDL_GetTicks(void)
{
    auto real = next<Uint32 (*)(void)>("SDL_GetTicks");
    const char *set = getenv("SDLSHIM_TICKS");
    if (!set || fromSdl(__builtin_return_address(0), (void *)real))
        return real();
    unsigned long a = strtoul(set, NULL, 0), b = a;
    if (const char *comma = strchr(set, ','))
        b = strtoul(comma + 1, NULL, 0);
    if (++ticks == 1)
        trace("ticks 1 after modes=%d\n", modes);
    return (Uint32)(ticks == 1 ? a : b);
}

// What the program had written when it shut the library down: bytes still in
// the stdout buffer, and bytes already in the files behind fds 1 and 2.
void SDL_Quit(void)
{
    trace("quit %d stdout_buffered=%zu stdout_bytes=%ld stderr_bytes=%ld flips=%d\n", ++quits,
          __fpending(stdout), fileSize(1), fileSize(2), flips);
    next<void (*)(void)>("SDL_Quit")();
}
}
