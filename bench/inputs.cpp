#include "inputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <libheif/heif.h>

namespace inputs {
namespace {

// Paths photo000<suffix> ... in `folder`, `count` of them.
QStringList numbered(const QString &folder, int count, const char *suffix)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("%1/photo%2").arg(folder).arg(i, 3, 10, QLatin1Char('0')) + QLatin1String(suffix));
    return paths;
}

} // namespace

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
    const QStringList paths = numbered(folder, PhotoCount, ".jpg");
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
    const QStringList paths = numbered(folder, PhotoCount, ".heic");
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

namespace {

heif_image *heifImageOf(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    heif_image *image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    return image;
}

// The HEIC of `picture` with `preview` as its thumbnail item (libheif
// takes only a thumbnail it scales down, so it is made one pixel smaller).
bool writeHeic(const QString &path, const QImage &picture, const QImage &preview)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 85);
    heif_image *image = heifImageOf(picture), *thumbnail = heifImageOf(preview);
    heif_image_handle *handle = nullptr, *thumbnailHandle = nullptr;
    bool written = heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok
                   && heif_context_encode_thumbnail(context, thumbnail, handle, encoder, nullptr, 319, &thumbnailHandle)
                              .code
                          == heif_error_Ok;
    written = written && heif_context_write_to_file(context, QFile::encodeName(path).constData()).code == heif_error_Ok;
    heif_image_handle_release(thumbnailHandle);
    heif_image_handle_release(handle);
    heif_image_release(thumbnail);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return written;
}

} // namespace

