#include "PdfFileAccess.h"

#include "platform/ScratchFile.h"

namespace {

int readBlock(void *param, unsigned long position, unsigned char *buffer, unsigned long size)
{
    return static_cast<const platform::ScratchFile *>(param)->readAt(int64_t(position), buffer, size) ? 1 : 0;
}

} // namespace

FPDF_DOCUMENT PdfFileAccess::load(const platform::ScratchFile &file)
{
    const int64_t size = file.size();
    if (size <= 0)
        return nullptr;
    m_access = {static_cast<unsigned long>(size), &readBlock, const_cast<platform::ScratchFile *>(&file)};
    return FPDF_LoadCustomDocument(&m_access, nullptr);
}
