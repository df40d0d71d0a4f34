#include "support/BareJpeg.h"

#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace quorvel::bench {

QSize decodeJpegBare(const QByteArray &path, int eighths)
{
    FILE *file = std::fopen(path.constData(), "rb");
    if (!file)
        return {};
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.scale_num = eighths;
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(size_t(info.output_width) * info.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows, 1);
    const QSize decoded(int(info.output_width), int(info.output_height));
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return decoded;
}

} // namespace quorvel::bench
