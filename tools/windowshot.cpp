// windowshot: a PNG of what a live X window shows.
//
//   windowshot [--name TITLE] [--wait SECONDS] OUT.png
//
// Waits (up to --wait seconds, 30 by default) for a viewable window whose
// title is exactly TITLE ("Kimallusmylly" by default) on $DISPLAY, reads its
// pixels back from the server and writes them as 8-bit grey when every pixel
// is grey, as the demo's are, and as RGB otherwise.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <time.h>

#include <vector>

#include "tools/png.h"

namespace {

const char usageText[] = "usage: windowshot [--name TITLE] [--wait SECONDS] OUT.png\n"
                         "Writes what the window titled TITLE (default Kimallusmylly) on $DISPLAY\n"
                         "shows to OUT.png, waiting up to SECONDS (default 30) for it to appear.\n";

[[noreturn]] void usageError(const char *what, const char *arg)
{
    fprintf(stderr, "windowshot: %s%s%s\n%s", what, arg ? ": " : "", arg ? arg : "", usageText);
    exit(2);
}

// Windows come and go while the tree is walked (and the demo's may be half
// made); an error on one of them only means it is not the one.
int lastXError;
int onXError(Display *, XErrorEvent *e)
{
    lastXError = e->error_code;
    return 0;
}

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Depth first; the first viewable window with that exact title.
Window findWindow(Display *dpy, Window w, const char *title)
{
    char *name = nullptr;
    if (XFetchName(dpy, w, &name) && name) {
        bool match = strcmp(name, title) == 0;
        XFree(name);
        XWindowAttributes a;
        if (match && XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable)
            return w;
    }
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
        return None;
    Window found = None;
    for (unsigned i = 0; i < n && found == None; i++)
        found = findWindow(dpy, children[i], title);
    if (children)
        XFree(children);
    return found;
}

// Position and width of a colour mask, to scale its field to 0-255.
void maskShape(unsigned long mask, int *shift, unsigned long *max)
{
    *shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    *max = mask;
}

} // namespace

int main(int argc, char **argv)
{
    const char *title = "Kimallusmylly";
    double waitSeconds = 30;
    const char *outPath = nullptr;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usageText, stdout);
            return 0;
        } else if (strcmp(a, "--name") == 0) {
            if (++i == argc)
                usageError("--name needs a title", nullptr);
            title = argv[i];
        } else if (strcmp(a, "--wait") == 0) {
            if (++i == argc)
                usageError("--wait needs a number of seconds", nullptr);
            char *end;
            waitSeconds = strtod(argv[i], &end);
            if (*end || end == argv[i] || !(waitSeconds >= 0 && waitSeconds <= 3600))
                usageError("--wait takes seconds from 0 to 3600", argv[i]);
        } else if (a[0] == '-' && a[1] != '\0') {
            usageError("unknown option", a);
        } else if (outPath) {
            usageError("more than one output file", a);
        } else {
            outPath = a;
        }
    }
    if (!outPath)
        usageError("no output file given", nullptr);
    size_t len = strlen(outPath);
    if (len <= 4 || strcasecmp(outPath + len - 4, ".png") != 0)
        usageError("the output file must end in .png", outPath);

    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        const char *d = getenv("DISPLAY");
        fprintf(stderr, "windowshot: cannot open display %s\n", d && *d ? d : "(DISPLAY is not set)");
        return 1;
    }
    XSetErrorHandler(onXError);

    Window win = None;
    double deadline = now() + waitSeconds;
    for (;;) {
        win = findWindow(dpy, DefaultRootWindow(dpy), title);
        if (win != None || now() >= deadline)
            break;
        struct timespec pause = {0, 100 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (win == None) {
        fprintf(stderr, "windowshot: no viewable window titled \"%s\" on %s after %g s\n", title,
                DisplayString(dpy), waitSeconds);
        XCloseDisplay(dpy);
        return 1;
    }

    XWindowAttributes attr;
    lastXError = 0;
    XImage *img = nullptr;
    if (XGetWindowAttributes(dpy, win, &attr))
        img = XGetImage(dpy, win, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
    XSync(dpy, False);
    if (!img) {
        char text[128] = "the window went away";
        if (lastXError)
            XGetErrorText(dpy, lastXError, text, sizeof text);
        fprintf(stderr, "windowshot: cannot read window 0x%lx: %s\n", win, text);
        XCloseDisplay(dpy);
        return 1;
    }
    if (attr.visual->c_class != TrueColor && attr.visual->c_class != DirectColor) {
        fprintf(stderr, "windowshot: window 0x%lx has a visual of class %d; only TrueColor and DirectColor are read\n",
                win, attr.visual->c_class);
        XDestroyImage(img);
        XCloseDisplay(dpy);
        return 1;
    }

    int shift[3];
    unsigned long max[3];
    maskShape(attr.visual->red_mask, &shift[0], &max[0]);
    maskShape(attr.visual->green_mask, &shift[1], &max[1]);
    maskShape(attr.visual->blue_mask, &shift[2], &max[2]);
    int w = attr.width, h = attr.height;
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    bool grey = true;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long p = XGetPixel(img, x, y);
            uint8_t *o = &rgb[((size_t)y * w + x) * 3];
            for (int c = 0; c < 3; c++)
                o[c] = max[c] ? (uint8_t)(((p >> shift[c]) & max[c]) * 255 / max[c]) : 0;
            grey = grey && o[0] == o[1] && o[1] == o[2];
        }
    XDestroyImage(img);
    XCloseDisplay(dpy);
    if (grey)
        for (size_t i = 0; i < (size_t)w * h; i++)
            rgb[i] = rgb[i * 3];

    FILE *out = fopen(outPath, "wb");
    if (!out) {
        fprintf(stderr, "windowshot: cannot write %s: %s\n", outPath, strerror(errno));
        return 1;
    }
    errno = 0;
    bool ok = writePng(out, rgb.data(), w, h, (size_t)w * (grey ? 1 : 3), grey ? 1 : 3);
    int savedErrno = errno;
    if (fclose(out) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        fprintf(stderr, "windowshot: cannot write %s: %s\n", outPath, savedErrno ? strerror(savedErrno) : "write failed");
        remove(outPath);
        return 1;
    }
    return 0;
}
