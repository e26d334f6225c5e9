#include "XDisplay.h"

#include <xcb/xcb.h>

bool XDisplayAnswers()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = connection && xcb_connection_has_error(connection) == 0;
    if (connection) xcb_disconnect(connection);
    return answers;
}
