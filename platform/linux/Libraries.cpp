#include "platform/Libraries.h"

#include <dlfcn.h>

namespace platform {
namespace libraries {

std::string ownFolder(const void *anchor)
{
    Dl_info info{};
    if (!dladdr(anchor, &info) || !info.dli_fname)
        return std::string();
    const std::string file = info.dli_fname;
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : file.substr(0, slash);
}

void *openBesideCaller(const void *anchor, const std::string &name)
{
    const std::string folder = ownFolder(anchor);
    if (!folder.empty() && name.find('/') == std::string::npos) {
        if (void *beside = dlopen((folder + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL))
            return beside;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *symbol(void *library, const char *name)
{
    return library ? dlsym(library, name) : nullptr;
}

} // namespace libraries
} // namespace platform
