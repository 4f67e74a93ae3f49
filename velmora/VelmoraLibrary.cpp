// Start-up and shut-down of the library, run when it is loaded and unloaded.

#include "InkSession.h"
#include "PadLog.h"
#include "PadSession.h"
#include "PadSettings.h"

#include "platform/Libraries.h"

#include <string>

namespace {

std::string libraryFolder()
{
    const std::string folder = platform::libraries::ownFolder(reinterpret_cast<const void*>(&libraryFolder));
    return folder.empty() ? "." : folder;
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
