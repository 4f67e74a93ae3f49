#include "OpenFailure.h"

#include "PdfiumApi.h"

#include <cerrno>

OpenFailure::Reason OpenFailure::ofError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return Permission;
    case ENOENT:
    case ENOTDIR:
        return NotFound;
    case EINVAL: // the scratch file's word for a file that is not a regular one
    case EISDIR:
    case ENXIO:
    case ENODEV:
        return NotRegular;
    default:
        return NotRead;
    }
}

OpenFailure::Reason OpenFailure::ofPdfium(unsigned long error)
{
    switch (error) {
    case FPDF_ERR_PASSWORD:
    case FPDF_ERR_SECURITY:
        return Password;
    case FPDF_ERR_FILE:
    case FPDF_ERR_FORMAT:
    case FPDF_ERR_PAGE:
    case FPDF_ERR_UNKNOWN:
        return Damaged;
    default:
        return NotRead;
    }
}

const char *OpenFailure::key(Reason reason)
{
    switch (reason) {
    case NotFound:
        return "open_reason_not_found";
    case Permission:
        return "open_reason_permission";
    case NotRegular:
        return "open_reason_not_regular";
    case Empty:
        return "open_reason_empty";
    case Password:
        return "open_reason_password";
    case Damaged:
        return "open_reason_damaged";
    case NoPages:
        return "open_reason_no_pages";
    case NotRead:
        break;
    }
    return "open_reason_not_read";
}
