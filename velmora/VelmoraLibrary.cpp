// Start-up and shut-down of the library, run when it is loaded and unloaded.

#include "InkSession.h"
#include "PadLog.h"
#include "PadSession.h"
#include "PadSettings.h"

#include <dlfcn.h>
#include <string>

namespace {

std::string libraryFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname)
        return ".";
    const std::string file = info.dli_fname;
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

__attribute__((constructor)) void startUp()
{
    PadSettingsStore::instance().loadAtStartUp(libraryFolder() + "/RZK_PadsafeConf.INI");
    InkSession::instance();
    PadLog::instance().setPath(PadLog::defaultPath());
    padLog(OpenRoot, "Enter the LOG_ROOT_INTO for library Velmora.dll (V9.2)");
}

__attribute__((destructor)) void shutDown()
{
    PadSession::instance().shutDown();
    padLog(CloseRoot, "Exit the LOG_ROOT_INTO for library Velmora.dll");
}

} // namespace
