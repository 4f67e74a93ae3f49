#pragma once

// The part of pdfium's public C interface that Inkwarden calls, declared from its documented API.
// libpdfium.so is linked at load time (set-up fetches it into third_party/pdfium/).

#include <stddef.h>

extern "C" {

typedef struct fpdf_document_t__ *FPDF_DOCUMENT;
typedef struct fpdf_page_t__ *FPDF_PAGE;
typedef struct fpdf_bitmap_t__ *FPDF_BITMAP;
typedef struct fpdf_pageobject_t__ *FPDF_PAGEOBJECT;
typedef int FPDF_BOOL;
typedef unsigned long FPDF_DWORD;
typedef const char *FPDF_STRING;
typedef const char *FPDF_BYTESTRING;

typedef struct FPDF_FILEWRITE_
{
    int version; // 1
    int (*WriteBlock)(struct FPDF_FILEWRITE_ *self, const void *data, unsigned long size);
} FPDF_FILEWRITE;

typedef struct
{
    unsigned long m_FileLen;
    int (*m_GetBlock)(void *param, unsigned long position, unsigned char *pBuf, unsigned long size);
    void *m_Param;
} FPDF_FILEACCESS;

typedef struct
{
    float a, b, c, d, e, f;
} FS_MATRIX;

enum {
    FPDF_ERR_SUCCESS = 0,
    FPDF_ERR_UNKNOWN = 1,
    FPDF_ERR_FILE = 2,
    FPDF_ERR_FORMAT = 3,
    FPDF_ERR_PASSWORD = 4,
    FPDF_ERR_SECURITY = 5,
    FPDF_ERR_PAGE = 6,
};

enum { FPDF_ANNOT = 0x01 };
enum { FPDF_INCREMENTAL = 1, FPDF_NO_INCREMENTAL = 2 };
enum { FPDFBitmap_BGRx = 3, FPDFBitmap_BGRA = 4 };
enum { FPDF_PAGEOBJ_IMAGE = 3 };

void FPDF_InitLibrary();
void FPDF_DestroyLibrary();

FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING filePath, FPDF_BYTESTRING password);
FPDF_DOCUMENT FPDF_LoadMemDocument(const void *data, int size, FPDF_BYTESTRING password);
FPDF_DOCUMENT FPDF_LoadMemDocument64(const void *data, size_t size, FPDF_BYTESTRING password);
FPDF_DOCUMENT FPDF_LoadCustomDocument(FPDF_FILEACCESS *fileAccess, FPDF_BYTESTRING password);
FPDF_DOCUMENT FPDF_CreateNewDocument();
unsigned long FPDF_GetLastError();
int FPDF_GetPageCount(FPDF_DOCUMENT document);
void FPDF_CloseDocument(FPDF_DOCUMENT document);
// The text of a document-information entry as UTF-16LE with its terminator; the result is its byte count.
unsigned long FPDF_GetMetaText(FPDF_DOCUMENT document, FPDF_BYTESTRING tag, void *buffer, unsigned long length);
FPDF_BOOL FPDF_SaveAsCopy(FPDF_DOCUMENT document, FPDF_FILEWRITE *fileWrite, FPDF_DWORD flags);

FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex);
FPDF_PAGE FPDFPage_New(FPDF_DOCUMENT document, int pageIndex, double width, double height);
void FPDF_ClosePage(FPDF_PAGE page);
double FPDF_GetPageWidth(FPDF_PAGE page);
double FPDF_GetPageHeight(FPDF_PAGE page);
void FPDFPage_SetRotation(FPDF_PAGE page, int rotate);
void FPDFPage_SetMediaBox(FPDF_PAGE page, float left, float bottom, float right, float top);
FPDF_BOOL FPDF_DeviceToPage(FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate,
                            int deviceX, int deviceY, double *pageX, double *pageY);

FPDF_BITMAP FPDFBitmap_Create(int width, int height, int alpha);
FPDF_BITMAP FPDFBitmap_CreateEx(int width, int height, int format, void *firstScan, int stride);
// Newer releases return a FPDF_BOOL; the result is not relied on.
void FPDFBitmap_FillRect(FPDF_BITMAP bitmap, int left, int top, int width, int height, FPDF_DWORD color);
void *FPDFBitmap_GetBuffer(FPDF_BITMAP bitmap);
int FPDFBitmap_GetWidth(FPDF_BITMAP bitmap);
int FPDFBitmap_GetHeight(FPDF_BITMAP bitmap);
int FPDFBitmap_GetStride(FPDF_BITMAP bitmap);
void FPDFBitmap_Destroy(FPDF_BITMAP bitmap);
void FPDF_RenderPageBitmap(FPDF_BITMAP bitmap, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                           int rotate, int flags);

FPDF_PAGEOBJECT FPDFPageObj_NewImageObj(FPDF_DOCUMENT document);
FPDF_BOOL FPDFImageObj_SetBitmap(FPDF_PAGE *pages, int count, FPDF_PAGEOBJECT imageObject, FPDF_BITMAP bitmap);
FPDF_BOOL FPDFImageObj_SetMatrix(FPDF_PAGEOBJECT imageObject, double a, double b, double c, double d, double e,
                                 double f);
void FPDFPageObj_Destroy(FPDF_PAGEOBJECT pageObject);
int FPDFPageObj_GetType(FPDF_PAGEOBJECT pageObject);
FPDF_BOOL FPDFPageObj_GetMatrix(FPDF_PAGEOBJECT pageObject, FS_MATRIX *matrix);
void FPDFPage_InsertObject(FPDF_PAGE page, FPDF_PAGEOBJECT pageObject);
FPDF_BOOL FPDFPage_RemoveObject(FPDF_PAGE page, FPDF_PAGEOBJECT pageObject);
int FPDFPage_CountObjects(FPDF_PAGE page);
FPDF_PAGEOBJECT FPDFPage_GetObject(FPDF_PAGE page, int index);
FPDF_BOOL FPDFPage_GenerateContent(FPDF_PAGE page);

} // extern "C"
