#include "pictures/JpegDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared
#include <memory>
#include <QBuffer>
#include <QIODevice>
#include <QSysInfo>
#include <sys/mman.h>

extern "C" {
#include <jpeglib.h>
}

namespace quorvel::pictures {

namespace {

// A camera's JPEG of 24 megapixels is some 8 MB: read in blocks this large it
// takes a hundred reads, not the two thousand of Qt's 4 kB.
constexpr qint64 blockSize = 64 * 1024;

// QImage's RGB32 holds a pixel as the word 0xFFRRGGBB: in memory blue first
// on this machine's byte order, the unused byte first on the other. libjpeg
// writes the unused byte as 0xFF.
constexpr J_COLOR_SPACE wordPixels =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

struct Errors : jpeg_error_mgr
{
    std::jmp_buf back;
    bool cancelled = false;
};

struct Source : jpeg_source_mgr
{
    QIODevice *device = nullptr;
    // A buffer's bytes are handed to libjpeg as they are, with no copy.
    const QBuffer *memory = nullptr;
    const std::atomic<bool> *cancelled = nullptr;
    std::array<JOCTET, blockSize> block{};
};

// libjpeg's way out of an error is never to return: back to decode(), which
// frees everything libjpeg holds.
[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(static_cast<Errors *>(info->err)->back, 1);
}

// Nothing is printed, neither for damaged data (the picture is shown as far
// as it goes, or said to be damaged) nor for a decode given up.
void sayNothing(j_common_ptr) {}

void startSource(j_decompress_ptr) {}

boolean fillBlock(j_decompress_ptr info)
{
    auto *source = static_cast<Source *>(info->src);
    if (source->cancelled->load(std::memory_order_relaxed)) {
        static_cast<Errors *>(info->err)->cancelled = true;
        leave(reinterpret_cast<j_common_ptr>(info));
    }
    qint64 read = 0;
    if (source->memory) {
        const QByteArray &bytes = source->memory->data();
        read = bytes.size() - source->memory->pos();
        source->next_input_byte =
            reinterpret_cast<const JOCTET *>(bytes.constData()) + source->memory->pos();
        source->device->seek(bytes.size());
    } else {
        read = source->device->read(reinterpret_cast<char *>(source->block.data()), blockSize);
        source->next_input_byte = source->block.data();
    }
    if (read <= 0) {
        // A file shorter than its header says: libjpeg's own end marker, so
        // that what was read is shown, as by Qt's reader.
        static constexpr std::array<JOCTET, 2> endOfImage{0xFF, JPEG_EOI};
        source->next_input_byte = endOfImage.data();
        source->bytes_in_buffer = endOfImage.size();
        return TRUE;
    }
    source->bytes_in_buffer = size_t(read);
    return TRUE;
}

void skipBytes(j_decompress_ptr info, long count)
{
    auto *source = static_cast<Source *>(info->src);
    if (count <= 0)
        return;
    if (size_t(count) <= source->bytes_in_buffer) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
        return;
    }
    const qint64 beyond = count - qint64(source->bytes_in_buffer);
    source->bytes_in_buffer = 0;
    if (!source->device->seek(source->device->pos() + beyond))
        leave(reinterpret_cast<j_common_ptr>(info));
}

void endSource(j_decompress_ptr) {}

struct Mapping
{
    void *start;
    size_t length;
};

// A picture of many megapixels, decoded whole for a look at one to one, in
// memory of its own given to the kernel's large pages where it has them: a
// fresh 96 MB otherwise costs 24,000 page faults, some 30 ms here beside the
// 110 ms of its decode. A small one comes from the heap.
QImage allocate(int width, int height)
{
    constexpr qsizetype large = 16 * 1024 * 1024;
    const qsizetype stride = qsizetype(width) * 4;
    const qsizetype bytes = stride * height;
    if (width <= 0 || height <= 0 || bytes / stride != height)
        return {};
#if defined(MADV_HUGEPAGE)
    if (bytes >= large) {
        void *memory = mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            return {};
        madvise(memory, size_t(bytes), MADV_HUGEPAGE);
        return QImage(
            static_cast<uchar *>(memory), width, height, stride, QImage::Format_RGB32,
            [](void *mapping) {
                const auto *mapped = static_cast<const Mapping *>(mapping);
                munmap(mapped->start, mapped->length);
                delete mapped;
            },
            new Mapping{memory, size_t(bytes)});
    }
#endif
    return QImage(width, height, QImage::Format_RGB32);
}

// Every C++ object lives in the caller: a longjmp out of libjpeg skips no
// destructor here.
JpegDecoder::Outcome decodeWith(jpeg_decompress_struct &info, Errors &errors, Source &source,
                                const QSize &pixels, const std::atomic<bool> &cancelled,
                                JpegDecoder::Fit fit, QImage &image)
{
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return errors.cancelled ? JpegDecoder::Outcome::Cancelled : JpegDecoder::Outcome::Damaged;
    }
    jpeg_create_decompress(&info);
    info.src = &source;
    jpeg_read_header(&info, TRUE);
    if (info.num_components != 3 ||
        (info.jpeg_color_space != JCS_YCbCr && info.jpeg_color_space != JCS_RGB)) {
        jpeg_destroy_decompress(&info);
        return JpegDecoder::Outcome::NotHandled;
    }
    const double reduction = std::min(double(info.image_width) / pixels.width(),
                                      double(info.image_height) / pixels.height());
    info.scale_num = std::clamp(int(std::ceil(8 / reduction)), 1, 8);
    info.scale_denom = 8;
    info.out_color_space = wordPixels;
    // A decode at least the size asked for is brought down from it by its
    // caller, twice or more for focus peaking: the colours' smooth doubling,
    // some fifth of the time of a decode at 2/8 here, would not show.
    if (fit == JpegDecoder::Fit::AtLeast)
        info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    image = allocate(int(info.output_width), int(info.output_height));
    if (image.isNull())
        leave(reinterpret_cast<j_common_ptr>(&info));
    uchar *const pixelsStart = image.bits();
    const qsizetype stride = image.bytesPerLine();
    while (info.output_scanline < info.output_height) {
        if (cancelled.load(std::memory_order_relaxed)) {
            errors.cancelled = true;
            leave(reinterpret_cast<j_common_ptr>(&info));
        }
        constexpr JDIMENSION rowsAtOnce = 4;
        std::array<JSAMPROW, rowsAtOnce> rows{};
        const JDIMENSION wanted = std::min(rowsAtOnce, info.output_height - info.output_scanline);
        for (JDIMENSION row = 0; row < wanted; ++row)
            rows[row] = pixelsStart + (info.output_scanline + row) * stride;
        jpeg_read_scanlines(&info, rows.data(), wanted);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return JpegDecoder::Outcome::Decoded;
}

} // namespace

