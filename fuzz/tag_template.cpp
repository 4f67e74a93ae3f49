// Tag template files: every tag read is written back so that reading that text gives the same tags.

#include "FuzzInput.h"

#include "TagTemplate.h"

#include <tuple>

namespace {

auto fields(const PdfSignTag &t)
{
    return std::tie(t.page, t.x, t.y, t.w, t.h, t.type, t.title);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int pageCount = in.u8();
    const std::vector<uint8_t> text = in.rest();
    QList<PdfSignTag> tags;
    if (!TagTemplate::read(QByteArray(reinterpret_cast<const char *>(text.data()), int(text.size())), pageCount, &tags))
        return 0;
    QList<PdfSignTag> again;
    FUZZ_CHECK(TagTemplate::read(TagTemplate::write(tags), pageCount, &again));
    FUZZ_CHECK(again.size() == tags.size());
    for (int i = 0; i < tags.size(); ++i) {
        const PdfSignTag &t = tags[i];
        FUZZ_CHECK(t.page >= 1 && t.page <= pageCount && t.w > 0 && t.h > 0);
        FUZZ_CHECK(fields(again[i]) == fields(t));
    }
    return 0;
}