std::pair<QString, QString> photosToOpen(const QString &folder, const QStringList &jpegs)
{
    const QString jpeg = folder + QStringLiteral("/jpeg/with-thumbnail.jpg");
    const QString heic = folder + QStringLiteral("/heic/with-thumbnail.heic");
    if (QFile::exists(jpeg) && QFile::exists(heic))
        return {jpeg, heic};
    std::printf("making photos to open in %s (once) ...\n", qPrintable(folder));
    std::fflush(stdout);
    QDir().mkpath(QFileInfo(jpeg).path());
    QDir().mkpath(QFileInfo(heic).path());
    const QImage picture(jpegs[OpenedPicture]);
    const QImage preview = QImage(jpegs[OpenedPreview]).scaled(320, 240, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    preview.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(&buffer, "JPEG", 80);
    QFile original(jpegs[OpenedPicture]);
    original.open(QIODevice::ReadOnly);
    QFile out(jpeg);
    if (out.open(QIODevice::WriteOnly))
        out.write(withExifThumbnail(original.readAll(), thumbnail));
    writeHeic(heic, picture, preview);
    return {jpeg, heic};
}

QString dngWithPreview(const QString &folder, const QString &jpeg, const QString &maker)
{
    const QString dng = folder + QStringLiteral("/opened.dng");
    if (QFile::exists(dng))
        return dng;
    QDir().mkpath(folder);
    // The mosaic's directory names the photo's size: what shows at start-up
    // is the preview, as with a camera's DNG; the mosaic is never developed.
    QProcess::execute(QStringLiteral("python3"), {maker, dng, QStringLiteral("--preview"), jpeg, QStringLiteral("--claim"),
                                                  QStringLiteral("4000x3000")});
    return dng;
}

QString gridHeicToOpen(const QString &folder, const QStringList &jpegs, const QString &maker)
{
    const QString heic = folder + QStringLiteral("/grid.heic");
    if (QFile::exists(heic))
        return heic;
    std::printf("making a HEIC of tiles in %s (once) ...\n", qPrintable(folder));
    std::fflush(stdout);
    QDir().mkpath(folder);
    QProcess::execute(QStringLiteral("python3"), {maker, jpegs[OpenedPicture], heic, jpegs[OpenedPreview]});
    return heic;
}

std::pair<QString, QString> phoneHeicsToOpen(const QString &folder, const QStringList &jpegs, const QString &maker)
{
    const QString upright = folder + QStringLiteral("/upright/upright.heic");
    const QString large = folder + QStringLiteral("/large/large.heic");
    if (QFile::exists(upright) && QFile::exists(large))
        return {upright, large};
    std::printf("making HEICs as phones write them in %s (once) ...\n", qPrintable(folder));
    std::fflush(stdout);
    QDir().mkpath(QFileInfo(upright).path());
    QDir().mkpath(QFileInfo(large).path());
    const QString profile = folder + QStringLiteral("/display-p3.icc");
    QFile icc(profile);
    if (icc.open(QIODevice::WriteOnly))
        icc.write(QColorSpace(QColorSpace::DisplayP3).iccProfile());
    icc.close();
    const QString source24 = folder + QStringLiteral("/source-24mp.jpg");
    QImage(jpegs[OpenedPicture])
        .scaled(5712, 4284, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(source24, "JPEG", 95);
    // Taken upright: stored on its side, turned back by its irot (three
    // quarter turns anticlockwise, as EXIF's orientation 6).
    QProcess::execute(QStringLiteral("python3"), {maker, QStringLiteral("--irot"), QStringLiteral("3"),
                                                  QStringLiteral("--icc"), profile, jpegs[OpenedPicture], upright,
                                                  jpegs[OpenedPreview]});
    QProcess::execute(QStringLiteral("python3"), {maker, QStringLiteral("--icc"), profile, QStringLiteral("--gain-map"),
                                                  source24, large, jpegs[OpenedPreview]});
    QFile::remove(source24);
    return {upright, large};
}

QStringList phoneHeicsTaken(const QString &folder, const QString &fetcher)
{
    const QStringList heics{folder + QStringLiteral("/IMG_3578.heic"), folder + QStringLiteral("/2021-02-13-1929.heic")};
    const auto present = [&heics] { return std::all_of(heics.begin(), heics.end(), [](const QString &f) { return QFile::exists(f); }); };
    if (present())
        return heics;
    std::printf("fetching HEICs an iPhone took into %s (once) ...\n", qPrintable(folder));
    std::fflush(stdout);
    QProcess::execute(fetcher, {folder});
    return present() ? heics : QStringList();
}

QStringList phoneHeicsInARow(const QString &folder, const QStringList &taken, int count)
{
    QStringList row;
    QDir().mkpath(folder);
    for (int i = 1; i <= count; ++i) {
        const QString copy = folder + QStringLiteral("/IMG_%1.heic").arg(i, 4, 10, QLatin1Char('0'));
        if (!QFile::exists(copy))
            QFile::copy(taken[i == count ? 1 : 0], copy);
        row.append(copy);
    }
    return row;
}

QString flatPicture(const QString &folder, QSize size, const QColor &colour)
{
    const QString path = folder + QStringLiteral("/%1x%2/flat.png").arg(size.width()).arg(size.height());
    if (QFile::exists(path))
        return path;
    QDir().mkpath(QFileInfo(path).path());
    QImage flat(size, QImage::Format_RGB32);
    flat.fill(colour);
    flat.save(path, "PNG");
    return path;
}

QStringList heicsWithPreviews(const QString &folder, const QStringList &jpegs, int count)
{
    const QStringList heics = numbered(folder, count, ".heic");
    if (QFile::exists(heics.last()))
        return heics;
    std::printf("making %d HEICs with previews in %s (once) ...\n", count, qPrintable(folder));
    std::fflush(stdout);
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QImage preview = QImage(jpegs[i + 100]).scaled(320, 240, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        writeHeic(heics[i], QImage(jpegs[i]), preview);
    }
    return heics;
}

QStringList gridHeicsWithPreviews(const QString &folder, const QStringList &jpegs, int count, const QString &maker)
{
    const QStringList heics = numbered(folder, count, ".heic");
    if (QFile::exists(heics.last()))
        return heics;
    std::printf("making %d HEICs of tiles with previews in %s (once, some minutes) ...\n", count, qPrintable(folder));
    std::fflush(stdout);
    QDir().mkpath(folder);
    // A file takes the maker most of a minute of one core: one per core.
    std::vector<std::unique_ptr<QProcess>> running;
    for (int i = 0; i < count; ++i) {
        if (int(running.size()) >= std::max(1, QThread::idealThreadCount())) {
            running.front()->waitForFinished(-1);
            running.erase(running.begin());
        }
        running.push_back(std::make_unique<QProcess>());
        running.back()->start(QStringLiteral("python3"), {maker, jpegs[i], heics[i], jpegs[i + 100]});
    }
    for (const auto &process : running)
        process->waitForFinished(-1);
    return heics;
}

QString manyPhotos(const QString &parent, const QStringList &photos, int count)
{
    const QString folder = QStringLiteral("%1/photos-%2").arg(parent).arg(count);
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1/IMG_%2.JPG").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (!QFile::exists(name))
            (void)::link(QFile::encodeName(photos[i % photos.size()]).constData(), QFile::encodeName(name).constData());
    }
    return folder;
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
