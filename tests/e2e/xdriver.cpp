// xdriver: plays the window manager, the keyboard and mouse, and the eye for
// the end-to-end runs. It talks to the X server as any other client does: the
// close request is a WM_DELETE_WINDOW client message, its own input is XTest
// (the test's key presses come from xdotool; xdriver sees them delivered),
// what the window shows is read back with XGetImage, and frames are counted
// from outside with DAMAGE (every flip draws the whole window once).
//
//   xdriver frames WIN N                   wait until the window has drawn N frames
//   xdriver close WIN                      send the close request a window manager sends
//   xdriver keys WIN                       say "listening", then see the window sent
//                                          other keys and a lone Escape release
//   xdriver picture WIN X Y PX PY [hold] [scale N]
//                                          move the pointer to X,Y (window
//                                          coordinates) and wait for the frame that
//                                          has the pointer blob at PX,PY; with a
//                                          scale, each demo pixel is shown as a
//                                          block of N x N window pixels
//   xdriver flood PID WIN BATCHES SIZE     thousands of pointer moves, then Escape
//   xdriver cover WIN X Y W H              map a grey window of its own over WIN's
//                                          W x H pixels from X,Y, say "covered" and
//                                          hold it there until killed
//   xdriver shot FILE PX PY COUNT          FILE (windowshot's PNG or GIF, or an RGB PNG
//                                          of greys such as a Wayland screenshot) holds
//                                          COUNT frames, each one the renderer draws
//                                          with the pointer blob at PX,PY
//
// Every wait ends at a deadline (E2E_WAIT seconds, 60 by default) and then
// says what it saw; a loaded machine only makes the waits longer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/run.h"
#include "field/field.h"
#include "motion/motion.h"
#include "tests/shared.h"
#include "tests/snapshot/pictures.h"

namespace {

Display *dpy;
Window top;     // the window the test named: the one with the caption
Window drawn;   // where SDL draws: its only child, or top itself
Window keyWin;  // where SDL listens for keys
int damageEvent = -1;
Damage damage;
long damaged;   // frames counted so far
bool destroyed; // the window is gone: the program has shut the library down
std::deque<XKeyEvent> keysSeen; // key events sent to keyWin, oldest first
double waitSeconds = 60;

[[noreturn]] void die(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void die(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    fputs("xdriver: ", stdout);
    vprintf(fmt, ap);
    fputc('\n', stdout);
    va_end(ap);
    fflush(stdout);
    _exit(1);
}

int onXError(Display *d, XErrorEvent *e)
{
    char text[256];
    XGetErrorText(d, e->error_code, text, sizeof text);
    die("X error: %s (request %d.%d)", text, e->request_code, e->minor_code);
}

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct Deadline {
    double end;
    Deadline() : end(now() + waitSeconds) {}
    bool passed() const { return now() > end; }
};

// Handles whatever events have arrived; with wait, first blocks up to 50 ms
// for one. The short block only paces the polling loops.
void pump(bool wait)
{
    if (wait && !XPending(dpy)) {
        int fd = ConnectionNumber(dpy);
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval tv = {0, 50000};
        select(fd + 1, &fds, nullptr, nullptr, &tv);
    }
    while (XPending(dpy)) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == damageEvent + XDamageNotify) {
            damaged++;
        } else if (ev.type == DestroyNotify && ev.xdestroywindow.window == top) {
            destroyed = true;
        } else if ((ev.type == KeyPress || ev.type == KeyRelease) && ev.xkey.window == keyWin) {
            keysSeen.push_back(ev.xkey);
        }
    }
}

