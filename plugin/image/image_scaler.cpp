#include "image/image_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/errors.h"
#include "image/scale_weights.h"

namespace brivo::fx {

// ---- Row adapters -------------------------------------------------------------------------

int32_t ImageBuffer::channels() const {
    return view_->channels;
}

int32_t ImageBuffer::bytesPerChannel() const {
    return view_->bytesPerChannel;
}

void ImageBuffer::getSize(int32_t& width, int32_t& height) const {
    width = view_->width;
    height = view_->height;
}

int32_t ImageBuffer::readRow(int32_t, int32_t, int32_t, void*) {
    return 0;
}

int32_t ImageBuffer::writeRow(int32_t, int32_t, int32_t, const void*) {
    return 0;
}

int32_t ImageBuffer::spanBytes(int32_t y, int32_t x, int32_t count) const {
    const PixelView& view = *view_;
    if (view.pixels == nullptr || y < 0 || y >= view.height || x < 0 || count < 0 ||
        static_cast<int64_t>(x) + count > view.width) {
        return 0;
    }
    const int64_t bytes = static_cast<int64_t>(count) * view.pixelBytes;
    return bytes > 0 && bytes <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(bytes)
                                                                     : 0;
}

int32_t ImageScaler::ImageReadInterface::readRow(int32_t y, int32_t x, int32_t count,
                                                 void* buffer) {
    const int32_t bytes = spanBytes(y, x, count);
    if (bytes > 0) std::memcpy(buffer, view_->at(x, y), static_cast<size_t>(bytes));
    return bytes;
}

int32_t ImageScaler::ImageWriteInterface::writeRow(int32_t y, int32_t x, int32_t count,
                                                   const void* buffer) {
    const int32_t bytes = spanBytes(y, x, count);
    if (bytes > 0) std::memcpy(view_->at(x, y), buffer, static_cast<size_t>(bytes));
    return bytes;
}

// ---- Windows and axes ---------------------------------------------------------------------

namespace {

int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The last pixel inside an exclusive end.
int32_t lastBefore(int32_t end) {
    return saturate(static_cast<int64_t>(end) - 1);
}

void fillSizes(ScaleWindow& w) {
    w.nx = saturate(static_cast<int64_t>(w.x1) - w.x0 + 1);
    w.ny = saturate(static_cast<int64_t>(w.y1) - w.y0 + 1);
}

ScaleWindow clippedToView(ScaleWindow w, const ImageBuffer& buffer) {
    int32_t width = 0;
    int32_t height = 0;
    buffer.getSize(width, height);
    w.x0 = std::max(w.x0, 0);
    w.y0 = std::max(w.y0, 0);
    w.x1 = std::min(w.x1, lastBefore(width));
    w.y1 = std::min(w.y1, lastBefore(height));
    fillSizes(w);
    return w;
}

bool isEmpty(const ScaleWindow& w) {
    return w.nx < 1 || w.ny < 1;
}

// |v − nearest integer| below 1e-7.
bool isWhole(double v) {
    return std::fabs(v - std::floor(v + 0.5)) < 1e-7;
}

const ResampleFilter& pointFilter() {
    static const ResampleFilter* const point = findFilter("point");
    return *point;
}

struct Axis {
    const ResampleFilter* filter;
    AxisFilterParams params;
};

// A filter that reaches no further than its own pixel, or a cardinal one sampled exactly at
// whole source pixels, gives the same result as picking the nearest pixel.
void coerceToPoint(Axis& axis, double s, double u) {
    const AxisFilterParams& p = axis.params;
    const bool onWholePixels = axis.filter->cardinal && isWhole(1.0 / p.scale) &&
                               isWhole(1.0 / (s * p.scale)) && isWhole((u / s - 0.5) / p.scale);
    if (p.support <= 0.5 || onWholePixels) {
        axis.filter = &pointFilter();
        axis.params = AxisFilterParams{1.0, 0.5, 1};
    }
}

// Filtering along x first costs destination nx × (source ny × x width + destination ny × y
// width) multiplications, y first destination ny × (destination nx × x width + source nx ×
// y width). The counts are 32-bit products that may wrap; they are compared as signed.
bool xFirstIsCheaper(const ScaleWindow& s, const ScaleWindow& d, int32_t xWidth, int32_t yWidth) {
    auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
    const uint32_t xFirst = u(d.nx) * (u(s.ny) * u(xWidth) + u(d.ny) * u(yWidth));
    const uint32_t yFirst = u(d.ny) * (u(d.nx) * u(xWidth) + u(s.nx) * u(yWidth));
    return static_cast<int32_t>(xFirst) < static_cast<int32_t>(yFirst);
}

// A zero-filled buffer of count elements.
template <typename T>
std::vector<T> zeroed(size_t count) {
    return std::vector<T>(count);
}

// Rows of one pass kept for reuse: row a lives in slot a mod the ring's length.
template <typename T>
class RowRing {
  public:
    RowRing(int32_t rows, size_t rowLength)
        : rows_(rows),
          rowLength_(rowLength),
          data_(zeroed<T>(static_cast<size_t>(rows) * rowLength)),
          held_(static_cast<size_t>(rows), -1) {}

