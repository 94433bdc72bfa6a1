// Any bytes as a disc metadata file: values stay below 256 bytes, nothing is read past the
// end of a line piece.
#include "sources/bluray/DiscMetadata.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const DiscMetadata metadata = ReadDiscMetadata(buffer);
    if (metadata.Name.size() >= 256 || metadata.Thumbnail.size() >= 256)
        abort();
    return 0;
}
