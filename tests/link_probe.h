#pragma once

#include "exchange/link.h"

// Whether the window's link to the sensor is of the given kind and open.
inline bool openOver(const Link *link, Link::Kind kind)
{
    return link && link->kind() == kind && link->isOpen();
}
