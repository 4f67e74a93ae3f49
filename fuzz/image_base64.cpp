// Images sent as Base64 text: any text decodes to no image or an image whose PNG Base64
// decodes to the same pixels.

#include "FuzzInput.h"

#include "ImageBase64.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    // Tags carry PNG; the signing result takes whatever format the image library knows.
    const char *format = in.u8() & 1 ? "PNG" : nullptr;
    const std::vector<uint8_t> text = in.rest();
    const QImage image = ImageBase64::decode(QString::fromLatin1(reinterpret_cast<const char *>(text.data()), int(text.size())), format);
    if (image.isNull())
        return 0;
    const QImage again = ImageBase64::decode(ImageBase64::encodePng(image));
    FUZZ_CHECK(!again.isNull() && again.size() == image.size());
    FUZZ_CHECK(again.convertToFormat(QImage::Format_ARGB32) == image.convertToFormat(QImage::Format_ARGB32));
    return 0;
}
