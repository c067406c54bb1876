// Milestones of the start, for bench/startup.sh's accounting: compiled into
// the TickwellTrace variant only (TICKWELL_TRACE_STARTUP), never into the
// program users run. Each point appends "name milliseconds-since-exec" to
// the file named by TICKWELL_TRACE.
#pragma once

#ifdef TICKWELL_TRACE_STARTUP
namespace tickwell::win {
void TracePoint(const char* what);
}
#define TICKWELL_TRACE(what) ::tickwell::win::TracePoint(what)
#else
#define TICKWELL_TRACE(what) ((void)0)
#endif
