// Prints how long the viewer takes to show a large photo and how long the
// file list takes to list a large folder. Run it from a release build:
//   build/release/bench/bench_viewer

#include "host/qt/filelist.h"
#include "host/qt/folders.h"
#include "host/qt/pictureview.h"
#include "host/qt/viewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString makePhoto(const QTemporaryDir &dir, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    painter.end();
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    image.save(path, "JPEG", 90);
    return path;
}

double millisecondsPerRun(int runs, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    const QString photo = makePhoto(dir, QSize(6000, 4000));
    qthost::ViewerWidget viewer(nullptr);
    viewer.resize(800, 600);
    viewer.show();
    const double show = millisecondsPerRun(10, [&] {
        viewer.cache().setBudget(0);
        viewer.navigate(photo);
        while (viewer.imageView()->isWaiting())
            QCoreApplication::processEvents();
    });
    const QSize decoded = viewer.imageView()->decodedSize();
    std::printf("show a 6000x4000 JPEG in an 800x600 viewer: %.1f ms, decoded %dx%d (%.1f MiB)\n", show,
                decoded.width(), decoded.height(), decoded.width() * decoded.height() * 4 / 1048576.0);
    const double full = millisecondsPerRun(3, [&] { QImage image(photo); });
    std::printf("decode the same JPEG at full size:          %.1f ms (%.1f MiB)\n", full,
                6000 * 4000 * 4 / 1048576.0);

    const QString folder = dir.filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    for (int i = 0; i < 5000; ++i) {
        QFile file(QStringLiteral("%1/img%2.%3").arg(folder).arg(i).arg(i % 2 ? QStringLiteral("jpg") : QStringLiteral("txt")));
        file.open(QIODevice::WriteOnly);
    }
    qthost::FolderCache folders;
    qthost::FileListWidget list(nullptr, folders, folder);
    list.setPattern(QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp"));
    const double listing = millisecondsPerRun(5, [&] {
        folders.forget();
        (void)list.setPath(folder);
    });
    std::printf("list a folder of 5000 entries (2500 match):  %.1f ms\n", listing);
    return 0;
}