    T* slot(int32_t a) { return data_.data() + static_cast<size_t>(a % rows_) * rowLength_; }
    bool holds(int32_t a) const { return held_[static_cast<size_t>(a % rows_)] == a; }
    void setHeld(int32_t a) { held_[static_cast<size_t>(a % rows_)] = a; }

  private:
    int32_t rows_;
    size_t rowLength_;
    std::vector<T> data_;
    std::vector<int32_t> held_;
};

// Copies count pixels of size bytes each, picked by columns, from source to out.
template <typename Pixel>
void gatherPixels(const uint8_t* source, const int32_t* columns, int32_t count, uint8_t* out) {
    for (int32_t b = 0; b < count; ++b) {
        std::memcpy(out + static_cast<size_t>(b) * sizeof(Pixel),
                    source + static_cast<size_t>(columns[b]) * sizeof(Pixel), sizeof(Pixel));
    }
}

// One resampling between clipped, limited, non-empty windows.
class ScaleRun {
  public:
    ScaleRun(ImageBuffer& reader, const ScaleWindow& s, ImageBuffer& writer, const ScaleWindow& d,
             const ScaleMapping& m, const Axis& x, const Axis& y)
        : reader_(reader),
          writer_(writer),
          s_(s),
          d_(d),
          m_(m),
          x_(x),
          y_(y),
          channels_(reader.channels() == 1 ? 1 : 4),
          bytesPerChannel_(reader.bytesPerChannel() == 1 ? 1 : 2),
          readPixelBytes_(adapterPixelBytes(reader)),
          writePixelBytes_(adapterPixelBytes(writer)) {}

    void point();
    void filtered(const ScaleKernels& kernels, bool xFirst);

  private:
    // The larger of the engine's pixel size and the adapter's own, so that neither the
    // engine nor the adapter runs past a row buffer.
    size_t adapterPixelBytes(const ImageBuffer& buffer) const {
        const int64_t own = static_cast<int64_t>(buffer.channels()) * buffer.bytesPerChannel();
        const int64_t engine = static_cast<int64_t>(channels_) * bytesPerChannel_;
        return static_cast<size_t>(std::max(own, engine));
    }

    // Elements of Pixel that hold a source row of pixels pixels.
    template <typename Pixel>
    size_t sourceRowLength(size_t pixels) const {
        return (pixels * readPixelBytes_ + sizeof(Pixel) - 1) / sizeof(Pixel);
    }
    template <typename Pixel>
    std::vector<Pixel> sourceRow(size_t pixels) const {
        return zeroed<Pixel>(sourceRowLength<Pixel>(pixels));
    }
    template <typename Pixel>
    std::vector<Pixel> destinationRow() const {
        const size_t bytes = static_cast<size_t>(d_.nx) * writePixelBytes_;
        return zeroed<Pixel>((bytes + sizeof(Pixel) - 1) / sizeof(Pixel));
    }

    WeightTableSet xTables() const {
        WeightTableSet tables;
        tables.build(d_.nx, m_.ux, m_.sx, *x_.filter, x_.params, s_.nx, true);
        return tables;
    }
    WeightTable yTable(int32_t b, int32_t* weights, int32_t capacity) const {
        return buildWeightTable((b + m_.uy) / m_.sy, *y_.filter, y_.params, s_.ny, false, weights,
                                capacity);
    }
    void readSourceRow(int32_t a, void* buffer) {
        reader_.readRow(s_.y0 + a, s_.x0, s_.nx, buffer);
    }
    void writeDestinationRow(int32_t b, const void* buffer) {
        writer_.writeRow(d_.y0 + b, d_.x0, d_.nx, buffer);
    }