void open(const char *winArg)
{
    dpy = XOpenDisplay(nullptr);
    if (!dpy)
        die("cannot open display %s", getenv("DISPLAY") ? getenv("DISPLAY") : "(unset)");
    XSetErrorHandler(onXError);
    top = strtoul(winArg, nullptr, 0);
    if (const char *w = getenv("E2E_WAIT"))
        waitSeconds = atof(w);

    Window root, parent, *children;
    unsigned n;
    XQueryTree(dpy, top, &root, &parent, &children, &n);
    drawn = n > 0 ? children[0] : top;
    if (children)
        XFree(children);

    // Listen where SDL listens: an event reaches either both of us or neither.
    keyWin = None;
    for (Window w : {drawn, top}) {
        XWindowAttributes a;
        XGetWindowAttributes(dpy, w, &a);
        if (a.all_event_masks & KeyPressMask) {
            keyWin = w;
            break;
        }
    }
    if (keyWin == None)
        die("no window of 0x%lx takes key presses", top);

    int error, major, minor;
    if (!XDamageQueryExtension(dpy, &damageEvent, &error) || !XDamageQueryVersion(dpy, &major, &minor))
        die("the X server has no DAMAGE extension");
    if (!XTestQueryExtension(dpy, &error, &error, &major, &minor))
        die("the X server has no XTEST extension");
    // Raw rectangles: one notification per drawing request, none merged away.
    damage = XDamageCreate(dpy, top, XDamageReportRawRectangles);
    XSelectInput(dpy, top, StructureNotifyMask);
    XSync(dpy, False);
}

// Frames drawn from now on: blocks until n more have been seen or the window is gone.
long waitFrames(long n, const char *what)
{
    long from = damaged;
    Deadline d;
    while (damaged - from < n && !destroyed) {
        if (d.passed())
            die("%s: %ld of %ld frames drawn in %.0f s", what, damaged - from, n, waitSeconds);
        pump(true);
    }
    return damaged - from;
}

// Window coordinates to the root, where XTest moves the pointer.
void pointerTo(int x, int y)
{
    int rx, ry;
    Window child;
    XTranslateCoordinates(dpy, drawn, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, CurrentTime);
}

void focus()
{
    pointerTo(200, 150);
    XSetInputFocus(dpy, top, RevertToParent, CurrentTime);
    XSync(dpy, False);
}

// ---- close

void closeRequest()
{
    Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    // A window manager only asks what the window said it understands.
    Atom *list;
    int n;
    bool offered = false;
    if (XGetWMProtocols(dpy, top, &list, &n)) {
        for (int i = 0; i < n; i++)
            offered |= list[i] == del;
        XFree(list);
    }
    if (!offered)
        die("the window does not offer WM_DELETE_WINDOW in WM_PROTOCOLS");
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = top;
    ev.xclient.message_type = protocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = del;
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, top, False, NoEventMask, &ev);
    XSync(dpy, False);
    printf("close request sent\n");
}

// ---- keys

// The key events the window must be sent, in order, while the test presses
// keys with xdotool: a press and a release of five other keys, then the
// release alone of an Escape whose press went to another window. Modifier
// keys are no step: xdotool holds whichever ones it finds a key filed
// under, and with xkeyboard-config 2.48 (Debian testing), which lists F4 on
// five levels of its key, its F4 comes as Alt pressed, F4 pressed, Alt
// released, F4 released. They are other keys to the program all the same.
struct KeyStep {
    KeySym sym;
    bool down;
};

const char *stepName(bool down) { return down ? "press" : "release"; }

