// Named moments in the programs' long work (a download under way, an import about to start, the
// window taking a close), where a test build can hold the thread that reaches one until its
// driver lets it go, or learn that it was passed. The programs users run install no hook: a
// point is then one load of a null pointer.
#pragma once

namespace kovra {

using TestPointHook = void (*)(const char* name);

// Installed once, before any thread that passes a point starts.
void SetTestPointHook(TestPointHook hook);
void TestPoint(const char* name);

}  // namespace kovra
