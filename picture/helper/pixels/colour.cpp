#include "picture/helper/pixels/colour.h"

#include <QPointF>

namespace picture {

QColorSpace colourSpaceFromNclx(int primaries, int transfer)
{
    QColorSpace::TransferFunction function;
    float gamma = 0;
    switch (transfer) {
    case 13: function = QColorSpace::TransferFunction::SRgb; break; // IEC 61966-2-1
    case 8: function = QColorSpace::TransferFunction::Linear; break;
    // BT.709, BT.601 and BT.2020 are shown as displays show them: gamma 2.4
    // is closer than their camera curve.
    case 1:
    case 6:
    case 14:
    case 15:
        function = QColorSpace::TransferFunction::Gamma;
        gamma = 2.4f;
        break;
    case 4: function = QColorSpace::TransferFunction::Gamma; gamma = 2.2f; break;
    case 5: function = QColorSpace::TransferFunction::Gamma; gamma = 2.8f; break;
    default: return {};
    }
    switch (primaries) {
    case 1: return QColorSpace(QColorSpace::Primaries::SRgb, function, gamma);
    case 12: return QColorSpace(QColorSpace::Primaries::DciP3D65, function, gamma);
    case 9: // BT.2020
        return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
                           QPointF(0.131, 0.046), function, gamma);
    default: return {};
    }
}

QImage inScreenColours(QImage image, const QColorSpace &screen)
{
    const QColorSpace own = image.colorSpace();
    if (image.isNull() || !own.isValid() || !screen.isValid() || own == screen)
        return image;
    // Qt converts only true-colour formats; 16 bits stay 16 bits until painted.
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        break;
    default: break;
    }
    image.convertToColorSpace(screen);
    return image;
}

} // namespace picture