void keys()
{
    std::vector<KeyStep> steps;
    for (KeySym sym : {XK_a, XK_space, XK_Return, XK_q, XK_F4}) {
        steps.push_back({sym, true});
        steps.push_back({sym, false});
    }
    steps.push_back({XK_Escape, false});
    for (const KeyStep &s : steps)
        if (!XKeysymToKeycode(dpy, s.sym))
            die("no key code for %s", XKeysymToString(s.sym));

    // Listen where SDL listens: an event reaches either both of us or neither.
    XSelectInput(dpy, keyWin, KeyPressMask | KeyReleaseMask | (keyWin == top ? StructureNotifyMask : 0));
    XSync(dpy, False);
    waitFrames(10, "before the keys");
    printf("listening\n");

    size_t next = 0;
    XKeyEvent last = {};
    Deadline d;
    while (next < steps.size()) {
        pump(false);
        while (!keysSeen.empty() && next < steps.size()) {
            XKeyEvent k = keysSeen.front();
            keysSeen.pop_front();
            const KeyStep &want = steps[next];
            KeyCode code = XKeysymToKeycode(dpy, want.sym);
            if (k.keycode != code && IsModifierKey(XLookupKeysym(&k, 0)))
                continue;
            if (k.keycode == code && (k.type == KeyPress) == want.down) {
                last = k;
                next++;
                d = Deadline();
                continue;
            }
            // The server reports a faked press as a release and a press with
            // one time stamp, as it reports a held key's repeats.
            if (k.keycode == code && want.down)
                continue;
            if (next > 0 && k.type == KeyPress && last.type == KeyRelease && k.keycode == last.keycode &&
                k.time == last.time) {
                next--; // that release was a repeat: the key is still held
                continue;
            }
            die("waiting for the %s of %s, the window was sent the %s of key code %u", stepName(want.down),
                XKeysymToString(want.sym), stepName(k.type == KeyPress), k.keycode);
        }
        if (next == steps.size())
            break;
        if (destroyed)
            die("the window closed while waiting for the %s of %s", stepName(steps[next].down),
                XKeysymToString(steps[next].sym));
        if (d.passed())
            die("the window was not sent the %s of %s in %.0f s", stepName(steps[next].down),
                XKeysymToString(steps[next].sym), waitSeconds);
        pump(true);
    }
    // Fewer than 30 events are queued now; the program takes one a frame.
    // Once it has drawn 200 more it has taken all of them and is still running.
    long n = waitFrames(200, "after the keys");
    pump(false);
    if (!keysSeen.empty())
        die("the window was sent a key event (code %u) after the Escape release", keysSeen.front().keycode);
    if (destroyed)
        die("the window closed after the other keys or the Escape release");
    printf("%ld frames drawn after 10 key events and a lone Escape release\n", n);
}

// ---- picture

struct Grab {
    std::vector<uint8_t> grey; // 400 x 300 grey levels, row after row
    long nonGrey = 0;
    int firstNonGrey = -1; // a window pixel, row after row
    XColor sample;
    long mixed = 0; // demo pixels whose block of window pixels is not one grey
    int firstMixed = -1;
};

// What the window shows, each demo pixel a block of scale x scale window
// pixels; the demo pixel's grey is its block's first.
Grab grab(int scale)
{
    int w = 400 * scale, h = 300 * scale;
    XWindowAttributes a;
    XGetWindowAttributes(dpy, drawn, &a);
    if (a.width != w || a.height != h)
        die("the drawing window is %dx%d, not %dx%d", a.width, a.height, w, h);
    XImage *img = XGetImage(dpy, drawn, 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img)
        die("XGetImage failed");
    // The colour a pixel shows is its value looked up in the window's
    // colormap, whatever the visual (SDL picks TrueColor or DirectColor).
    std::vector<unsigned long> values(w * h);
    std::map<unsigned long, XColor> colours;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            colours[values[y * w + x] = XGetPixel(img, x, y)] = XColor();
    XDestroyImage(img);
    std::vector<XColor> query;
    for (auto &c : colours) {
        XColor q;
        q.pixel = c.first;
        query.push_back(q);
    }
    XQueryColors(dpy, a.colormap, query.data(), query.size());
    for (auto &q : query)
        colours[q.pixel] = q;

    Grab g;
    g.grey.resize(400 * 300);
    std::vector<bool> mixed(400 * 300);
    for (int i = 0; i < w * h; i++) {
        const XColor &c = colours[values[i]];
        if (c.red != c.green || c.red != c.blue) {
            if (g.nonGrey++ == 0) {
                g.firstNonGrey = i;
                g.sample = c;
            }
        }
        // A block's first pixel, its top left, comes before the rest of it.
        int x = i % w, y = i / w, p = y / scale * 400 + x / scale;
        uint8_t grey = c.red >> 8;
        if (x % scale == 0 && y % scale == 0) {
            g.grey[p] = grey;
        } else if (grey != g.grey[p] && !mixed[p]) {
            mixed[p] = true;
            if (g.mixed++ == 0)
                g.firstMixed = p;
        }
    }
    return g;
}