    template <typename Pixel, typename Mid, int Channels>
    void xFirst(const XFirstKernels<Pixel, Mid>& kernels);
    template <typename Pixel, typename Sum, int Channels>
    void yFirst(const YFirstKernels<Pixel, Sum>& kernels);

    ImageBuffer& reader_;
    ImageBuffer& writer_;
    ScaleWindow s_;
    ScaleWindow d_;
    ScaleMapping m_;
    Axis x_;
    Axis y_;
    int32_t channels_;
    int32_t bytesPerChannel_;
    size_t readPixelBytes_;
    size_t writePixelBytes_;
};

// Each destination pixel takes the source pixel its centre falls in. When a wider filter
// was coerced to this, the windows were limited with the wider support, so the index is
// kept inside the source window.
void ScaleRun::point() {
    std::vector<int32_t> columns = zeroed<int32_t>(static_cast<size_t>(d_.nx));
    for (int32_t b = 0; b < d_.nx; ++b) {
        columns[static_cast<size_t>(b)] =
            std::clamp(truncateToInt32((b + m_.ux) / m_.sx), 0, s_.nx - 1);
    }
    std::vector<uint8_t> line = sourceRow<uint8_t>(static_cast<size_t>(s_.nx));
    std::vector<uint8_t> out = destinationRow<uint8_t>();
    const int32_t pixelBytes = channels_ * bytesPerChannel_;

    int32_t current = -1;
    for (int32_t b = 0; b < d_.ny; ++b) {
        const int32_t row = std::clamp(truncateToInt32((b + m_.uy) / m_.sy), 0, s_.ny - 1);
        if (row != current) {
            readSourceRow(row, line.data());
            current = row;
        }
        switch (pixelBytes) {
            case 1:
                gatherPixels<uint8_t>(line.data(), columns.data(), d_.nx, out.data());
                break;
            case 2:
                gatherPixels<uint16_t>(line.data(), columns.data(), d_.nx, out.data());
                break;
            case 4:
                gatherPixels<uint32_t>(line.data(), columns.data(), d_.nx, out.data());
                break;
            default:
                gatherPixels<uint64_t>(line.data(), columns.data(), d_.nx, out.data());
                break;
        }
        writeDestinationRow(b, out.data());
    }
}

// Source rows are filtered along x into a ring as they are first needed; each destination
// row then combines the rows its y table names.
template <typename Pixel, typename Mid, int Channels>
void ScaleRun::xFirst(const XFirstKernels<Pixel, Mid>& kernels) {
    const WeightTableSet x = xTables();
    const int32_t yCapacity = weightTableCapacity(y_.params, s_.ny);
    std::vector<int32_t> yWeights = zeroed<int32_t>(static_cast<size_t>(yCapacity));
    std::vector<Pixel> line =
        sourceRow<Pixel>(static_cast<size_t>(s_.nx) + x.stride + kRowSlackPixels);
    const size_t samples = static_cast<size_t>(d_.nx) * Channels;
    RowRing<Mid> ring(yCapacity, samples);
    std::vector<const Mid*> rows = zeroed<const Mid*>(static_cast<size_t>(yCapacity));
    std::vector<Pixel> out = destinationRow<Pixel>();

    for (int32_t b = 0; b < d_.ny; ++b) {
        const WeightTable y = yTable(b, yWeights.data(), yCapacity);
        for (int32_t a = y.i0; a < y.i1; ++a) {
            Mid* slot = ring.slot(a);
            if (!ring.holds(a)) {
                readSourceRow(a, line.data());
                kernels.filterRow(line.data(), x, 0, x.count, slot);
                ring.setHeld(a);
            }
            rows[static_cast<size_t>(a - y.i0)] = slot;
        }
        kernels.combineRows(rows.data(), y.weights, y.i1 - y.i0, 0, samples, out.data());
        writeDestinationRow(b, out.data());
    }
}

// Source rows are kept unfiltered in a ring; each destination row sums the rows its y
// table names and filters the sums along x.
template <typename Pixel, typename Sum, int Channels>
void ScaleRun::yFirst(const YFirstKernels<Pixel, Sum>& kernels) {
    const WeightTableSet x = xTables();
    const int32_t yCapacity = weightTableCapacity(y_.params, s_.ny);
    std::vector<int32_t> yWeights = zeroed<int32_t>(static_cast<size_t>(yCapacity));
    RowRing<Pixel> ring(yCapacity, sourceRowLength<Pixel>(static_cast<size_t>(s_.nx)));
    std::vector<const Pixel*> rows = zeroed<const Pixel*>(static_cast<size_t>(yCapacity));
    const size_t samples = static_cast<size_t>(s_.nx) * Channels;
    std::vector<Sum> sums =
        zeroed<Sum>(samples + (static_cast<size_t>(x.stride) + kRowSlackPixels) * Channels);
    std::vector<Pixel> out = destinationRow<Pixel>();

    for (int32_t b = 0; b < d_.ny; ++b) {
        const WeightTable y = yTable(b, yWeights.data(), yCapacity);
        for (int32_t a = y.i0; a < y.i1; ++a) {
            Pixel* slot = ring.slot(a);
            if (!ring.holds(a)) {
                readSourceRow(a, slot);
                ring.setHeld(a);
            }
            rows[static_cast<size_t>(a - y.i0)] = slot;
        }
        kernels.sumRows(rows.data(), y.weights, y.i1 - y.i0, 0, samples, sums.data());
        kernels.filterSums(sums.data(), x, 0, x.count, out.data());
        writeDestinationRow(b, out.data());
    }
}

void ScaleRun::filtered(const ScaleKernels& k, bool xFirstPath) {
    const bool four = channels_ == 4;
    if (bytesPerChannel_ == 1) {
        if (xFirstPath) {
            four ? xFirst<uint8_t, int16_t, 4>(k.xFirst8[1])
                 : xFirst<uint8_t, int16_t, 1>(k.xFirst8[0]);
        } else {
            four ? yFirst<uint8_t, int32_t, 4>(k.yFirst8[1])
                 : yFirst<uint8_t, int32_t, 1>(k.yFirst8[0]);
        }
    } else if (xFirstPath) {
        four ? xFirst<uint16_t, int32_t, 4>(k.xFirst16[1])
             : xFirst<uint16_t, int32_t, 1>(k.xFirst16[0]);
    } else {
        four ? yFirst<uint16_t, int64_t, 4>(k.yFirst16Four)
             : yFirst<uint16_t, int32_t, 1>(k.yFirst16One);
    }
}

}  // namespace

// ---- Front-ends ---------------------------------------------------------------------------

const ResampleFilter* ImageScaler::filterForQuality(ScaleQuality quality, int32_t sourceSize,
                                                    int32_t destinationSize) {
    switch (quality) {
        case 0:
        case 4:
            return findFilter("point");
        case 1:
            return findFilter("triangle");
        case 2:
        case 3:
            return findFilter("cubic");
        case 5:
            return findFilter(destinationSize < sourceSize ? "triangle" : "cubic");
        default:
            return nullptr;
    }
}

void ImageScaler::scaleImage(const PixelView& source, const PixelView& destination,
                             ScaleQuality quality, const ScaleKernels& kernels) {
    if (source.width != destination.width || source.height != destination.height) {
        ScaleWindow from{0, 0, lastBefore(source.width), lastBefore(source.height)};
        ScaleWindow to{0, 0, lastBefore(destination.width), lastBefore(destination.height)};
        ImageReadInterface reader(&source);
        ImageWriteInterface writer(&destination);
        zoomWindows(reader, from, writer, to,
                    filterForQuality(quality, source.width, destination.width),
                    filterForQuality(quality, source.height, destination.height), kernels);
        return;
    }
    if (source.pixels == destination.pixels || source.pixels == nullptr ||
        destination.pixels == nullptr || source.height < 1) {
        return;
    }
    if (source.rowBytes == destination.rowBytes && source.rowBytes > 0) {
        std::memcpy(destination.pixels, source.pixels,
                    static_cast<size_t>(source.rowBytes) * static_cast<size_t>(source.height));
        return;
    }
    // Different strides: copy each row's pixels, no more than either row holds.
    auto rowLength = [](const PixelView& v) {
        return static_cast<int64_t>(std::max(v.width, 0)) * std::max(v.pixelBytes, 0);
    };
    const size_t bytes = static_cast<size_t>(std::min(rowLength(source), rowLength(destination)));
    for (int32_t y = 0; y < source.height; ++y) {
        std::memcpy(destination.row(y), source.row(y), bytes);
    }
}

void ImageScaler::scaleImageRect(const PixelView& source, const VRect& sourceRect,
                                 const PixelView& destination, const VRect& destinationRect,
                                 ScaleQuality quality, const ScaleKernels& kernels) {
    ScaleWindow from{sourceRect.left, sourceRect.top, lastBefore(sourceRect.right),
                     lastBefore(sourceRect.bottom)};
    ScaleWindow to{destinationRect.left, destinationRect.top, lastBefore(destinationRect.right),
                   lastBefore(destinationRect.bottom)};
    ImageReadInterface reader(&source);
    ImageWriteInterface writer(&destination);
    zoomWindows(reader, from, writer, to,
                filterForQuality(quality, source.width, destination.width),
                filterForQuality(quality, source.height, destination.height), kernels);
}

void ImageScaler::zoomWindows(ImageBuffer& reader, ScaleWindow& source, ImageBuffer& writer,
                              ScaleWindow& destination, const ResampleFilter* xFilter,
                              const ResampleFilter* yFilter, const ScaleKernels& kernels) {
    if (destination.x0 == kUndefinedCoordinate) return;
    fillSizes(source);
    fillSizes(destination);
    if (isEmpty(source)) return;
    ScaleMapping mapping;
    mapping.sx = static_cast<double>(destination.nx) / source.nx;
    mapping.sy = static_cast<double>(destination.ny) / source.ny;
    mapping.tx = (destination.x0 - 0.5) - (source.x0 - 0.5) * mapping.sx;
    mapping.ty = (destination.y0 - 0.5) - (source.y0 - 0.5) * mapping.sy;
    zoomMapped(reader, source, writer, destination, mapping, xFilter, yFilter, kernels);
}

void ImageScaler::zoomMapped(ImageBuffer& reader, const ScaleWindow& source, ImageBuffer& writer,
                             const ScaleWindow& destination, ScaleMapping& m,
                             const ResampleFilter* xFilter, const ResampleFilter* yFilter,
                             const ScaleKernels& kernels) {
    if (destination.x0 == kUndefinedCoordinate || xFilter == nullptr || yFilter == nullptr) return;
    if (!(m.sx > 0.0) || !(m.sy > 0.0)) return;
    Axis x{xFilter, axisFilterParams(m.sx, *xFilter)};
    Axis y{yFilter, axisFilterParams(m.sy, *yFilter)};

    const ScaleWindow s = clippedToView(source, reader);
    ScaleWindow d = clippedToView(destination, writer);
    // Only the destination pixels within reach of the clipped source are written.
    d.x0 = std::max(d.x0, ceilToInt32((s.x0 - x.params.support) * m.sx + m.tx + 1e-7));
    d.x1 = std::min(d.x1, floorToInt32((s.x1 + x.params.support) * m.sx + m.tx - 1e-7));
    d.y0 = std::max(d.y0, ceilToInt32((s.y0 - y.params.support) * m.sy + m.ty + 1e-7));
    d.y1 = std::min(d.y1, floorToInt32((s.y1 + y.params.support) * m.sy + m.ty - 1e-7));
    fillSizes(d);
    m.ux = d.x0 - (s.x0 - 0.5) * m.sx - m.tx;
    m.uy = d.y0 - (s.y0 - 0.5) * m.sy - m.ty;
    if (isEmpty(s) || isEmpty(d)) return;

    coerceToPoint(x, m.sx, m.ux);
    coerceToPoint(y, m.sy, m.uy);

    ScaleRun run(reader, s, writer, d, m, x, y);
    try {
        if (x.filter == &pointFilter() && y.filter == &pointFilter()) {
            run.point();
        } else {
            run.filtered(kernels, xFirstIsCheaper(s, d, x.params.width, y.params.width));
        }
    } catch (const std::bad_alloc&) {
        throwMemoryFull();
    } catch (const std::length_error&) {
        throwMemoryFull();
    }
}

}  // namespace brivo::fx
