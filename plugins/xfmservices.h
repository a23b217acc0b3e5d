/*
 * xfmservices.h - the graph control and preset services the transform host hands to modules
 * (and exports by name).  Each is WINAPI with C linkage so zelo.exe can export it under its
 * undecorated name (exports.def); they live with the graph control and the presets.
 */
#ifndef ZELO_XFMSERVICES_H
#define ZELO_XFMSERVICES_H

#include "plugins/graph.h"
#include "plugins/presets.h"

#endif