struct Layout {
    BlobPosition bounce, orbit;
};

struct Search {
    std::vector<BlobPosition> bounces, orbits; // every distinct place the two can be
    BlobPosition pointer;
    SDL_Surface *surface;

    Search(int px, int py)
    {
        Run run;
        startRun(&run);
        std::set<std::pair<int, int>> seen;
        for (int t = 0; t < 360; t++)
            if (seen.insert({run.motion.orbitX[t], run.motion.orbitY[t]}).second)
                orbits.push_back({run.motion.orbitX[t], run.motion.orbitY[t]});
        // The bounce repeats every 43 frames; one cycle has every height.
        SDL_Event none;
        memset(&none, 0, sizeof none);
        seen.clear();
        for (uint32_t f = 0; f < 43; f++) {
            moveBlobs(f, &none, &run.motion);
            if (seen.insert({pallerot[3].x, pallerot[3].y}).second)
                bounces.push_back(pallerot[3]);
        }
        pointer = {px, py};
        surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 300, 8, 0, 0, 0, 0);
        if (!surface || surface->pitch != 400)
            die("no 400x300 8-bit surface to draw into: %s", SDL_GetError());
    }

    // Mismatching pixels between the grab and the frame drawn for this layout.
    long compare(const std::vector<uint8_t> &shown, const Layout &l)
    {
        // The still blobs are where the program starts them, in a row at half height.
        memcpy(pallerot, firstFrame, 3 * sizeof *pallerot);
        pallerot[3] = l.bounce;
        pallerot[4] = l.orbit;
        pallerot[5] = pointer;
        piirtele(surface);
        const uint8_t *want = (const uint8_t *)surface->pixels;
        if (memcmp(want, shown.data(), 400 * 300) == 0)
            return 0;
        long n = 0;
        for (int i = 0; i < 400 * 300; i++)
            n += want[i] != shown[i];
        return n;
    }

    // Every blob's own pixel is white, so only layouts whose two moving blobs
    // stand on white pixels are drawn in full, unless all are asked for.
    bool find(const std::vector<uint8_t> &shown, bool all, Layout &best, long &bestCount)
    {
        bestCount = -1;
        auto white = [&](BlobPosition p) { return shown[p.y * 400 + p.x] == 255; };
        for (BlobPosition b : bounces) {
            if (!all && !white(b))
                continue;
            for (BlobPosition o : orbits) {
                if (!all && !white(o))
                    continue;
                long n = compare(shown, {b, o});
                if (bestCount < 0 || n < bestCount) {
                    bestCount = n;
                    best = {b, o};
                }
                if (n == 0)
                    return true;
            }
        }
        return false;
    }
};

void picture(int x, int y, int px, int py, bool hold, int scale)
{
    Search search(px, py);
    focus();
    if (hold) {
        // A button pressed inside the window grabs the pointer for it, so the
        // moves that follow are reported to it even outside its edges.
        pointerTo(390, 290);
        XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    }
    pointerTo(x, y);
    XSync(dpy, False);

    Deadline d;
    int grabs = 0;
    Grab g;
    Layout l = {};
    long count;
    for (;;) {
        g = grab(scale);
        grabs++;
        if (g.nonGrey)
            die("%ld pixels are not grey; the first at (%d, %d) is #%04x%04x%04x", g.nonGrey,
                g.firstNonGrey % (400 * scale), g.firstNonGrey / (400 * scale), g.sample.red, g.sample.green,
                g.sample.blue);
        if (!g.mixed && search.find(g.grey, false, l, count))
            break;
        if (d.passed()) {
            if (g.mixed)
                die("%ld of the 120000 blocks of %dx%d window pixels are not one grey after %d grabs in %.0f s; "
                    "the first is demo pixel (%d, %d)",
                    g.mixed, scale, scale, grabs, waitSeconds, g.firstMixed % 400, g.firstMixed / 400);
            search.find(g.grey, true, l, count);
            die("no frame with the pointer blob at (%d, %d) matches the window after %d grabs in %.0f s; "
                "closest: bounce (%d, %d), orbit (%d, %d), %ld of 120000 pixels differ",
                px, py, grabs, waitSeconds, l.bounce.x, l.bounce.y, l.orbit.x, l.orbit.y, count);
        }
        pump(true);
    }
    if (hold) {
        XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
        XSync(dpy, False);
    }
    printf("the window shows the frame with bounce (%d, %d), orbit (%d, %d), pointer (%d, %d); %d grabs\n",
           l.bounce.x, l.bounce.y, l.orbit.x, l.orbit.y, px, py, grabs);
}

