#include "picture/helper/pixels/hdr.h"

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace picture {
namespace {

// SMPTE ST 2084.
constexpr double M1 = 2610.0 / 16384.0;
constexpr double M2 = 2523.0 / 4096.0 * 128.0;
constexpr double C1 = 3424.0 / 4096.0;
constexpr double C2 = 2413.0 / 4096.0 * 32.0;
constexpr double C3 = 2392.0 / 4096.0 * 32.0;

double pqToNits(double code)
{
    const double p = std::pow(std::clamp(code, 0.0, 1.0), 1.0 / M2);
    return 10000.0 * std::pow(std::max(p - C1, 0.0) / (C2 - C3 * p), 1.0 / M1);
}

double nitsToPq(double nits)
{
    const double y = std::pow(std::clamp(nits / 10000.0, 0.0, 1.0), M1);
    return std::pow((C1 + C2 * y) / (1.0 + C3 * y), M2);
}

// ARIB STD-B67: the scene's light, 0 to 1, that a coded value stands for.
double hlgToScene(double code)
{
    constexpr double A = 0.17883277, B = 0.28466892, C = 0.55991073;
    code = std::clamp(code, 0.0, 1.0);
    return code <= 0.5 ? code * code / 3.0 : (std::exp((code - C) / A) + B) / 12.0;
}

// HLG as a display of this peak shows it (BT.2100's system gamma for 1000 cd/m²).
constexpr double HlgDisplayPeak = 1000.0;
constexpr double HlgSystemGamma = 1.2;

} // namespace

std::optional<HdrTransfer> hdrTransferFromNclx(int transfer)
{
    if (transfer == 16)
        return HdrTransfer::PQ;
    if (transfer == 18)
        return HdrTransfer::HLG;
    return std::nullopt;
}

double eetf(double nits, double sourcePeak)
{
    // BT.2390-3, section 5.4.1, with black at 0: the source's range mapped
    // into the target's in the PQ domain, a Hermite spline above the knee.
    const double sourceMax = nitsToPq(sourcePeak);
    const double e1 = nitsToPq(nits) / sourceMax;
    const double maxLum = nitsToPq(ReferenceWhiteNits) / sourceMax;
    if (maxLum >= 1.0)
        return std::min(nits, ReferenceWhiteNits);
    const double knee = 1.5 * maxLum - 0.5;
    double e2 = e1;
    if (e1 >= knee) {
        const double t = (std::min(e1, 1.0) - knee) / (1.0 - knee);
        const double t2 = t * t, t3 = t2 * t;
        e2 = (2 * t3 - 3 * t2 + 1) * knee + (t3 - 2 * t2 + t) * (1.0 - knee) + (-2 * t3 + 3 * t2) * maxLum;
    }
    return pqToNits(e2 * sourceMax);
}

void toneMapToSdr(QImage &image, HdrTransfer transfer, double peakNits)
{
    if (image.format() != QImage::Format_RGBA64 && image.format() != QImage::Format_RGBX64)
        image = image.convertToFormat(QImage::Format_RGBA64);
    const double peak =
        transfer == HdrTransfer::HLG ? HlgDisplayPeak : std::clamp(peakNits > 0 ? peakNits : DefaultPeakNits, ReferenceWhiteNits, 10000.0);
    // Per code value: its light (cd/m² for PQ, the scene's for HLG), and for
    // PQ what the brightest component's light becomes.
    std::vector<float> light(65536);
    for (int code = 0; code < 65536; ++code)
        light[size_t(code)] = float(transfer == HdrTransfer::PQ ? pqToNits(code / 65535.0) : hlgToScene(code / 65535.0));
    std::vector<float> shown;
    if (transfer == HdrTransfer::PQ) {
        shown.resize(65536);
        for (int code = 0; code < 65536; ++code)
            shown[size_t(code)] = float(eetf(light[size_t(code)], peak));
    }
    for (int y = 0; y < image.height(); ++y) {
        auto *pixel = reinterpret_cast<quint16 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            double rgb[3];
            double brightest = 0;
            double scale = 1;
            if (transfer == HdrTransfer::PQ) {
                const quint16 top = std::max({pixel[0], pixel[1], pixel[2]});
                for (int c = 0; c < 3; ++c)
                    rgb[c] = light[pixel[c]];
                brightest = light[top];
                scale = brightest > 0 ? shown[top] / brightest : 0;
            } else {
                for (int c = 0; c < 3; ++c)
                    rgb[c] = light[pixel[c]];
                // The display's light: the scene's, through the system gamma.
                const double luminance = 0.2627 * rgb[0] + 0.6780 * rgb[1] + 0.0593 * rgb[2];
                const double gain = HlgDisplayPeak * std::pow(std::max(luminance, 1e-6), HlgSystemGamma - 1.0);
                for (double &component : rgb)
                    component *= gain;
                brightest = std::max({rgb[0], rgb[1], rgb[2]});
                scale = brightest > 0 ? eetf(brightest, peak) / brightest : 0;
            }
            for (int c = 0; c < 3; ++c)
                pixel[c] = quint16(std::lround(std::clamp(rgb[c] * scale / ReferenceWhiteNits, 0.0, 1.0) * 65535.0));
        }
    }
}

QColorSpace linearSpace(int primaries)
{
    using Function = QColorSpace::TransferFunction;
    switch (primaries) {
    case 1: return QColorSpace(QColorSpace::Primaries::SRgb, Function::Linear);
    case 12: return QColorSpace(QColorSpace::Primaries::DciP3D65, Function::Linear);
    case 9:
        return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797), QPointF(0.131, 0.046),
                           Function::Linear);
    default: return {};
    }
}

} // namespace picture
