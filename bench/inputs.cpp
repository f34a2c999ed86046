#include "inputs.h"

#include <QDir>
#include <QFile>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>

#include <cstdio>

namespace inputs {

QColor photoColour(int index)
{
    return QColor(40 + (index % 6) * 40, 40 + (index / 6 % 6) * 40, 40 + (index / 36) * 40);
}

int photoOf(const QColor &colour)
{
    const auto step = [](int value) { return (value - 40 + 20) / 40; };
    const int r = step(colour.red()), g = step(colour.green()), b = step(colour.blue());
    if (r < 0 || r > 5 || g < 0 || g > 5 || b < 0 || b > 5)
        return -1;
    const int index = r + g * 6 + b * 36;
    return index < PhotoCount && std::abs(photoColour(index).red() - colour.red()) <= 18 ? index : -1;
}

QStringList photos(const QString &folder)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < PhotoCount; ++i)
        paths.append(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0')));
    if (QFile::exists(paths.last()))
        return paths;
    std::printf("making %d 12-megapixel photos in %s (once) ...\n", PhotoCount, qPrintable(folder));
    std::fflush(stdout);
    QImage base(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(932);
    for (int y = 0; y < base.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(base.scanLine(y));
        for (int x = 0; x < base.width(); ++x) {
            const int noise = int(random.bounded(24u));
            line[x] = qRgb(x * 200 / 4000 + noise, y * 200 / 3000 + noise, 120 + noise);
        }
    }
    for (int i = 0; i < PhotoCount; ++i) {
        QImage photo = base;
        QPainter(&photo).fillRect(QRect(1200, 900, 1600, 1200), photoColour(i));
        photo.save(paths[i], "JPEG", 90);
    }
    return paths;
}

QStringList heicPhotos(const QString &folder, const QStringList &jpegs)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < PhotoCount; ++i)
        paths.append(QStringLiteral("%1/photo%2.heic").arg(folder).arg(i, 3, 10, QLatin1Char('0')));
    if (QFile::exists(paths.last()))
        return paths;
    std::printf("making %d HEIC photos in %s (once) ...\n", PhotoCount, qPrintable(folder));
    std::fflush(stdout);
    constexpr int Distinct = 10;
    for (int i = 0; i < Distinct; ++i)
        QProcess::execute(QStringLiteral("heif-enc"), {QStringLiteral("-q"), QStringLiteral("85"), jpegs[i],
                                                       QStringLiteral("-o"), paths[i]});
    for (int i = Distinct; i < PhotoCount; ++i)
        QFile::copy(paths[i % Distinct], paths[i]);
    return paths;
}

namespace {

// `jpeg` with an EXIF segment (orientation 1, a thumbnail in IFD1) after
// its start, as a camera writes it.
QByteArray withExifThumbnail(const QByteArray &jpeg, const QByteArray &thumbnail)
{
    QByteArray tiff("II*\0", 4);
    const auto add16 = [&tiff](quint16 v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto add32 = [&add16](quint32 v) { add16(quint16(v & 0xFFFF)); add16(quint16(v >> 16)); };
    add32(8);
    add16(1); // IFD0: the orientation
    add16(0x0112); add16(3); add32(1); add16(1); add16(0);
    add32(26); // IFD1, at 8 + 18
    add16(2);
    add16(0x0201); add16(4); add32(1); add32(56); // the thumbnail, at 26 + 30
    add16(0x0202); add16(4); add32(1); add32(quint32(thumbnail.size()));
    add32(0);
    tiff += thumbnail;
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1");
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return QByteArray(jpeg).insert(2, segment + payload);
}

} // namespace

std::pair<QStringList, QStringList> photosWithPreviews(const QString &folder, const QString &jpeg, int count)
{
    QDir().mkpath(folder);
    QStringList jpegs, heics;
    for (int i = 0; i < count; ++i) {
        jpegs.append(QStringLiteral("%1/exif%2.jpg").arg(folder).arg(i));
        heics.append(QStringLiteral("%1/thumbnailed%2.heic").arg(folder).arg(i));
    }
    if (QFile::exists(heics.last()))
        return {jpegs, heics};
    std::printf("making photos with previews in %s (once) ...\n", qPrintable(folder));
    std::fflush(stdout);
    QFile original(jpeg);
    original.open(QIODevice::ReadOnly);
    QImageReader reader(jpeg);
    reader.setScaledSize(QSize(160, 120));
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    reader.read().save(&buffer, "JPEG", 80);
    const QByteArray withThumbnail = withExifThumbnail(original.readAll(), thumbnail);
    QProcess::execute(QStringLiteral("heif-enc"), {QStringLiteral("-q"), QStringLiteral("85"), QStringLiteral("-t"),
                                                   QStringLiteral("320"), jpeg, QStringLiteral("-o"), heics[0]});
    for (int i = 0; i < count; ++i) {
        QFile out(jpegs[i]);
        if (out.open(QIODevice::WriteOnly))
            out.write(withThumbnail);
        if (i > 0)
            QFile::copy(heics[0], heics[i]);
    }
    return {jpegs, heics};
}

QString manyFiles(const QString &parent, int count)
{
    const QString folder = QStringLiteral("%1/files-%2").arg(parent).arg(count);
    const QString last = QStringLiteral("%1/IMG_%2.%3").arg(folder).arg(count - 1, 6, 10, QLatin1Char('0'));
    if (QFile::exists(last) || QFile::exists(last.chopped(3) + QStringLiteral("txt")))
        return folder;
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/IMG_%2.%3").arg(folder).arg(i, 6, 10, QLatin1Char('0')).arg(
            i % 20 == 19 ? QStringLiteral("txt") : QStringLiteral("JPG")));
        file.open(QIODevice::WriteOnly);
    }
    return folder;
}

} // namespace inputs
