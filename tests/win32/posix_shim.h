// Included first in the suite's Windows build, so that tests written for
// POSIX systems compile there unchanged. A file's permission bits do not keep
// Windows from reading it, as they do not keep root from it: the tests that
// skip such checks for root skip them here too.
#pragma once

#ifdef _WIN32
inline int geteuid() { return 0; }
#endif
