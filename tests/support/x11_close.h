// SPDX-License-Identifier: GPL-3.0-or-later
// Asks an X11 window to close, as a window manager's close button does (WM_DELETE_WINDOW). Xvfb
// runs without a window manager; the end-to-end test and the start-up benchmark close through this.
#pragma once

#include <X11/Xlib.h>

namespace rolvane::x11 {

inline void requestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

} // namespace rolvane::x11
