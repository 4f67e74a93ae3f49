#pragma once

#include <string>

namespace platform {

// Shared libraries of the running process. `anchor` is the address of a function of the
// caller's own module (its library or program), so these name the caller's folder even when the
// platform layer is linked elsewhere.
namespace libraries {

// The folder of the file the caller's module was loaded from, without a trailing slash; empty
// when it cannot be told.
std::string ownFolder(const void *anchor);

// Loads `name` from the caller's own folder first (a bare name is otherwise searched for on
// behalf of whoever calls the loader, which is not always the caller: sanitizer runtimes
// intercept it), then where the system looks. Null when neither loads. Never unloaded.
void *openBesideCaller(const void *anchor, const std::string &name);

// A function or variable of a loaded library; null when the library is null or lacks it.
void *symbol(void *library, const char *name);

} // namespace libraries
} // namespace platform