// ---- flood

char processState(pid_t pid)
{
    char path[64], buf[512];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE *f = fopen(path, "r");
    if (!f)
        return 0;
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    const char *p = strrchr(buf, ')'); // the name in brackets may hold anything
    return p && p[1] == ' ' ? p[2] : 0;
}

void stop(pid_t pid)
{
    kill(pid, SIGSTOP);
    Deadline d;
    while (processState(pid) != 'T') {
        if (d.passed())
            die("process %d did not stop (state %c)", (int)pid, processState(pid));
        usleep(1000);
    }
}

// The program is stopped while each batch is queued, so the whole batch
// waits in the queue at once. Batches stay under SDL's queue of 128, which
// drops what does not fit; the next is sent only after the program has drawn
// a frame for every event of the last. The last batch ends with Escape: taken
// one event a frame, it is reached only after a frame per move, whereas a
// loop that emptied the queue every frame would end at once.
void flood(pid_t pid, int batches, int size)
{
    if (size > 100)
        die("batches of more than 100 could overflow SDL's event queue");
    focus();
    pointerTo(5, 5);
    XSync(dpy, False);
    waitFrames(10, "before the flood");
    KeyCode esc = XKeysymToKeycode(dpy, XK_Escape);
    long moves = 0, lastFrames = 0;
    for (int b = 0; b < batches; b++) {
        bool last = b == batches - 1;
        stop(pid);
        for (int i = 0; i < size; i++, moves++) // each move lands on a new pixel
            pointerTo(10 + moves % 380, 10 + moves / 380 % 280);
        if (last) {
            XTestFakeKeyEvent(dpy, esc, True, CurrentTime);
            XTestFakeKeyEvent(dpy, esc, False, CurrentTime);
        }
        XSync(dpy, False);
        pump(false); // frames from before the stop are not counted after it
        kill(pid, SIGCONT);
        if (!last) {
            waitFrames(size, "working off a batch");
            if (destroyed)
                die("the run ended during batch %d of %d, before its Escape", b + 1, batches);
        } else {
            Deadline d;
            long from = damaged;
            while (!destroyed) {
                if (d.passed())
                    die("the window was still open %.0f s after the final Escape (%ld frames drawn since)",
                        waitSeconds, damaged - from);
                pump(true);
            }
            lastFrames = damaged - from;
        }
    }
    printf("%ld pointer moves in %d batches; %ld frames drawn between the last batch and the end\n", moves,
           batches, lastFrames);
    if (lastFrames < size)
        die("the last batch of %d moves and Escape ended the run after %ld frames: more than one event "
            "was taken per frame", size, lastFrames);
}

// ---- cover

// A window no window manager would touch, as a menu or a tooltip is.
[[noreturn]] void cover(int x, int y, int w, int h)
{
    int rx, ry;
    Window child;
    XTranslateCoordinates(dpy, drawn, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
    XSetWindowAttributes sa;
    sa.override_redirect = True;
    sa.background_pixel = 0x808080; // a grey the demo also draws, so only its place tells it apart
    Window over = XCreateWindow(dpy, DefaultRootWindow(dpy), rx, ry, w, h, 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWOverrideRedirect | CWBackPixel, &sa);
    XMapRaised(dpy, over);
    // The server has mapped it and painted its background once this returns.
    XSync(dpy, False);
    printf("covered\n");
    // Until killed, or until the server goes, which Xlib ends it for.
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
    }
}

// ---- shot

