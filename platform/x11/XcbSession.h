#pragma once

#include <cstdint>

struct xcb_connection_t;
struct _XDisplay;

// Qt's own X connection, shared by the X11 backends of the activation model, so that
// their requests are ordered with Qt's. Everything answers "absent" unless the Qt
// platform is xcb.
namespace XcbSession {

bool available();
xcb_connection_t *connection();
_XDisplay *display();
std::uint32_t rootWindow();
// The atom of name (interned once per name, 0 when unavailable).
std::uint32_t atom(const char *name);

} // namespace XcbSession
