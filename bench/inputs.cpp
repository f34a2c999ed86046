#include "inputs.h"

#include <QDir>
#include <QFile>
#include <QImage>
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
