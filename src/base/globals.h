// Every subsystem lists its globals once, as X(type, name, start value).
// These turn such a list into the declarations, the definitions and the
// resets, so a global's start value is written in one place only; the
// frame loop walks the same lists to write the trace.
#pragma once

#define TS_DECLARE_GLOBAL(type, name, start) extern type name;
#define TS_DEFINE_GLOBAL(type, name, start) type name = start;
#define TS_RESTART_GLOBAL(type, name, start) name = start;