JpegDecoder::Outcome JpegDecoder::decode(QIODevice &device, const QSize &pixels,
                                         const std::atomic<bool> &cancelled, QImage &image, Fit fit)
{
    if (pixels.isEmpty())
        return Outcome::Damaged;
    const qint64 start = device.pos();
    // Its block is too large for a worker's stack.
    const auto source = std::make_unique<Source>();
    source->init_source = startSource;
    source->fill_input_buffer = fillBlock;
    source->skip_input_data = skipBytes;
    source->resync_to_restart = jpeg_resync_to_restart;
    source->term_source = endSource;
    source->device = &device;
    source->memory = qobject_cast<const QBuffer *>(&device);
    source->cancelled = &cancelled;
    jpeg_decompress_struct info{};
    Errors errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = leave;
    errors.output_message = sayNothing;

    QImage decoded;
    const Outcome outcome = decodeWith(info, errors, *source, pixels, cancelled, fit, decoded);
    if (outcome == Outcome::NotHandled)
        device.seek(start);
    if (outcome != Outcome::Decoded)
        return outcome;
    const bool covers = decoded.width() >= pixels.width() && decoded.height() >= pixels.height();
    image = decoded.size() == pixels || (fit == Fit::AtLeast && covers)
                ? std::move(decoded)
                : decoded.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.isNull() ? Outcome::Damaged : Outcome::Decoded;
}

} // namespace quorvel::pictures
