// windowshot: a PNG, or an animated GIF, of what a live X window shows.
//
//   windowshot [--name TITLE] [--wait SECONDS] [--frames COUNT] OUT.png|OUT.gif
//
// Waits (up to --wait seconds, 30 by default) for a viewable window whose
// title is exactly TITLE ("Kimallusmylly" by default) on $DISPLAY, reads its
// pixels back from the server and writes them: a PNG in 8-bit grey when every
// pixel is grey, as the demo's are, and in RGB otherwise; a GIF of COUNT such
// readings one after the other, each grey level as that index of the demo's
// grey palette.
//
// What it writes is only ever the window's own drawing. Where the server has
// the Composite extension the window is redirected, so that it draws into a
// pixmap of its own whatever lies over it or past the screen's edges, and the
// pixmap is read once the window has drawn itself whole into it. Without the
// extension the window is read where it shows, and one that is covered or
// not wholly on the screen is refused.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/gif.h"
#include "tools/options.h"
#include "tools/png.h"
#include "tools/savefile.h"

namespace {

// As for the snapshot tool's animations: at most 1000 frames (181 MB at
// worst for the demo's window), 2/100 s each, the shortest delay viewers keep.
const int frameDelay = 2;

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

// Where the readings come from: the window's own pixmap, its contents at
// (offsetX, offsetY) inside the border, or the window itself as it shows.
Drawable source;
int offsetX, offsetY;
bool redirected;

// The window's place on the root, with its border.
struct Box {
    int x, y, w, h;
};

bool overlaps(const Box &a, const Box &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

Box boxOnRoot(Display *dpy, Window w, const XWindowAttributes &a)
{
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    return {x - a.border_width, y - a.border_width, a.width + 2 * a.border_width, a.height + 2 * a.border_width};
}

// Whether the window, read where it shows, shows only itself: every
// ancestor up to the root holds it whole, and no viewable window stacked
// above it or above one of its ancestors overlaps it. False, with the
// reason in *why, when not.
bool showsWhole(Display *dpy, Window win, const XWindowAttributes &attr, std::string *why)
{
    const Box outer = boxOnRoot(dpy, win, attr);
    const Box own = {outer.x + attr.border_width, outer.y + attr.border_width, attr.width, attr.height};
    char text[200];
    for (Window w = win;;) {
        Window root, parent, dummy, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
            return *why = "the window went away", false;
        if (children)
            XFree(children);
        if (parent == None)
            return true;
        XWindowAttributes pa;
        children = nullptr;
        if (!XGetWindowAttributes(dpy, parent, &pa) || !XQueryTree(dpy, parent, &root, &dummy, &children, &n))
            return *why = "the window went away", false;
        Box room = boxOnRoot(dpy, parent, pa);
        room = {room.x + pa.border_width, room.y + pa.border_width, pa.width, pa.height};
        if (own.x < room.x || own.y < room.y || own.x + own.w > room.x + room.w || own.y + own.h > room.y + room.h) {
            if (parent == root)
                snprintf(text, sizeof text, "it lies partly off the screen (%dx%d at %d,%d on a %dx%d screen)", own.w,
                         own.h, own.x, own.y, room.w, room.h);
            else
                snprintf(text, sizeof text, "it lies partly outside window 0x%lx, which holds it", parent);
            *why = text;
        }
        // Children are listed bottom to top: those after w lie over it.
        bool above = false;
        for (unsigned i = 0; why->empty() && i < n; i++) {
            XWindowAttributes sa;
            if (above && XGetWindowAttributes(dpy, children[i], &sa) && sa.map_state == IsViewable &&
                sa.c_class == InputOutput && overlaps(own, boxOnRoot(dpy, children[i], sa))) {
                snprintf(text, sizeof text, "window 0x%lx lies over it", children[i]);
                *why = text;
            }
            above = above || children[i] == w;
        }
        if (children)
            XFree(children);
        if (!why->empty())
            return false;
        w = parent;
    }
}

// Sends the window's drawing to a pixmap of its own, and waits until it has
// drawn every pixel of it there, up to deadline. False where the server
// cannot; then the window is read where it shows.
bool redirect(Display *dpy, Window win, const XWindowAttributes &attr, double deadline, std::string *why)
{
    int event, error, major = 0, minor = 2, damageEvent;
    if (!XCompositeQueryExtension(dpy, &event, &error) || !XCompositeQueryVersion(dpy, &major, &minor) ||
        (major == 0 && minor < 2) || !XDamageQueryExtension(dpy, &damageEvent, &error))
        return false;
    // The pixmap starts with what the screen showed there, which may be
    // another window's; only what the window draws from then on counts. The
    // server reports a window whole when its damage record is made, and
    // what redirecting it paints, so both are let pass first.
    lastXError = 0;
    Damage damage = XDamageCreate(dpy, win, XDamageReportRawRectangles);
    XSync(dpy, False);
    XEvent ev;
    while (XCheckTypedEvent(dpy, damageEvent + XDamageNotify, &ev))
        ;
    XCompositeRedirectWindow(dpy, win, CompositeRedirectAutomatic);
    Pixmap pixmap = XCompositeNameWindowPixmap(dpy, win);
    XSync(dpy, False);
    while (XCheckTypedEvent(dpy, damageEvent + XDamageNotify, &ev))
        ;
    if (lastXError) {
        XDamageDestroy(dpy, damage);
        return false;
    }
    std::vector<bool> drawn((size_t)attr.width * attr.height);
    size_t left = drawn.size();
    while (left > 0) {
        while (left > 0 && XPending(dpy)) {
            XNextEvent(dpy, &ev);
            if (ev.type != damageEvent + XDamageNotify)
                continue;
            const XRectangle &r = ((XDamageNotifyEvent *)&ev)->area;
            for (int y = std::max(0, (int)r.y); y < std::min(attr.height, r.y + r.height); y++)
                for (int x = std::max(0, (int)r.x); x < std::min(attr.width, r.x + r.width); x++)
                    if (!drawn[(size_t)y * attr.width + x]) {
                        drawn[(size_t)y * attr.width + x] = true;
                        left--;
                    }
        }
        if (left == 0)
            break;
        if (now() >= deadline) {
            *why = "it did not draw itself whole in time; what the screen showed there need not be its own";
            XDamageDestroy(dpy, damage);
            return false;
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    XDamageDestroy(dpy, damage);
    source = pixmap;
    offsetX = offsetY = attr.border_width;
    redirected = true;
    return true;
}

// One reading of the window as RGB bytes, width x height, and whether every
// pixel is grey. False, with the reason in *why, when the window cannot be read.
bool readWindow(Display *dpy, Window win, int width, int height, const Visual *visual, std::vector<uint8_t> &rgb,
                bool *grey, std::string *why)
{
    // A pixmap outlives its window's unmapping with the last frame in it.
    XWindowAttributes current;
    if (!XGetWindowAttributes(dpy, win, &current) || current.map_state != IsViewable)
        return *why = "the window went away", false;
    if (current.width != width || current.height != height)
        return *why = "the window changed its size", false;
    const char *without = "; with no Composite extension on the server, only what shows can be read";
    if (!redirected && !showsWhole(dpy, win, current, why))
        return *why += without, false;
    lastXError = 0;
    XImage *img = XGetImage(dpy, source, offsetX, offsetY, width, height, AllPlanes, ZPixmap);
    XSync(dpy, False);
    if (!img) {
        char text[128] = "the window went away";
        if (lastXError)
            XGetErrorText(dpy, lastXError, text, sizeof text);
        *why = text;
        return false;
    }
    // A window mapped over it while it was read may be in the reading.
    if (!redirected && !showsWhole(dpy, win, current, why)) {
        XDestroyImage(img);
        return *why += without, false;
    }
    int shift[3];
    unsigned long max[3];
    maskShape(visual->red_mask, &shift[0], &max[0]);
    maskShape(visual->green_mask, &shift[1], &max[1]);
    maskShape(visual->blue_mask, &shift[2], &max[2]);
    rgb.resize((size_t)width * height * 3);
    *grey = true;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            unsigned long p = XGetPixel(img, x, y);
            uint8_t *o = &rgb[((size_t)y * width + x) * 3];
            for (int c = 0; c < 3; c++)
                o[c] = max[c] ? (uint8_t)(((p >> shift[c]) & max[c]) * 255 / max[c]) : 0;
            *grey = *grey && o[0] == o[1] && o[1] == o[2];
        }
    XDestroyImage(img);
    return true;
}

// Grey RGB to one byte a pixel, in place: the grey level is the palette index.
void keepGrey(std::vector<uint8_t> &rgb)
{
    for (size_t i = 0; i < rgb.size() / 3; i++)
        rgb[i] = rgb[i * 3];
}

} // namespace

int main(int argc, char **argv)
{
    WindowshotOptions o;
    if (int status = readWindowshotOptions(argc, argv, &o, stdout, stderr); status >= 0)
        return status;
    const char *title = o.title, *outPath = o.outPath;
    unsigned long waitSeconds = o.waitSeconds, frames = o.frames;
    bool gif = o.gif;

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
        fprintf(stderr, "windowshot: no viewable window titled \"%s\" on %s after %lu s\n", title,
                DisplayString(dpy), waitSeconds);
        XCloseDisplay(dpy);
        return 1;
    }

    XWindowAttributes attr;
    std::vector<uint8_t> rgb;
    bool grey = false;
    std::string why;
    bool ok = XGetWindowAttributes(dpy, win, &attr);
    if (!ok) {
        why = "the window went away";
    } else {
        // A window that has appeared gets as long again, and at least 10 s,
        // to draw itself.
        source = win;
        ok = redirect(dpy, win, attr, now() + std::max(waitSeconds, 10ul), &why) || why.empty();
        ok = ok && readWindow(dpy, win, attr.width, attr.height, attr.visual, rgb, &grey, &why);
    }
    if (!ok) {
        fprintf(stderr, "windowshot: cannot read window 0x%lx: %s\n", win, why.c_str());
        XCloseDisplay(dpy);
        return 1;
    }
    if (attr.visual->c_class != TrueColor && attr.visual->c_class != DirectColor) {
        fprintf(stderr, "windowshot: window 0x%lx has a visual of class %d; only TrueColor and DirectColor are read\n",
                win, attr.visual->c_class);
        XCloseDisplay(dpy);
        return 1;
    }
    if (gif && !grey) {
        fprintf(stderr, "windowshot: window 0x%lx is not all grey; a GIF holds only the demo's greys\n", win);
        XCloseDisplay(dpy);
        return 1;
    }

    int w = attr.width, h = attr.height;
    if (grey)
        keepGrey(rgb);
    ok = saveFile("windowshot", outPath, [&](FILE *out, std::string *fault) {
        if (!gif)
            return writePng(out, rgb.data(), w, h, (size_t)w * (grey ? 1 : 3), grey ? 1 : 3);
        // The demo draws thousands of frames a second and a reading takes a
        // few milliseconds, so a reading mostly catches a later frame than the
        // last; when it catches the same one (the demo was held up), it is
        // read again, though a window that stands still is recorded so.
        GifFileType *animation = startGif(out, w, h);
        if (!animation)
            return false;
        bool written = addGifFrame(animation, rgb.data(), w, frameDelay);
        std::vector<uint8_t> previous(rgb.begin(), rgb.begin() + (size_t)w * h);
        for (unsigned long n = 1, repeats = 0; n < frames && written;) {
            std::string readFault;
            if (!readWindow(dpy, win, w, h, attr.visual, rgb, &grey, &readFault)) {
                *fault = "reading frame " + std::to_string(n + 1) + " of the window: " + readFault;
                finishGif(animation);
                return false;
            }
            if (!grey) {
                *fault = "frame " + std::to_string(n + 1) + " of the window is not all grey";
                finishGif(animation);
                return false;
            }
            keepGrey(rgb);
            if (std::equal(previous.begin(), previous.end(), rgb.begin()) && ++repeats < 100)
                continue;
            repeats = 0;
            written = addGifFrame(animation, rgb.data(), w, frameDelay);
            previous.assign(rgb.begin(), rgb.begin() + (size_t)w * h);
            n++;
        }
        return finishGif(animation) && written;
    });
    XCloseDisplay(dpy);
    return ok ? 0 : 1;
}
