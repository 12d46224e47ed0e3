#pragma once
// Header only: the start-up baseline program (bench/) uses it too, without
// the rest of the UI libraries.

#include <QGuiApplication>
#include <cstdlib>

#if defined(KORV_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace korv {

// Waits until the X server has handled every request sent so far (one round
// trip): after a paint, the window's pixels are then on the screen, not only
// queued for the server. Start-up timing ends here, so that a program that
// sends more to the server before its first frame pays for it. Other window
// systems return at once.
inline void WaitForDisplayServer() {
#if defined(KORV_HAVE_XCB) && QT_CONFIG(xcb)
  // The offscreen platform answers as X11 too, without a connection.
  auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t *connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection != nullptr)
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
#endif
}

} // namespace korv
