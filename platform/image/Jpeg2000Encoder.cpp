#include "Jpeg2000Encoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kComponents = 3;
constexpr int kMostResolutions = 6;
constexpr OPJ_SIZE_T kStreamChunk = 1 << 20;

struct CodecDeleter { void operator()(opj_codec_t* c) const { opj_destroy_codec(c); } };
struct StreamDeleter { void operator()(opj_stream_t* s) const { opj_stream_destroy(s); } };
struct ImageDeleter { void operator()(opj_image_t* i) const { opj_image_destroy(i); } };

// What the stream callbacks share: the device and the first failure.
struct Sink {
    QIODevice* device;
    QString error;
};

OPJ_SIZE_T WriteBytes(void* buffer, OPJ_SIZE_T count, void* data)
{
    auto* sink = static_cast<Sink*>(data);
    const qint64 written = sink->device->write(static_cast<const char*>(buffer), qint64(count));
    if (written == qint64(count))
        return count;
    if (sink->error.isEmpty())
        sink->error = sink->device->errorString();
    return OPJ_SIZE_T(-1);
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* data)
{
    auto* sink = static_cast<Sink*>(data);
    return sink->device->seek(sink->device->pos() + count) ? count : -1;
}

OPJ_BOOL SeekTo(OPJ_OFF_T position, void* data)
{
    return static_cast<Sink*>(data)->device->seek(position) ? OPJ_TRUE : OPJ_FALSE;
}

void KeepError(const char* message, void* data)
{
    auto* sink = static_cast<Sink*>(data);
    if (sink->error.isEmpty())
        sink->error = QString::fromUtf8(message).trimmed();
}

void Ignore(const char*, void*) {}

// The number of wavelet levels a tile of this size can hold (each halves it).
int Resolutions(int width, int height)
{
    const int side = std::min(width, height);
    int resolutions = 1;
    while (resolutions < kMostResolutions && (1 << resolutions) <= side)
        ++resolutions;
    return resolutions;
}

void SetGrade(opj_cparameters_t& p, int quality)
{
    p.tcp_numlayers = 1;
    p.tcp_mct = 1;
    if (quality >= 768) {
        p.irreversible = 0;
        p.tcp_rates[0] = 0;         // lossless
        p.cp_disto_alloc = 1;
        return;
    }
    p.irreversible = 1;
    p.cp_fixed_quality = 1;
    p.tcp_distoratio[0] = quality >= 512 ? 40.0f : 30.0f;
}

opj_image_t* MakeTiledImage(int width, int height)
{
    opj_image_cmptparm_t parts[kComponents] {};
    for (auto& part : parts) {
        part.dx = part.dy = 1;
        part.w = OPJ_UINT32(width);
        part.h = OPJ_UINT32(height);
        part.prec = 8;
        part.sgnd = 0;
    }
    opj_image_t* image = opj_image_tile_create(kComponents, parts, OPJ_CLRSPC_SRGB);
    if (!image)
        return nullptr;
    image->x0 = image->y0 = 0;
    image->x1 = OPJ_UINT32(width);
    image->y1 = OPJ_UINT32(height);
    return image;
}

// The tile's rows as three planes, one byte a sample.
void TilePlanes(const QImage& rgb, int firstRow, int rows, std::vector<OPJ_BYTE>& planes)
{
    const size_t plane = size_t(rgb.width()) * rows;
    planes.resize(plane * kComponents);
    for (int y = 0; y < rows; ++y) {
        const uchar* line = rgb.constScanLine(firstRow + y);
        const size_t base = size_t(y) * rgb.width();
        for (int x = 0; x < rgb.width(); ++x) {
            planes[base + x] = line[3 * x];
            planes[plane + base + x] = line[3 * x + 1];
            planes[2 * plane + base + x] = line[3 * x + 2];
        }
    }
}

} // namespace

bool Jpeg2000Encoder::Write(const QImage& rgb, int quality, QIODevice& out, QString* error)
{
    const int width = rgb.width();
    const int height = rgb.height();
    Sink sink { &out, {} };
    auto fail = [&](const char* what) {
        *error = sink.error.isEmpty() ? QString::fromLatin1(what) : sink.error;
        return false;
    };

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    SetGrade(parameters, quality);
    parameters.tile_size_on = OPJ_TRUE;
    parameters.cp_tx0 = parameters.cp_ty0 = 0;
    parameters.cp_tdx = width;
    parameters.cp_tdy = kTileRows;
    parameters.numresolution = Resolutions(width, std::min(height, kTileRows));

    std::unique_ptr<opj_image_t, ImageDeleter> image(MakeTiledImage(width, height));
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_compress(OPJ_CODEC_JP2));
    if (!image || !codec)
        return fail("JPEG 2000 encoder could not be made");
    opj_set_error_handler(codec.get(), KeepError, &sink);
    opj_set_warning_handler(codec.get(), Ignore, nullptr);
    opj_set_info_handler(codec.get(), Ignore, nullptr);
    if (!opj_setup_encoder(codec.get(), &parameters, image.get()))
        return fail("JPEG 2000 encoder refused its parameters");

    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(kStreamChunk, OPJ_FALSE));
    if (!stream)
        return fail("JPEG 2000 stream could not be made");
    opj_stream_set_user_data(stream.get(), &sink, nullptr);
    opj_stream_set_write_function(stream.get(), WriteBytes);
    opj_stream_set_skip_function(stream.get(), SkipBytes);
    opj_stream_set_seek_function(stream.get(), SeekTo);
    if (!opj_start_compress(codec.get(), image.get(), stream.get()))
        return fail("JPEG 2000 encoding could not start");

    std::vector<OPJ_BYTE> planes;
    const int tiles = (height + kTileRows - 1) / kTileRows;
    for (int tile = 0; tile < tiles; ++tile) {
        const int firstRow = tile * kTileRows;
        const int rows = std::min(kTileRows, height - firstRow);
        TilePlanes(rgb, firstRow, rows, planes);
        if (!opj_write_tile(codec.get(), OPJ_UINT32(tile), planes.data(), OPJ_UINT32(planes.size()), stream.get()))
            return fail("JPEG 2000 tile could not be written");
    }
    if (!opj_end_compress(codec.get(), stream.get()))
        return fail("JPEG 2000 encoding could not end");
    if (!sink.error.isEmpty())
        return fail("");
    return true;
}
