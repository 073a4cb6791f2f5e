// A drag source for tests: drops files onto the X window under the mouse
// pointer with the XDND protocol, as a file manager does. Move the pointer
// first (xdotool mousemove), then run
//   kestrel_xdnd_drag [--timeout MS] PATH...
// The paths travel as a text/uri-list of percent-encoded file URIs. Exit
// code 0 when the target accepted and finished the drop.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "UriList.h"

namespace {

constexpr long kXdndVersion = 5;

struct Atoms {
    Atom aware, selection, enter, position, status, leave, drop, finished, actionCopy, uriList, targets;
    explicit Atoms(Display* pDisplay)
        : aware(XInternAtom(pDisplay, "XdndAware", False)),
          selection(XInternAtom(pDisplay, "XdndSelection", False)),
          enter(XInternAtom(pDisplay, "XdndEnter", False)),
          position(XInternAtom(pDisplay, "XdndPosition", False)),
          status(XInternAtom(pDisplay, "XdndStatus", False)),
          leave(XInternAtom(pDisplay, "XdndLeave", False)),
          drop(XInternAtom(pDisplay, "XdndDrop", False)),
          finished(XInternAtom(pDisplay, "XdndFinished", False)),
          actionCopy(XInternAtom(pDisplay, "XdndActionCopy", False)),
          uriList(XInternAtom(pDisplay, "text/uri-list", False)),
          targets(XInternAtom(pDisplay, "TARGETS", False)) {}
};

long NowMs() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return tv.tv_sec * 1000L + tv.tv_usec / 1000L;
}

bool IsXdndAware(Display* pDisplay, const Atoms& atoms, Window window) {
    Atom actualType = None;
    int nFormat = 0;
    unsigned long nItems = 0;
    unsigned long nAfter = 0;
    unsigned char* pData = nullptr;
    const int nStatus = XGetWindowProperty(pDisplay, window, atoms.aware, 0, 1, False, XA_ATOM, &actualType,
                                           &nFormat, &nItems, &nAfter, &pData);
    const bool bAware = nStatus == Success && actualType == XA_ATOM && nItems == 1;
    if (pData != nullptr) {
        XFree(pData);
    }
    return bAware;
}

// The outermost XdndAware window under the root position (x, y).
Window FindTarget(Display* pDisplay, const Atoms& atoms, int x, int y) {
    Window root = DefaultRootWindow(pDisplay);
    Window current = root;
    for (;;) {
        int nChildX = 0;
        int nChildY = 0;
        Window child = None;
        if (!XTranslateCoordinates(pDisplay, root, current, x, y, &nChildX, &nChildY, &child) || child == None) {
            return None;
        }
        if (IsXdndAware(pDisplay, atoms, child)) {
            return child;
        }
        current = child;
    }
}

void SendClientMessage(Display* pDisplay, Window target, Atom type, const long (&alData)[5]) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = pDisplay;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) {
        event.xclient.data.l[i] = alData[i];
    }
    XSendEvent(pDisplay, target, False, NoEventMask, &event);
    XFlush(pDisplay);
}

void AnswerSelectionRequest(Display* pDisplay, const Atoms& atoms, const XSelectionRequestEvent& request,
                            const std::string& strUriList) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = pDisplay;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    const Atom property = request.property != None ? request.property : request.target;
    if (request.target == atoms.uriList) {
        XChangeProperty(pDisplay, request.requestor, property, atoms.uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(strUriList.data()),
                        static_cast<int>(strUriList.size()));
        reply.xselection.property = property;
    } else if (request.target == atoms.targets) {
        const Atom aTargets[] = {atoms.targets, atoms.uriList};
        XChangeProperty(pDisplay, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(aTargets), 2);
        reply.xselection.property = property;
    }
    XSendEvent(pDisplay, request.requestor, False, NoEventMask, &reply);
    XFlush(pDisplay);
}

}  // namespace

int main(int argc, char** argv) {
    long nTimeoutMs = 10000;
    std::vector<std::string> vecPaths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            nTimeoutMs = std::atol(argv[++i]);
        } else {
            vecPaths.emplace_back(argv[i]);
        }
    }
    if (vecPaths.empty()) {
        std::fprintf(stderr, "usage: %s [--timeout MS] PATH...\n", argv[0]);
        return 2;
    }
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr) {
        std::fprintf(stderr, "cannot open display\n");
        return 2;
    }
    const Atoms atoms(pDisplay);
    const std::string strUriList = MakeUriList(vecPaths);

    // An unmapped window owns the drag selection and receives the replies.
    Window source = XCreateSimpleWindow(pDisplay, DefaultRootWindow(pDisplay), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(pDisplay, atoms.selection, source, CurrentTime);
    if (XGetSelectionOwner(pDisplay, atoms.selection) != source) {
        std::fprintf(stderr, "cannot own the drag selection\n");
        return 2;
    }

    Window root = DefaultRootWindow(pDisplay);
    Window rootReturn = None;
    Window childReturn = None;
    int x = 0;
    int y = 0;
    int nWinX = 0;
    int nWinY = 0;
    unsigned int nMask = 0;
    XQueryPointer(pDisplay, root, &rootReturn, &childReturn, &x, &y, &nWinX, &nWinY, &nMask);
    Window target = FindTarget(pDisplay, atoms, x, y);
    if (target == None) {
        std::fprintf(stderr, "no drop target under the pointer at %d,%d\n", x, y);
        return 1;
    }

    const long lSource = static_cast<long>(source);
    SendClientMessage(pDisplay, target, atoms.enter,
                      {lSource, kXdndVersion << 24, static_cast<long>(atoms.uriList), 0, 0});
    SendClientMessage(pDisplay, target, atoms.position,
                      {lSource, 0, (static_cast<long>(x) << 16) | (y & 0xFFFF), CurrentTime,
                       static_cast<long>(atoms.actionCopy)});

    enum class Stage { WaitStatus, WaitFinished } stage = Stage::WaitStatus;
    const long nDeadline = NowMs() + nTimeoutMs;
    while (NowMs() < nDeadline) {
        if (XPending(pDisplay) == 0) {
            usleep(5000);
            continue;
        }
        XEvent event{};
        XNextEvent(pDisplay, &event);
        if (event.type == SelectionRequest) {
            AnswerSelectionRequest(pDisplay, atoms, event.xselectionrequest, strUriList);
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.status &&
                   stage == Stage::WaitStatus) {
            if ((event.xclient.data.l[1] & 1) == 0) {
                std::fprintf(stderr, "the target refused the drop\n");
                SendClientMessage(pDisplay, target, atoms.leave, {lSource, 0, 0, 0, 0});
                return 1;
            }
            SendClientMessage(pDisplay, target, atoms.drop, {lSource, 0, CurrentTime, 0, 0});
            stage = Stage::WaitFinished;
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.finished) {
            XCloseDisplay(pDisplay);
            return 0;
        }
    }
    std::fprintf(stderr, "drop timed out\n");
    return 1;
}