// The frames of a windowshot file as grey levels, 400 x 300 each.
std::vector<std::vector<uint8_t>> readShot(const char *file)
{
    std::string why;
    size_t n = strlen(file);
    Picture pic = n > 4 && strcmp(file + n - 4, ".png") == 0 ? decodePng(slurp(file), &why) : decodeGif(file, &why);
    if (!why.empty())
        die("%s: %s", file, why.c_str());
    // A compositor's screenshot is RGB: every pixel of the window must still
    // be one of the palette's greys.
    if (pic.channels == 3 && pic.width == 400 && pic.height == 300) {
        std::vector<uint8_t> &rgb = pic.frames[0];
        for (int i = 0; i < 400 * 300; i++) {
            const uint8_t *p = &rgb[3 * i];
            if (p[0] != p[1] || p[0] != p[2])
                die("%s: pixel (%d, %d) is #%02x%02x%02x, not a grey", file, i % 400, i / 400, p[0], p[1], p[2]);
            rgb[i] = p[0];
        }
        rgb.resize(400 * 300);
        pic.channels = 1;
    }
    if (pic.width != 400 || pic.height != 300 || pic.channels != 1)
        die("%s is %dx%d with %d channels, not 400x300 in greys", file, pic.width, pic.height, pic.channels);
    return pic.frames;
}

void shot(const char *file, int px, int py, size_t count)
{
    auto frames = readShot(file);
    if (frames.size() != count)
        die("%s holds %zu frames, not %zu", file, frames.size(), count);
    Search search(px, py);
    size_t wrong = 0;
    for (size_t f = 0; f < frames.size(); f++) {
        Layout l = {};
        long differ;
        if (!search.find(frames[f], false, l, differ)) {
            search.find(frames[f], true, l, differ);
            printf("%s: frame %zu is none the renderer draws with the pointer blob at (%d, %d); closest: bounce "
                   "(%d, %d), orbit (%d, %d), %ld of 120000 pixels differ\n",
                   file, f, px, py, l.bounce.x, l.bounce.y, l.orbit.x, l.orbit.y, differ);
            wrong++;
        }
    }
    if (wrong)
        die("%s: %zu of %zu frames are not the renderer's", file, wrong, frames.size());
    printf("%s: %zu frames, each the renderer's\n", file, frames.size());
}

// picture's [hold] [scale N]
bool pictureOptions(int n, char **args, bool *hold, int *scale)
{
    for (int i = 0; i < n; i++) {
        if (strcmp(args[i], "hold") == 0 && !*hold)
            *hold = true;
        else if (strcmp(args[i], "scale") == 0 && i + 1 < n && atoi(args[i + 1]) >= 1)
            *scale = atoi(args[++i]);
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string cmd = argc > 1 ? argv[1] : "";
    bool hold = false;
    int scale = 1;
    if (cmd == "frames" && argc == 4) {
        open(argv[2]);
        long n = waitFrames(atol(argv[3]), "frames");
        if (destroyed)
            die("the window closed after %ld frames", n);
        printf("%ld frames drawn\n", n);
    } else if (cmd == "close" && argc == 3) {
        open(argv[2]);
        closeRequest();
    } else if (cmd == "keys" && argc == 3) {
        open(argv[2]);
        keys();
    } else if (cmd == "picture" && argc >= 7 && pictureOptions(argc - 7, argv + 7, &hold, &scale)) {
        open(argv[2]);
        picture(atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), hold, scale);
    } else if (cmd == "flood" && argc == 6) {
        open(argv[3]);
        flood(atoi(argv[2]), atoi(argv[4]), atoi(argv[5]));
    } else if (cmd == "cover" && argc == 7) {
        open(argv[2]);
        cover(atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
    } else if (cmd == "shot" && argc == 6) {
        shot(argv[2], atoi(argv[3]), atoi(argv[4]), atol(argv[5]));
        return 0;
    } else {
        fprintf(stderr, "usage: see the top of xdriver.cpp\n");
        return 2;
    }
    XCloseDisplay(dpy);
    return 0;
}
