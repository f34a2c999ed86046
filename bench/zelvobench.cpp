// The performance table of Zelvo Viewer, measured in one run on a real X
// display against the limits and references named in each row. Run it with
// `make bench`; inputs are made under build/bench-data on first use.

#include "app/form1.h"
#include "e2e/xsession.h"
#include "host/qt/actions/asker.h"
#include "host/qt/actions/fileactions.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/lists/listmodels.h"
#include "host/qt/marks/markwriter.h"
#include "host/qt/viewer/detailspanel.h"
#include "host/qt/thumbs/thumbnailstrip.h"
#include "host/qt/viewer/viewer.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "inputs.h"
#include "listing.h"
#include "peers.h"
#include "sharpwatch.h"
#include "picture/helper/picturedecode.h"
#include "picture/window/decodequeue.h"
#include "picture/window/photofacts.h"
#include "picture/window/thumbnails.h"
#include "picture/wire/decoding.h"
#include "xscreen.h"

#include <QAbstractItemView>
#include <QColorSpace>
#include <QColorTransform>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QLocale>
#include <QTimer>

#include <QtPlugin>

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

using xsession::run;

// Pictures decoded here, in the benchmark, as the helper decodes them.
Q_IMPORT_PLUGIN(ZelvoImageFormats)

namespace {

constexpr int Rounds = 9;
const QColor PathBoxColour(255, 255, 192);
// A flat picture's, to find where a viewer shows a photo of its size.
const QColor FlatColour(40, 160, 90);

struct Figures
{
    double median = NAN, low = NAN, high = NAN;
};

Figures figures(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

QString shown(const Figures &f, const char *unit = "ms")
{
    if (std::isnan(f.median))
        return QStringLiteral("failed");
    return QStringLiteral("%1 %2 [%3-%4]").arg(f.median, 0, 'f', 1).arg(QString::fromLatin1(unit)).arg(f.low, 0, 'f', 1).arg(f.high, 0, 'f', 1);
}

// Runs the window's events as its own loop does: asleep until one comes,
// or for `milliseconds` at most. (A loop that only polled would take a core
// from the helpers on this two-core machine.)
void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, [] {});
    loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The photos in the thumbnail parts' folder: ZELVO_BENCH_TILES, else 1,000.
int benchTiles()
{
    return qEnvironmentVariableIsSet("ZELVO_BENCH_TILES") ? qEnvironmentVariableIntValue("ZELVO_BENCH_TILES") : 1000;
}

void pause(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

qint64 statusField(qint64 pid, const char *field) // kB
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The processes `pid` started (its decoder helpers).
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile list(tasks.filePath(task + QStringLiteral("/children")));
        if (list.open(QIODevice::ReadOnly)) {
            for (const QByteArray &child : list.readAll().simplified().split(' '))
                if (!child.isEmpty())
                    children.append(child.toLongLong());
        }
    }
    return children;
}

// Proportional set size: each shared page counted once across processes.
double pssMiB(qint64 pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The program and its helpers together.
double pssWithHelpersMiB(qint64 pid)
{
    double total = pssMiB(pid);
    for (const qint64 child : childrenOf(pid))
        total += pssMiB(child);
    return total;
}

// CPU seconds of `pid`, with those of its helpers: the ones that ended
// (reaped, so counted in its own) and the ones still running.
double cpuSeconds(qint64 pid)
{
    const auto ticks = [](qint64 process, bool withChildren) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process));
        if (!stat.open(QIODevice::ReadOnly))
            return 0.0;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        double sum = fields.value(11).toDouble() + fields.value(12).toDouble();
        if (withChildren)
            sum += fields.value(13).toDouble() + fields.value(14).toDouble();
        return sum;
    };
    double total = ticks(pid, true);
    for (const qint64 child : childrenOf(pid))
        total += ticks(child, false);
    return total / double(sysconf(_SC_CLK_TCK));
}

// The real program, copied into a program folder of its own so that its
// history file stays out of the build, started in `folder`.
class Program
{
public:
    Program(const QString &binary, const QString &startPage, const QString &folder,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
            const QStringList &arguments = {})
    {
        m_process.setProcessEnvironment(environment);
        const QString programFolder = m_dir.filePath(QStringLiteral("program"));
        QDir().mkpath(programFolder);
        QFile::copy(binary, programFolder + QStringLiteral("/Zelvoviewer"));
        QFile::copy(QFileInfo(binary).absolutePath() + QStringLiteral("/zelvo-decoder"),
                    programFolder + QStringLiteral("/zelvo-decoder"));
        QFile::copy(startPage, programFolder + QStringLiteral("/Default.htm"));
        m_process.setWorkingDirectory(folder);
        m_started = Clock::now();
        m_process.start(programFolder + QStringLiteral("/Zelvoviewer"), arguments);
        m_process.waitForStarted();
    }
    ~Program()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    Clock::time_point started() const { return m_started; }
    qint64 pid() const { return m_process.processId(); }

    // The window's client area, once it is on the screen.
    QRect window() { return xsession::geometry(xsession::waitForWindow(QStringLiteral("Zelvo-Viewer"))); }

    QRect maximise()
    {
        const QRect before = window();
        run(QStringLiteral("wmctrl"), {QStringLiteral("-r"), QStringLiteral("Zelvo-Viewer"), QStringLiteral("-b"),
                                       QStringLiteral("add,maximized_vert,maximized_horz")});
        for (int i = 0; i < 100 && window() == before; ++i)
            pause(50);
        pause(500);
        return window();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    Clock::time_point m_started;
};

// The viewer's middle, where each photo shows its own colour.
QPoint viewerMiddle(const QRect &client)
{
    const int left = 179, top = 23, bottomBar = 22;
    return {client.left() + left + (client.width() - left) / 2, client.top() + top + (client.height() - top - bottomBar) / 2};
}

// The size of the viewer in the window as the resize layout gives it.
QSize viewerSize(const QRect &client)
{
    return {client.width() - 179 - 8, client.height() - 23 - 22 - 28};
}

void focusFileList(XScreen &x, const QRect &client)
{
    // A folder row takes the focus without opening it; Tab goes on to the files.
    x.click(client.topLeft() + QPoint(40, 23 + 8));
    pause(300);
    x.key("Tab");
    pause(300);
}

double keyToColour(XScreen &x, const char *key, QPoint at, const QColor &wanted)
{
    const Clock::time_point start = Clock::now();
    x.key(key);
    while (millisecondsSince(start) < 10000) {
        if (near(x.pixel(at), wanted))
            return millisecondsSince(start);
        usleep(1000); // each read is a round trip the X server serves instead of the program
    }
    return NAN;
}

// The scaled-decode limit: QImageReader decoding the photo to the viewer's size.
double scaledDecode(const QString &photo, QSize bounds)
{
    QElapsedTimer timer;
    timer.start();
    QImageReader reader(photo);
    reader.setScaledSize(QSize(4000, 3000).scaled(bounds, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    return timer.nsecsElapsed() / 1e6;
}

// libheif's own decode of a HEIC to RGB, the floor of ours; `oneThread`
// keeps its decoding on one thread, whatever the file's structure.
double libheifDecode(const QString &heic, bool oneThread)
{
    QElapsedTimer timer;
    timer.start();
    heif_context *context = heif_context_alloc();
    if (oneThread)
        heif_context_set_max_decoding_threads(context, 0);
    heif_context_read_from_file(context, QFile::encodeName(heic).constData(), nullptr);
    heif_image_handle *handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    heif_image *image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    const double ms = timer.nsecsElapsed() / 1e6;
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return ms;
}

double djpeg(const QString &photo, QSize bounds)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (program.isEmpty())
        return NAN;
    // The smallest scale M/8 whose result still covers the viewer, as the viewer's decoder picks it.
    int eighths = 1;
    while (eighths < 8 && (4000 * eighths / 8 < bounds.width() && 3000 * eighths / 8 < bounds.height()))
        ++eighths;
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(program, {QStringLiteral("-scale"), QStringLiteral("%1/8").arg(eighths), QStringLiteral("-outfile"),
                      QStringLiteral("/dev/null"), photo});
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return figures(times).median;
}

struct Row
{
    QString measure, ours, reference, ratio, goal;
};
std::vector<Row> table;

void add(const QString &measure, const QString &ours, const QString &reference, double ratio, const QString &goal)
{
    table.push_back({measure, ours, reference,
                     std::isnan(ratio) ? QStringLiteral("–") : QStringLiteral("%1×").arg(ratio, 0, 'f', 2), goal});
}

// When a photo's preview and its picture first showed at `at`, in
// milliseconds from `since` (NaN: not within `limit`); `each` runs at every look.
struct Shown
{
    double preview = NAN, picture = NAN;
};
Shown watch(XScreen &x, QPoint at, const QColor &preview, const QColor &picture, Clock::time_point since, int limit,
            const std::function<void()> &each = {})
{
    Shown result;
    while (millisecondsSince(since) < limit) {
        if (each)
            each();
        const QColor seen = x.pixel(at);
        if (std::isnan(result.preview) && near(seen, preview))
            result.preview = millisecondsSince(since);
        if (near(seen, picture)) {
            result.picture = millisecondsSince(since);
            break;
        }
        usleep(1000);
    }
    return result;
}

// A viewer in a round: a build of ours, or a peer.
struct Viewer
{
    QString build;
    std::optional<Peer> peer;
};

// Either started on a file, as a file manager's "Open with" starts it.
class Running
{
public:
    Running(const Viewer &viewer, const QString &file, const QString &startPage)
    {
        if (viewer.peer)
            m_peer = std::make_unique<PeerProcess>(*viewer.peer, file);
        else
            m_ours = std::make_unique<Program>(viewer.build, startPage, QFileInfo(file).path(),
                                               QProcessEnvironment::systemEnvironment(),
                                               QStringList{QFileInfo(file).fileName()});
    }
    Clock::time_point started() const { return m_ours ? m_ours->started() : m_peer->started(); }
    qint64 pid() const { return m_ours ? m_ours->pid() : m_peer->pid(); }

private:
    std::unique_ptr<Program> m_ours;
    std::unique_ptr<PeerProcess> m_peer;
};

// The size a HEIC shows at, turned as its boxes say.
QSize heifShownSize(const QString &heic)
{
    heif_context *context = heif_context_alloc();
    heif_image_handle *handle = nullptr;
    QSize size;
    if (heif_context_read_from_file(context, QFile::encodeName(heic).constData(), nullptr).code == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok)
        size = QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    heif_image_handle_release(handle);
    heif_context_free(context);
    return size;
}

// Ours against `theirs` round by round, against the goal of 0.8×.
void addRatioRow(const QString &measure, const std::vector<double> &ours, const std::vector<double> &theirs,
                 const QString &who)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < theirs.size(); ++i)
        ratios.push_back(ours[i] / theirs[i]);
    const Figures r = figures(ratios);
    add(measure, QStringLiteral("%1× [%2-%3]").arg(r.median, 0, 'f', 2).arg(r.low, 0, 'f', 2).arg(r.high, 0, 'f', 2),
        QStringLiteral("%1 %2").arg(who, shown(figures(theirs))), r.median, QStringLiteral("≤ 0.8×"));
}

// Where `viewer` shows a photo of `size`: found with `flat`, a flat picture
// of FlatColour of that size, once it has settled; `whileShown` runs then.
std::optional<QRect> placeOf(XScreen &x, const Viewer &viewer, const QString &flat, QSize size,
                             const QString &startPage, const std::function<void(const QRect &)> &whileShown = {})
{
    const Running running(viewer, flat, startPage);
    const std::optional<QRect> area =
        settledArea(x, FlatColour, double(size.width()) / size.height(), running.started(), 15000);
    if (area && whileShown)
        whileShown(*area);
    return area;
}

// The peers' first pictures of a photo opened, rounds interleaved with
// ours, and ours against the fastest of them in each round.
void addPeerRows(const QString &photo, bool carriesPreview, const std::vector<double> &ours,
                 const std::vector<std::pair<Peer, QPoint>> &peers, const std::vector<std::vector<double>> &pictures,
                 const std::vector<std::vector<double>> &previews, const std::vector<std::vector<double>> &memory)
{
    if (peers.empty())
        return;
    for (size_t p = 0; p < peers.size(); ++p) {
        const QString name = peers[p].first.name;
        const Figures f = figures(pictures[p]);
        add(QStringLiteral("open %1: its picture on the screen, %2").arg(photo, name), shown(f), QString(), NAN,
            QString());
        if (carriesPreview) {
            const auto seen = std::count_if(previews[p].begin(), previews[p].end(), [](double t) { return !std::isnan(t); });
            add(QStringLiteral("open %1: its preview on the screen, %2").arg(photo, name),
                QStringLiteral("%1 (seen in %2 of %3)").arg(shown(figures(previews[p]))).arg(seen).arg(Rounds), QString(),
                NAN, QString());
        }
        add(QStringLiteral("open %1: memory with its picture shown, %2").arg(photo, name),
            shown(figures(memory[p]), "MiB"), QString(), NAN, QString());
    }
    std::vector<double> fastest;
    for (size_t i = 0; i < ours.size(); ++i) {
        double best = NAN;
        for (size_t p = 0; p < peers.size(); ++p) {
            if (i < pictures[p].size() && !std::isnan(pictures[p][i]) && !(pictures[p][i] >= best))
                best = pictures[p][i];
        }
        fastest.push_back(best);
    }
    addRatioRow(QStringLiteral("open %1: its picture against the fastest peer's, per round").arg(photo), ours, fastest,
                QStringLiteral("fastest peer"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    XScreen x;
    if (!x.isOpen()) {
        std::fprintf(stderr, "zelvobench needs an X display (make bench starts one).\n");
        return 2;
    }
    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/bench-data");
    const QString binary = QStringLiteral(ZELVO_PROGRAM);
    const QString startPage = QStringLiteral(ZELVO_DEFAULT_HTM);
    const QStringList photos = inputs::photos(data + QStringLiteral("/photos"));
    const QString photoFolder = QFileInfo(photos.first()).path();
    const QString small = data + QStringLiteral("/small");
    QDir().mkpath(small);

    // Start-up: process start to the window painted (its path box on screen),
    // in rounds interleaved with the builds ZELVO_BENCH_BASELINE names
    // (colon-separated), so that they meet the same machine.
    // ZELVO_BENCH_ONLY=startup,open,keys,heldheic,detailskeys,delete,held,listing,heic,firstlook,thumbs,thumbpeers,watch,move,details,marks runs only those parts.
    // The other viewers installed (feh, qimgv, geeqie, gThumb) open the same photos in "open"; ZELVO_BENCH_PEERS=0 leaves them out.
    const QStringList only = qEnvironmentVariable("ZELVO_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto wanted = [&only](const char *part) { return only.isEmpty() || only.contains(QLatin1String(part)); };
    // This build first, then each baseline.
    const QStringList builds =
        QStringList{binary} + qEnvironmentVariable("ZELVO_BENCH_BASELINE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (wanted("startup")) {
        std::vector<std::vector<double>> times(builds.size()), memory(builds.size()), cpu(builds.size());
        for (int i = 0; i < Rounds; ++i) {
            for (qsizetype b = 0; b < builds.size(); ++b) {
                Program program(builds[b], startPage, small);
                double painted = NAN;
                while (millisecondsSince(program.started()) < 10000) {
                    if (x.find(PathBoxColour, 4)) {
                        painted = millisecondsSince(program.started());
                        break;
                    }
                }
                times[b].push_back(painted);
                cpu[b].push_back(cpuSeconds(program.pid()) * 1000);
                pause(300);
                memory[b].push_back(statusField(program.pid(), "VmRSS:") / 1024.0);
            }
        }
        for (qsizetype b = 0; b < builds.size(); ++b) {
            const QString who = b == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(builds[b]);
            add(QStringLiteral("start-up to the window painted") + who, shown(figures(times[b])), QString(), NAN,
                QStringLiteral("unchanged or faster"));
            add(QStringLiteral("CPU time to the window painted") + who, shown(figures(cpu[b])), QString(), NAN,
                QString());
            add(QStringLiteral("memory after start-up") + who, shown(figures(memory[b]), "MiB"), QString(), NAN,
                QString());
        }
    }

    // "Open with" a photo: process start to the window on the screen, to the
    // preview the file carries and to its picture, for this build and each
    // baseline, their rounds interleaved. The window's own time to the
    // screen, in the same round, is the floor of the first picture.
    if (wanted("open")) {
        const auto [jpegToOpen, heicToOpen] = inputs::photosToOpen(data + QStringLiteral("/open"), photos);
        struct Opened
        {
            QString name, file;
            QColor preview, picture;
            QColorSpace tagged = QColorSpace(QColorSpace::SRgb); // the colours the file says it is in
            double aspect = 4.0 / 3.0;                           // of its flat part, shown
        };
        const QColor noPreview(1, 2, 3);
        const auto [uprightToOpen, largeToOpen] =
            inputs::phoneHeicsToOpen(data + QStringLiteral("/open/phones"), photos, QStringLiteral(ZELVO_MAKE_GRID_HEIC));
        const std::vector<Opened> opened{
            {QStringLiteral("12 MP JPEG"), photos[2], noPreview, inputs::photoColour(2)},
            {QStringLiteral("12 MP JPEG with an EXIF thumbnail"), jpegToOpen, inputs::photoColour(inputs::OpenedPreview),
             inputs::photoColour(inputs::OpenedPicture)},
            {QStringLiteral("12 MP HEIC with a thumbnail"), heicToOpen, inputs::photoColour(inputs::OpenedPreview),
             inputs::photoColour(inputs::OpenedPicture)},
            // A grid of 512 x 512 tiles, as phones write a HEIC.
            {QStringLiteral("12 MP HEIC of tiles with a thumbnail"),
             inputs::gridHeicToOpen(data + QStringLiteral("/open/grid"), photos, QStringLiteral(ZELVO_MAKE_GRID_HEIC)),
             inputs::photoColour(inputs::OpenedPreview), inputs::photoColour(inputs::OpenedPicture)},
            // As today's phones write a photo: taken upright (turned by its
            // irot), or of 24 MP with an HDR gain map; both in Display P3.
            {QStringLiteral("12 MP HEIC of tiles taken upright, in Display P3"), uprightToOpen,
             inputs::photoColour(inputs::OpenedPreview), inputs::photoColour(inputs::OpenedPicture),
             QColorSpace(QColorSpace::DisplayP3), 3.0 / 4.0},
            {QStringLiteral("24 MP HEIC of tiles with a gain map, in Display P3"), largeToOpen,
             inputs::photoColour(inputs::OpenedPreview), inputs::photoColour(inputs::OpenedPicture),
             QColorSpace(QColorSpace::DisplayP3)},
            // Shown by the preview it carries, which has the pixels the view needs.
            {QStringLiteral("DNG with a 12 MP preview"),
             inputs::dngWithPreview(data + QStringLiteral("/open/dng"), photos[3], QStringLiteral(ZELVO_MAKE_DNG)),
             noPreview, inputs::photoColour(3)},
        };
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const std::vector<Peer> peers = qEnvironmentVariable("ZELVO_BENCH_PEERS") == QLatin1String("0")
                                            ? std::vector<Peer>{}
                                            : installedPeers();
        for (const Opened &photo : opened) {
            const QString folder = QFileInfo(photo.file).path();
            const QStringList arguments{QFileInfo(photo.file).fileName()};
            // Where the window and its viewer are: the same in every round.
            QRect client;
            QPoint pathBox;
            {
                Program program(binary, startPage, folder, environment, arguments);
                client = program.window();
                pause(500);
                // The path box's first point of its own colour: inside its border, before its text.
                pathBox = x.find(PathBoxColour, 1).value_or(QPoint());
            }
            const QPoint middle = viewerMiddle(client);
            // Ours shows the file's colours in the screen's (sRGB here).
            const QColorTransform toScreen = photo.tagged.transformationToColorSpace(QColorSpace::SRgb);
            const QColor ourPreview = photo.preview == noPreview ? noPreview : toScreen.map(photo.preview).toRgb();
            const QColor ourPicture = toScreen.map(photo.picture).toRgb();
            // The peers that show this photo, where its picture shows in
            // theirs, and its colours there (the file's, or the screen's).
            std::vector<std::pair<Peer, QPoint>> showing;
            std::vector<std::pair<QColor, QColor>> peerColours;
            for (const Peer &peer : peers) {
                if (const std::optional<ShownAt> seen =
                        whereShown(x, peer, photo.file, {photo.picture, ourPicture}, photo.aspect, 15000)) {
                    showing.emplace_back(peer, seen->at);
                    peerColours.emplace_back(seen->colour == photo.picture ? std::pair(photo.preview, photo.picture)
                                                                           : std::pair(ourPreview, ourPicture));
                } else
                    add(QStringLiteral("open %1: its picture on the screen, %2").arg(photo.name, peer.name),
                        QStringLiteral("not shown within 15 s"), QString(), NAN, QString());
            }
            std::vector<std::vector<double>> mapped(builds.size()), previewAfter(builds.size()), picture(builds.size()),
                pictureAfter(builds.size()), memory(builds.size());
            std::vector<int> previewSeen(builds.size());
            std::vector<std::vector<double>> peerPicture(showing.size()), peerPreview(showing.size()),
                peerMemory(showing.size());
            for (int i = 0; i < Rounds; ++i) {
                for (size_t p = 0; p < showing.size(); ++p) {
                    // The window of the one before may still be on the screen a moment.
                    const auto [theirPreview, theirPicture] = peerColours[p];
                    const auto gone = [&] {
                        const QColor seen = x.pixel(showing[p].second);
                        return !near(seen, theirPicture) && !near(seen, theirPreview);
                    };
                    for (const Clock::time_point asked = Clock::now(); !gone() && millisecondsSince(asked) < 2000;)
                        usleep(1000);
                    PeerProcess peer(showing[p].first, photo.file);
                    const Shown seen = watch(x, showing[p].second, theirPreview, theirPicture, peer.started(), 15000);
                    peerPicture[p].push_back(seen.picture);
                    peerPreview[p].push_back(seen.preview);
                    pause(500);
                    peerMemory[p].push_back(pssWithHelpersMiB(peer.pid()));
                }
                for (qsizetype b = 0; b < builds.size(); ++b) {
                    Program program(builds[b], startPage, folder, environment, arguments);
                    double onScreen = NAN;
                    const Shown seen =
                        watch(x, middle, ourPreview, ourPicture, program.started(), 10000, [&] {
                            if (std::isnan(onScreen) && near(x.pixel(pathBox), PathBoxColour, 2))
                                onScreen = millisecondsSince(program.started());
                        });
                    double previewed = seen.preview, sharp = seen.picture;
                    if (program.window() != client)
                        onScreen = previewed = sharp = NAN; // placed elsewhere: the points read were not its
                    if (std::isnan(onScreen))
                        onScreen = sharp; // its first frame held the picture
                    mapped[b].push_back(onScreen);
                    picture[b].push_back(sharp);
                    pictureAfter[b].push_back(sharp - onScreen);
                    // Its preview, or its picture when that comes first (a JPEG's does).
                    if (photo.preview != noPreview) {
                        const double first = std::fmin(previewed, sharp);
                        previewAfter[b].push_back(std::isnan(first) ? NAN : std::max(0.0, first - onScreen));
                        previewSeen[b] += std::isnan(previewed) ? 0 : 1;
                    }
                    pause(500);
                    memory[b].push_back(pssWithHelpersMiB(program.pid()));
                }
            }
            for (qsizetype b = 0; b < builds.size(); ++b) {
                const QString who = b == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(builds[b]);
                const Figures m = figures(mapped[b]), p = figures(picture[b]);
                add(QStringLiteral("open %1: the window on the screen").arg(photo.name) + who, shown(m), QString(), NAN,
                    QString());
                add(QStringLiteral("open %1: its picture on the screen").arg(photo.name) + who, shown(p),
                    QStringLiteral("the window %1").arg(shown(m)), p.median / m.median, QString());
                if (photo.preview != noPreview) {
                    const Figures v = figures(previewAfter[b]);
                    add(QStringLiteral("open %1: its preview (or its picture, first), after the window").arg(photo.name) + who,
                        QStringLiteral("%1 (the preview seen in %2 of %3)").arg(shown(v)).arg(previewSeen[b]).arg(Rounds),
                        QStringLiteral("50 ms"), v.median / 50.0, QStringLiteral("≤ 50 ms"));
                }
                add(QStringLiteral("open %1: memory with its picture shown (proportional, with helpers)").arg(photo.name)
                        + who,
                    shown(figures(memory[b]), "MiB"), QString(), NAN, QString());
                if (photo.file.endsWith(QLatin1String(".heic")) && b == 0) {
                    std::vector<double> floor;
                    for (int i = 0; i < Rounds; ++i)
                        floor.push_back(libheifDecode(photo.file, false));
                    const Figures f = figures(floor), a = figures(pictureAfter[b]);
                    add(QStringLiteral("open %1: its picture, after the window").arg(photo.name), shown(a),
                        QStringLiteral("libheif on every core %1").arg(shown(f)), a.median / f.median, QString());
                }
            }
            addPeerRows(photo.name, photo.preview != noPreview, picture[0], showing, peerPicture, peerPreview,
                        peerMemory);
        }
    }

    // "Open with" a HEIC an iPhone took, with ours and the peers in the same
    // rounds: process start to the picture sharp on the screen. Its colours
    // are not the benchmark's, so each viewer's place for it is found with a
    // flat picture of its size, and its sharp picture told by the points of
    // most detail there, read once it has settled.
    if (wanted("iphone")) {
        const QString folder = data + QStringLiteral("/open/iphone");
        const QStringList heics = inputs::phoneHeicsTaken(folder, QStringLiteral(ZELVO_FETCH_PHONE_HEICS));
        if (heics.isEmpty())
            add(QStringLiteral("open a HEIC an iPhone took"), QStringLiteral("not measured: its files could not be fetched"),
                QString(), NAN, QString());
        const std::vector<Peer> peers = qEnvironmentVariable("ZELVO_BENCH_PEERS") == QLatin1String("0")
                                            ? std::vector<Peer>{}
                                            : installedPeers();
        for (const QString &file : heics) {
            const QSize size = heifShownSize(file);
            const QString name =
                QStringLiteral("an iPhone's HEIC %1 (%2 × %3)").arg(QFileInfo(file).fileName()).arg(size.width()).arg(size.height());
            const QString flat = inputs::flatPicture(folder + QStringLiteral("/flat"), size, FlatColour);
            std::vector<Viewer> viewers;
            for (const QString &build : builds)
                viewers.push_back({build, std::nullopt});
            for (const Peer &peer : peers)
                viewers.push_back({QString(), peer});
            const auto nameOf = [&builds](const Viewer &v) {
                return v.peer ? v.peer->name
                              : v.build == builds[0] ? QStringLiteral("ours") : QStringLiteral("baseline %1").arg(v.build);
            };
            std::vector<DetailPoints> points(viewers.size());
            std::vector<QPoint> pathBox(viewers.size());
            std::optional<QColor> ourEmptyPlace;
            for (size_t v = 0; v < viewers.size(); ++v) {
                const std::optional<QRect> area = placeOf(x, viewers[v], flat, size, startPage, [&](const QRect &place) {
                    if (!viewers[v].peer)
                        pathBox[v] = x.find(PathBoxColour, 1).value_or(QPoint());
                    if (v == 0)
                        ourEmptyPlace = colourAround(x, place);
                });
                if (area) {
                    const Running running(viewers[v], file, startPage);
                    pause(3000);
                    points[v] = detailPoints(x.grab(*area), *area, 6);
                }
                if (points[v].at.size() < 8) {
                    add(QStringLiteral("open %1: its picture sharp on the screen, %2").arg(name, nameOf(viewers[v])),
                        area ? QStringLiteral("not measured: no picture of detail where it would show (not opened?)")
                             : QStringLiteral("not shown within 15 s"),
                        QString(), NAN, QString());
                    points[v] = {};
                }
            }
            std::vector<std::vector<double>> sharp(viewers.size()), mapped(viewers.size()), memory(viewers.size()),
                firstAfter(viewers.size());
            for (int i = 0; i < Rounds; ++i) {
                for (size_t v = 0; v < viewers.size(); ++v) {
                    if (points[v].at.empty())
                        continue;
                    // The window of the one before may still be on the screen a moment.
                    for (const Clock::time_point asked = Clock::now();
                         shareHeld(x, points[v]) > 0.5 && millisecondsSince(asked) < 2000;)
                        usleep(1000);
                    const Running running(viewers[v], file, startPage);
                    double onScreen = NAN, firstLook = NAN;
                    const double seen = whenSharp(x, points[v], running.started(), 15000, [&] {
                        if (viewers[v].peer)
                            return;
                        if (std::isnan(onScreen) && near(x.pixel(pathBox[v]), PathBoxColour, 2))
                            onScreen = millisecondsSince(running.started());
                        // Half its points no longer the empty place's, once the window is there.
                        if (!std::isnan(onScreen) && std::isnan(firstLook) && ourEmptyPlace
                            && shareShown(x, points[v], *ourEmptyPlace) >= 0.5)
                            firstLook = millisecondsSince(running.started());
                    });
                    sharp[v].push_back(seen);
                    mapped[v].push_back(std::isnan(onScreen) ? seen : onScreen);
                    // Its first frame may hold its picture already.
                    const double first = std::fmin(firstLook, seen);
                    firstAfter[v].push_back(std::isnan(first) ? NAN : std::max(0.0, first - mapped[v].back()));
                    pause(500);
                    memory[v].push_back(pssWithHelpersMiB(running.pid()));
                }
            }
            for (size_t v = 0; v < viewers.size(); ++v) {
                if (points[v].at.empty() || viewers[v].peer)
                    continue;
                const QString who = v == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(viewers[v].build);
                const Figures m = figures(mapped[v]), p = figures(sharp[v]);
                add(QStringLiteral("open %1: the window on the screen").arg(name) + who, shown(m), QString(), NAN,
                    QString());
                add(QStringLiteral("open %1: its picture sharp on the screen").arg(name) + who, shown(p),
                    QStringLiteral("the window %1").arg(shown(m)), p.median / m.median, QString());
                add(QStringLiteral("open %1: memory with its picture shown (proportional, with helpers)").arg(name) + who,
                    shown(figures(memory[v]), "MiB"), QString(), NAN, QString());
                if (v == 0 && ourEmptyPlace) {
                    const Figures first = figures(firstAfter[v]);
                    add(QStringLiteral("open %1: its first look (its preview, or its picture), after the window").arg(name),
                        shown(first), QStringLiteral("50 ms"), first.median / 50.0, QStringLiteral("≤ 50 ms"));
                }
                if (v == 0) {
                    std::vector<double> after, floor;
                    for (int i = 0; i < Rounds; ++i) {
                        after.push_back(sharp[v][size_t(i)] - mapped[v][size_t(i)]);
                        floor.push_back(libheifDecode(file, false));
                    }
                    const Figures a = figures(after), f = figures(floor);
                    add(QStringLiteral("open %1: its picture sharp, after the window").arg(name), shown(a),
                        QStringLiteral("libheif on every core %1").arg(shown(f)), a.median / f.median, QString());
                }
            }
            std::vector<std::pair<Peer, QPoint>> showing;
            std::vector<std::vector<double>> peerSharp, peerMemory;
            for (size_t v = 0; v < viewers.size(); ++v) {
                if (viewers[v].peer && !points[v].at.empty()) {
                    showing.emplace_back(*viewers[v].peer, QPoint());
                    peerSharp.push_back(sharp[v]);
                    peerMemory.push_back(memory[v]);
                }
            }
            if (!points[0].at.empty()) {
                addPeerRows(name + QStringLiteral(" sharp"), false, sharp[0], showing, peerSharp, {}, peerMemory);
                for (size_t p = 0; p < showing.size(); ++p) {
                    if (showing[p].first.name == QLatin1String("feh"))
                        addRatioRow(QStringLiteral("open %1: its picture sharp against feh's, per round").arg(name),
                                    sharp[0], peerSharp[p], QStringLiteral("feh"));
                }
            }
        }
    }

    // Key to pixels, in the window as designed and maximised, for this
    // build and each baseline, their rounds interleaved.
    for (const bool maximised : {false, true}) {
        if (!wanted("keys"))
            break;
        // The limit is measured in each round beside the program (this
        // machine's speed drifts), on photos the program does not show.
        std::vector<std::vector<double>> first(builds.size()), next(builds.size()), far(builds.size());
        std::vector<double> limits;
        QSize bounds;
        for (int i = 0; i < Rounds; ++i) {
            for (qsizetype b = 0; b < builds.size(); ++b) {
                Program program(builds[b], startPage, photoFolder);
                QRect client = program.window();
                if (maximised)
                    client = program.maximise();
                bounds = viewerSize(client);
                const QPoint middle = viewerMiddle(client);
                focusFileList(x, client);
                pause(1000);
                if (b == 0)
                    limits.push_back(scaledDecode(photos[100 + i], bounds));
                first[b].push_back(keyToColour(x, "Down", middle, inputs::photoColour(0)));
                pause(1500);
                next[b].push_back(keyToColour(x, "Down", middle, inputs::photoColour(1)));
                pause(1500);
                if (b == 0)
                    limits.push_back(scaledDecode(photos[110 + i], bounds));
                far[b].push_back(keyToColour(x, "End", middle, inputs::photoColour(inputs::PhotoCount - 1)));
                pause(1500);
                next[b].push_back(keyToColour(x, "Up", middle, inputs::photoColour(inputs::PhotoCount - 2)));
            }
        }
        const double limit = figures(limits).median;
        const double turbo = djpeg(photos.first(), bounds);
        const QString where = maximised ? QStringLiteral(", maximised") : QString();
        const QString limitText = QStringLiteral("scaled decode %1 ms").arg(limit, 0, 'f', 1);
        add(QStringLiteral("scaled-decode limit, viewer %1×%2").arg(bounds.width()).arg(bounds.height()),
            QStringLiteral("%1 ms (QImageReader)").arg(limit, 0, 'f', 1),
            std::isnan(turbo) ? QStringLiteral("djpeg not installed") : QStringLiteral("djpeg -scale %1 ms").arg(turbo, 0, 'f', 1),
            std::isnan(turbo) ? NAN : limit / turbo, QString());
        for (qsizetype b = 0; b < builds.size(); ++b) {
            const QString who = b == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(builds[b]);
            const Figures f = figures(first[b]), n = figures(next[b]), r = figures(far[b]);
            const Figures base = figures(first[0]);
            add(QStringLiteral("first picture, key to pixels") + where + who, shown(f),
                b == 0 ? limitText : QStringLiteral("this build %1").arg(shown(base)),
                b == 0 ? f.median / limit : base.median / f.median, b == 0 ? QStringLiteral("≤ 1.1× limit")
                                                                              : QStringLiteral("this build ≤ 1.05×"));
            add(QStringLiteral("next picture (prefetched), key to pixels") + where + who, shown(n),
                QStringLiteral("one frame 16 ms"), n.median / 16.0, QStringLiteral("≤ 16 ms"));
            add(QStringLiteral("picture far away, key to pixels") + where + who, shown(r), limitText, r.median / limit,
                QStringLiteral("≤ 1.1× limit"));
        }
    }

    // A held key through HEIC photos that carry previews, a key every 33 ms:
    // the previews shown on the way, how long after the last key the last
    // photo is sharp, and the memory of the program and its helpers at the
    // most, for this build and each baseline.
    for (const bool tiled : {false, true}) {
        if (!wanted("heldheic"))
            break;
        constexpr int Photos = 40;
        // Coded whole, or as phones write theirs: grids of 512 x 512 tiles.
        const QString kind = tiled ? QStringLiteral("HEICs of tiles") : QStringLiteral("HEICs");
        const QStringList heics =
            tiled ? inputs::gridHeicsWithPreviews(data + QStringLiteral("/heic-grid-previews"), photos, Photos,
                                                  QStringLiteral(ZELVO_MAKE_GRID_HEIC))
                  : inputs::heicsWithPreviews(data + QStringLiteral("/heic-previews"), photos, Photos);
        const QString folder = QFileInfo(heics.first()).path();
        std::vector<std::vector<double>> behind(builds.size()), previewsSeen(builds.size()), peak(builds.size());
        std::vector<std::vector<double>> afterLetGo(builds.size()), stoppedAt(builds.size());
        for (int round = 0; round < 3; ++round) {
            for (qsizetype b = 0; b < builds.size(); ++b) {
                // Opened on the first (HEIC is among the other formats, which
                // opening one shows), then stepped from the file list.
                Program program(builds[b], startPage, folder, QProcessEnvironment::systemEnvironment(),
                                {QFileInfo(heics.first()).fileName()});
                const QRect client = program.window();
                const QPoint middle = viewerMiddle(client);
                for (int wait = 0; wait < 200 && !near(x.pixel(middle), inputs::photoColour(0)); ++wait)
                    pause(50);
                focusFileList(x, client);
                pause(1500);
                QSet<int> previews;
                double most = 0;
                Clock::time_point sampled = Clock::now();
                const Clock::time_point start = Clock::now();
                for (int k = 1; k < Photos; ++k) {
                    x.key("Down");
                    const Clock::time_point due = start + std::chrono::milliseconds(33 * k);
                    while (Clock::now() < due) {
                        const int seen = inputs::photoOf(x.pixel(middle));
                        if (seen >= 100)
                            previews.insert(seen);
                        if (millisecondsSince(sampled) > 100) {
                            most = std::max(most, pssWithHelpersMiB(program.pid()));
                            sampled = Clock::now();
                        }
                        usleep(2000);
                    }
                }
                const Clock::time_point lastKey = Clock::now();
                double sharp = NAN;
                while (millisecondsSince(lastKey) < 20000) {
                    if (near(x.pixel(middle), inputs::photoColour(Photos - 1))) {
                        sharp = millisecondsSince(lastKey);
                        break;
                    }
                    if (millisecondsSince(sampled) > 100) {
                        most = std::max(most, pssWithHelpersMiB(program.pid()));
                        sampled = Clock::now();
                    }
                    usleep(1000);
                }
                behind[b].push_back(sharp);
                previewsSeen[b].push_back(previews.size());
                peak[b].push_back(most);

                // The same keys as a user holds one: back to the first
                // photo, then Down held (the X server's repeats, 33 ms
                // apart after 250 ms) for about 38 photos, and let go.
                x.key("Home");
                for (int wait = 0; wait < 200 && !near(x.pixel(middle), inputs::photoColour(0)); ++wait)
                    pause(50);
                pause(1500);
                x.holdKey("Down", 250, 33);
                pause(250 + 37 * 33);
                x.letGoOfKey("Down");
                const Clock::time_point letGo = Clock::now();
                double shown = NAN;
                int at = -1;
                while (millisecondsSince(letGo) < 20000) {
                    const int seen = inputs::photoOf(x.pixel(middle));
                    if (seen > 0 && seen < Photos) {
                        shown = millisecondsSince(letGo);
                        at = seen;
                        break;
                    }
                    usleep(1000);
                }
                afterLetGo[b].push_back(shown);
                stoppedAt[b].push_back(at);
            }
        }
        for (qsizetype b = 0; b < builds.size(); ++b) {
            const QString who = b == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(builds[b]);
            const Figures f = figures(behind[b]);
            add(QStringLiteral("held key, %1 %2 with previews: last photo sharp after the last key").arg(Photos).arg(kind)
                    + who,
                shown(f), QStringLiteral("0.5 s"), f.median / 500.0, QStringLiteral("≤ 0.5 s"));
            add(QStringLiteral("held key, %1: previews shown on the way (of %2)").arg(kind).arg(Photos - 1) + who,
                shown(figures(previewsSeen[b]), ""), QString(), NAN, QString());
            add(QStringLiteral("held key (its own repeats, 33 ms apart) through %1, let go: the photo it stopped at sharp "
                               "after")
                        .arg(kind)
                    + who,
                shown(figures(afterLetGo[b])), QStringLiteral("0.5 s"), figures(afterLetGo[b]).median / 500.0,
                QStringLiteral("≤ 0.5 s"));
            add(QStringLiteral("held key through %1, let go: the photo it stopped at (of %2)").arg(kind).arg(Photos - 1)
                    + who,
                shown(figures(stoppedAt[b]), ""), QString(), NAN, QString());
            const Figures m = figures(peak[b]);
            add(QStringLiteral("held key, %1: memory at the most (proportional, the program and its helpers)").arg(kind)
                    + who,
                shown(m, "MiB"), QStringLiteral("120 MiB"), m.median / 120.0, QStringLiteral("≤ 120 MiB"));
        }
    }

    // A key held through HEICs an iPhone took, copies of its landscape photo
    // and its upright one last: each told sharp by its points of detail
    // where the window shows it, as in the iphone part.
    if (wanted("heldiphone")) {
        const QStringList taken =
            inputs::phoneHeicsTaken(data + QStringLiteral("/open/iphone"), QStringLiteral(ZELVO_FETCH_PHONE_HEICS));
        constexpr int Photos = 40;
        const QStringList row = taken.isEmpty()
                                    ? QStringList()
                                    : inputs::phoneHeicsInARow(data + QStringLiteral("/heic-iphone-row"), taken, Photos);
        const QString folder = row.isEmpty() ? QString() : QFileInfo(row.first()).path();
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        std::array<DetailPoints, 2> points; // of the landscape photo, and of the upright one
        std::array<std::optional<QRect>, 2> areas;
        for (size_t i = 0; i < areas.size() && !row.isEmpty(); ++i) {
            const QSize size = heifShownSize(i == 0 ? row.first() : row.last());
            areas[i] = placeOf(x, {binary, std::nullopt},
                               inputs::flatPicture(data + QStringLiteral("/open/iphone/flat"), size, FlatColour), size,
                               startPage);
        }
        if (areas[0] && areas[1]) {
            // Read as stepped to: a picture at start-up is decoded for the
            // view the window will have, a few pixels larger, and painted fitted.
            Program program(binary, startPage, folder, environment, {QFileInfo(row.first()).fileName()});
            focusFileList(x, program.window());
            pause(1500);
            x.key("End");
            pause(3000);
            points[1] = detailPoints(x.grab(*areas[1]), *areas[1], 6);
            x.key("Home");
            pause(3000);
            points[0] = detailPoints(x.grab(*areas[0]), *areas[0], 6);
        }
        if (points[0].at.size() < 8 || points[1].at.size() < 8) {
            add(QStringLiteral("held key through HEICs an iPhone took"),
                row.isEmpty() ? QStringLiteral("not measured: its files could not be fetched")
                              : QStringLiteral("not measured: no picture of detail where it shows"),
                QString(), NAN, QString());
        } else {
            std::vector<std::vector<double>> behind(builds.size()), afterLetGo(builds.size()), peak(builds.size());
            for (int round = 0; round < 3; ++round) {
                for (qsizetype b = 0; b < builds.size(); ++b) {
                    Program program(builds[b], startPage, folder, environment, {QFileInfo(row.first()).fileName()});
                    focusFileList(x, program.window());
                    pause(1500);
                    double most = 0;
                    Clock::time_point sampled = Clock::now();
                    const auto sample = [&] {
                        if (millisecondsSince(sampled) > 100) {
                            most = std::max(most, pssWithHelpersMiB(program.pid()));
                            sampled = Clock::now();
                        }
                    };
                    const Clock::time_point start = Clock::now();
                    for (int k = 1; k < Photos; ++k) {
                        x.key("Down");
                        const Clock::time_point due = start + std::chrono::milliseconds(33 * k);
                        while (Clock::now() < due) {
                            sample();
                            usleep(2000);
                        }
                    }
                    behind[b].push_back(whenSharp(x, points[1], Clock::now(), 20000, sample));
                    peak[b].push_back(most);

                    // Held as a user holds it, from the first photo, and let
                    // go after about 38: a copy of the landscape photo.
                    x.key("Home");
                    whenSharp(x, points[0], Clock::now(), 10000);
                    pause(1500);
                    x.holdKey("Down", 250, 33);
                    pause(250 + 37 * 33);
                    x.letGoOfKey("Down");
                    afterLetGo[b].push_back(whenSharp(x, points[0], Clock::now(), 20000));
                }
            }
            for (qsizetype b = 0; b < builds.size(); ++b) {
                const QString who = b == 0 ? QString() : QStringLiteral(" (baseline %1)").arg(builds[b]);
                const Figures f = figures(behind[b]), l = figures(afterLetGo[b]), m = figures(peak[b]);
                add(QStringLiteral("held key, %1 HEICs an iPhone took: last photo sharp after the last key").arg(Photos) + who,
                    shown(f), QStringLiteral("0.5 s"), f.median / 500.0, QStringLiteral("≤ 0.5 s"));
                add(QStringLiteral("held key (its own repeats) through HEICs an iPhone took, let go: the photo it stopped "
                                   "at sharp after")
                        + who,
                    shown(l), QStringLiteral("0.5 s"), l.median / 500.0, QStringLiteral("≤ 0.5 s"));
                add(QStringLiteral("held key, HEICs an iPhone took: memory at the most (proportional, the program and its "
                                   "helpers)")
                        + who,
                    shown(m, "MiB"), QStringLiteral("120 MiB"), m.median / 120.0, QStringLiteral("≤ 120 MiB"));
            }
        }
    }

    // Stepping with the details panel open against closed, in the same
    // rounds, maximised: the next photo (decoded ahead) and a far one, key to
    // pixels. After the panel opens, one step first, so that what is decoded
    // ahead is for the narrower picture.
    if (wanted("detailskeys")) {
        std::vector<double> nextClosed, nextOpen, farClosed, farOpen;
        for (int i = 0; i < Rounds; ++i) {
            Program program(binary, startPage, photoFolder);
            program.window();
            const QRect client = program.maximise();
            const QPoint middle = viewerMiddle(client);
            focusFileList(x, client);
            keyToColour(x, "Down", middle, inputs::photoColour(0));
            pause(1500);
            nextClosed.push_back(keyToColour(x, "Down", middle, inputs::photoColour(1)));
            pause(1500);
            farClosed.push_back(keyToColour(x, "End", middle, inputs::photoColour(inputs::PhotoCount - 1)));
            pause(1500);
            keyToColour(x, "Home", middle, inputs::photoColour(0));
            pause(1500);
            xsession::keys({QStringLiteral("alt+Return")});
            pause(1500);
            // The picture moves over for the panel: its square is looked for
            // (a reddish colour no text on the screen is drawn in).
            x.key("Down");
            std::optional<QPoint> square;
            for (int wait = 0; wait < 100 && !square; ++wait, pause(50))
                square = x.find(inputs::photoColour(1), 4);
            const QPoint beside = square.value_or(middle) + QPoint(8, 8);
            pause(1500);
            nextOpen.push_back(keyToColour(x, "Down", beside, inputs::photoColour(2)));
            pause(1500);
            farOpen.push_back(keyToColour(x, "End", beside, inputs::photoColour(inputs::PhotoCount - 1)));
        }
        const Figures nc = figures(nextClosed), no = figures(nextOpen), fc = figures(farClosed), fo = figures(farOpen);
        add(QStringLiteral("next picture (prefetched), maximised, details open"), shown(no),
            QStringLiteral("closed %1").arg(shown(nc)), no.median / nc.median, QStringLiteral("≤ 1.02×"));
        add(QStringLiteral("picture far away, maximised, details open"), shown(fo),
            QStringLiteral("closed %1").arg(shown(fc)), fo.median / fc.median, QStringLiteral("≤ 1.02×"));
    }

    // Delete on a shown photo: the trash takes it and the next photo, decoded
    // ahead, shows. On copies, with a trash of the benchmark's own.
    if (wanted("delete")) {
        std::vector<double> times;
        for (int i = 0; i < Rounds; ++i) {
            QTemporaryDir scratch(data + QStringLiteral("/delete-XXXXXX"));
            const QString folder = scratch.filePath(QStringLiteral("photos"));
            QDir().mkpath(folder);
            for (int p = 0; p < 3; ++p)
                QFile::copy(photos[p], folder + QLatin1Char('/') + QFileInfo(photos[p]).fileName());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_DATA_HOME"), scratch.filePath(QStringLiteral("data")));
            Program program(binary, startPage, folder, environment);
            const QRect client = program.window();
            const QPoint middle = viewerMiddle(client);
            focusFileList(x, client);
            keyToColour(x, "Down", middle, inputs::photoColour(0));
            pause(1500);
            times.push_back(keyToColour(x, "Delete", middle, inputs::photoColour(1)));
        }
        const Figures d = figures(times);
        add(QStringLiteral("Delete on a shown 12 MP photo: the next one's pixels"), shown(d),
            QStringLiteral("one frame 16 ms"), d.median / 16.0, QStringLiteral("≤ 16 ms"));
    }

    // A held key through the photos: a key every 33 ms.
    if (wanted("held")) {
        std::vector<double> behind, perPicture, seenCounts, cpu, memory, withHelpers;
        for (int round = 0; round < 3; ++round) {
            Program program(binary, startPage, photoFolder);
            const QRect client = program.window();
            const QPoint middle = viewerMiddle(client);
            focusFileList(x, client);
            keyToColour(x, "Down", middle, inputs::photoColour(0));
            pause(1500);
            const double cpuBefore = cpuSeconds(program.pid());
            QSet<int> seen;
            const Clock::time_point start = Clock::now();
            for (int k = 1; k < inputs::PhotoCount; ++k) {
                x.key("Down");
                const Clock::time_point due = start + std::chrono::milliseconds(33 * k);
                while (Clock::now() < due) {
                    seen.insert(inputs::photoOf(x.pixel(middle)));
                    usleep(1000);
                }
            }
            const Clock::time_point lastKey = start + std::chrono::milliseconds(33 * (inputs::PhotoCount - 1));
            double late = NAN;
            while (millisecondsSince(lastKey) < 10000) {
                const int index = inputs::photoOf(x.pixel(middle));
                seen.insert(index);
                if (index == inputs::PhotoCount - 1) {
                    late = std::max(0.0, millisecondsSince(lastKey));
                    break;
                }
                usleep(1000);
            }
            seen.remove(-1);
            seen.remove(0);
            behind.push_back(late);
            seenCounts.push_back(seen.size());
            perPicture.push_back(millisecondsSince(start) / std::max<qsizetype>(1, seen.size()));
            cpu.push_back(cpuSeconds(program.pid()) - cpuBefore);
            pause(300);
            memory.push_back(statusField(program.pid(), "VmRSS:") / 1024.0);
            withHelpers.push_back(pssWithHelpersMiB(program.pid()));
        }
        add(QStringLiteral("held key, 199 photos: last photo after the last key"), shown(figures(behind)),
            QStringLiteral("2.4 s before; gthumb 0.36 s"), NAN, QStringLiteral("≤ 100 ms"));
        const Figures s = figures(seenCounts);
        add(QStringLiteral("held key: photos shown on the way (of 199)"),
            QStringLiteral("%1 [%2-%3]").arg(s.median).arg(s.low).arg(s.high),
            QStringLiteral("dropped %1").arg(199 - s.median), NAN, QString());
        add(QStringLiteral("held key: time per photo shown"), shown(figures(perPicture)), QString(), NAN, QString());
        add(QStringLiteral("held key: CPU seconds"), shown(figures(cpu), "s"), QString(), NAN, QString());
        add(QStringLiteral("held key: memory after the 200th (resident, the program alone)"), shown(figures(memory), "MiB"),
            QStringLiteral("peers 57-259 MiB"), NAN, QString());
        add(QStringLiteral("held key: memory after the 200th (proportional, the program and its idle helpers)"),
            shown(figures(withHelpers), "MiB"), QString(), NAN, QStringLiteral("< 80 MiB"));
    }

    // Showing a big folder: the folder list moves there, the file list follows and paints.
    if (wanted("listing")) {
        qthost::QtHost host;
        Form1 form(host);
        host.attach(Form1::design(), &form);
        host.show();
        pause(500);
        (void)host.dir1().setPath(small);
        pause(200);
        for (const int count : {20000, 100000}) {
            const QString folder = inputs::manyFiles(data, count);
            std::vector<double> ours, plain;
            for (int i = 0; i < Rounds; ++i) {
                QElapsedTimer timer;
                timer.start();
                listing::plainReadFilterSort(folder);
                plain.push_back(timer.nsecsElapsed() / 1e6);
                (void)host.dir1().setPath(small);
                timer.restart();
                (void)host.dir1().setPath(folder);
                host.window()->repaint();
                ours.push_back(timer.nsecsElapsed() / 1e6);
            }
            const Figures o = figures(ours), p = figures(plain);
            add(QStringLiteral("show a folder of %1 files").arg(count), shown(o),
                QStringLiteral("read, filter, sort naturally in C: %1").arg(shown(p)), o.median / p.median,
                QStringLiteral("≤ 2×"));
        }
        (void)host.dir1().setPath(small);
        pause(200);
        malloc_trim(0);
        const qint64 before = statusField(getpid(), "VmRSS:");
        (void)host.dir1().setPath(inputs::manyFiles(data, 100000));
        host.window()->repaint();
        const qint64 after = statusField(getpid(), "VmRSS:");
        add(QStringLiteral("memory growth for 100,000 names"), QStringLiteral("%1 MiB").arg((after - before) / 1024.0, 0, 'f', 1),
            QStringLiteral("0.7 KiB a name before (68 MiB)"), NAN, QStringLiteral("≤ 30 MiB"));
    }

    // Photos of today's phones, in the viewer alone: 200 HEIC photos stepped
    // through with a pause on each (the neighbours decoded meanwhile), a
    // 12-megapixel HEIC decoded against libheif's own decode, and the cost of
    // turning a photo's colours into the screen's.
    if (wanted("heic")) {
        QStringList heics;
        for (const QString &heic : inputs::heicPhotos(data + QStringLiteral("/heic"), photos))
            heics.append(QFileInfo(heic).absoluteFilePath()); // as the viewer names what it shows
        const QSize bounds(1200, 900);
        // Each of `files` decoded in turn to the viewer's size in the helper's
        // code, then by libheif alone: a row of the two.
        const auto againstLibheif = [&](const QString &measure, const auto &files) {
            std::vector<double> ours, library;
            for (int i = 0; i < Rounds; ++i) {
                const QString &file = files(i);
                const std::atomic_bool no{false};
                QElapsedTimer timer;
                timer.start();
                const picture::DecodedPicture shown =
                    picture::decodePicture(picture::DecodeRequest::fitted(file, bounds), no);
                ours.push_back(timer.nsecsElapsed() / 1e6);
                if (shown.status != picture::DecodedPicture::Status::Decoded)
                    std::fprintf(stderr, "%s did not decode\n", qPrintable(file));
                library.push_back(libheifDecode(file, false));
            }
            const Figures o = figures(ours), l = figures(library);
            add(measure, shown(o), QStringLiteral("libheif's own decode: %1").arg(shown(l)), o.median / l.median,
                QStringLiteral("≤ 1.2×"));
        };
        againstLibheif(QStringLiteral("12 MP HEIC to the viewer's size, not prefetched"),
                       [&heics](int i) -> const QString & { return heics[i]; });
        // The same of a grid of tiles, as phones write a HEIC: libheif
        // decodes its tiles a core each, in the helper as on its own.
        const QString tiles =
            inputs::gridHeicToOpen(data + QStringLiteral("/open/grid"), photos, QStringLiteral(ZELVO_MAKE_GRID_HEIC));
        againstLibheif(QStringLiteral("12 MP HEIC of 512 × 512 tiles to the viewer's size"),
                       [&tiles](int) -> const QString & { return tiles; });

        // Colours: the same photo untagged and tagged Adobe RGB.
        QImage tagged(photos[0]);
        tagged.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
        const QString taggedPath = data + QStringLiteral("/heic/tagged-adobe-rgb.jpg");
        tagged.save(taggedPath, "JPEG", 90);
        tagged = QImage();
        std::vector<double> plain, converted;
        for (int i = 0; i < Rounds; ++i) {
            const std::atomic_bool no{false};
            QElapsedTimer timer;
            timer.start();
            picture::decodePicture(picture::DecodeRequest::fitted(photos[0], bounds), no);
            plain.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            picture::decodePicture(picture::DecodeRequest::fitted(taggedPath, bounds), no);
            converted.push_back(timer.nsecsElapsed() / 1e6);
        }
        const Figures p = figures(plain), c = figures(converted);
        add(QStringLiteral("colour conversion: Adobe RGB photo decoded"), shown(c),
            QStringLiteral("untagged: %1").arg(shown(p)), c.median / p.median, QStringLiteral("≤ 1.1×"));

        malloc_trim(0);
        const qint64 before = statusField(getpid(), "VmRSS:");
        qthost::ViewerWidget viewer(nullptr);
        viewer.resize(bounds);
        viewer.show();
        viewer.neighbours = [&heics](const QString &at) {
            const qsizetype index = heics.indexOf(at);
            QStringList around;
            for (const qsizetype near : {index + 1, index - 1})
                if (index >= 0 && near >= 0 && near < heics.size())
                    around.append(heics[near]);
            return around;
        };
        std::vector<double> steps;
        for (const QString &heic : heics) {
            QElapsedTimer timer;
            timer.start();
            viewer.navigate(heic);
            while (viewer.imageView()->path() != heic && timer.elapsed() < 10000)
                runEvents(1);
            viewer.imageView()->repaint();
            if (heic != heics.first())
                steps.push_back(timer.nsecsElapsed() / 1e6);
            // A moment on each photo: its neighbours are decoded meanwhile
            // (asked for once it is painted).
            pause(50);
            while (viewer.queue().pending() > 0)
                runEvents(5);
        }
        add(QStringLiteral("next HEIC photo (prefetched), step to pixels"), shown(figures(steps)),
            QStringLiteral("one frame 16 ms"), figures(steps).median / 16.0, QStringLiteral("≤ 16 ms"));
        add(QStringLiteral("memory after 200 HEIC photos"),
            QStringLiteral("%1 MiB (%2 MiB for the viewer)").arg(statusField(getpid(), "VmRSS:") / 1024.0, 0, 'f', 1)
                .arg((statusField(getpid(), "VmRSS:") - before) / 1024.0, 0, 'f', 1),
            QString(), NAN, QStringLiteral("< 80 MiB"));
    }

    // A first look: a photo not decoded ahead (a jump, "Open with") shows
    // the preview its file carries, then its picture. Each round a file of
    // its own, so nothing is decoded ahead; beside libheif's own decode of
    // the picture on one thread.
    if (wanted("firstlook")) {
        // Named as the viewer names what it shows.
        const QString previews = QDir(data + QStringLiteral("/previews")).absolutePath();
        const auto [jpegs, heics] = inputs::photosWithPreviews(previews, photos[0], Rounds);
        const QSize bounds(1200, 900);
        qthost::ViewerWidget viewer(nullptr);
        viewer.resize(bounds);
        viewer.show();
        viewer.queue().warmUp();
        QElapsedTimer warming;
        warming.start();
        while (viewer.queue().readyHelpers() < viewer.queue().workers() && warming.elapsed() < 10000)
            runEvents(5);
        const auto look = [&viewer](const QString &file, std::vector<double> &preview, std::vector<double> &sharp) {
            QElapsedTimer timer;
            timer.start();
            viewer.navigate(file);
            bool previewed = false;
            qthost::PictureView *view = viewer.imageView();
            while (timer.elapsed() < 10000) {
                runEvents(1);
                if (!previewed && view->isPreview() && view->path() == file) {
                    view->repaint();
                    preview.push_back(timer.nsecsElapsed() / 1e6);
                    previewed = true;
                }
                if (view->path() == file && !view->isPreview() && !view->isWaiting()) {
                    view->repaint();
                    sharp.push_back(timer.nsecsElapsed() / 1e6);
                    break;
                }
            }
            if (!previewed)
                preview.push_back(NAN);
            pause(100);
        };
        std::vector<double> jpegPreview, jpegSharp, heicPreview, heicSharp, oneThread;
        for (int i = 0; i < Rounds; ++i) {
            look(jpegs[i], jpegPreview, jpegSharp);
            look(heics[i], heicPreview, heicSharp);
            oneThread.push_back(libheifDecode(heics[i], true));
        }
        const Figures hp = figures(heicPreview), hs = figures(heicSharp), one = figures(oneThread);
        const Figures jp = figures(jpegPreview), js = figures(jpegSharp);
        add(QStringLiteral("12 MP HEIC not decoded ahead: its preview, chosen to pixels"), shown(hp),
            QStringLiteral("one frame 16 ms"), hp.median / 16.0, QStringLiteral("≤ 16 ms"));
        add(QStringLiteral("12 MP HEIC not decoded ahead: its picture, chosen to pixels"), shown(hs),
            QStringLiteral("libheif on one thread: %1").arg(shown(one)), hs.median / one.median, QStringLiteral("≤ 0.6×"));
        add(QStringLiteral("12 MP JPEG with an EXIF thumbnail: its preview, chosen to pixels"), shown(jp),
            QStringLiteral("one frame 16 ms"), jp.median / 16.0, QStringLiteral("≤ 16 ms"));
        add(QStringLiteral("12 MP JPEG with an EXIF thumbnail: its picture, chosen to pixels"), shown(js), QString(), NAN,
            QString());
    }

    // The strip of thumbnails on a folder of 1,000 12 MP JPEGs that no
    // program has thumbnailed yet, then again with the cache filled: the
    // first screen of tiles, all of them, and how long the window's thread
    // is away from its events meanwhile.
    if (wanted("thumbs")) {
        const int tiles = benchTiles();
        const QString many = QLocale(QLocale::English).toString(tiles);
        const QString folder = QDir(inputs::manyPhotos(data, photos, tiles)).absolutePath();
        QTemporaryDir cache;
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const QString before = QDir::currentPath();
        QDir::setCurrent(folder);
        struct Pass
        {
            double firstScreen = NAN, all = NAN, memoryMiB = NAN;
            qint64 longestWait = 0;
            std::vector<double> stepsWhileMaking, stepsAfter;
        };
        // untilAll: on until every tile is made, then photos chosen with
        // the helpers idle; else, with `steps`, photos chosen while the
        // tiles are made.
        const auto pass = [&](bool untilAll, bool steps = false) {
            Pass result;
            qthost::QtHost host;
            Form1 form(host);
            host.attach(Form1::design(), &form);
            host.show();
            host.window()->resize(1400, 900);
            auto *viewer = host.window()->findChild<qthost::ViewerWidget *>();
            viewer->queue().warmUp();
            QElapsedTimer warming;
            warming.start();
            while (viewer->queue().readyHelpers() < viewer->queue().workers() && warming.elapsed() < 10000)
                runEvents(5);
            pause(500);
            qthost::ThumbnailStrip *strip = host.thumbnailStrip();
            picture::Thumbnails &thumbnails = strip->thumbnails();
            int arrived = 0;
            QObject::connect(&thumbnails, &picture::Thumbnails::arrived, [&arrived] { ++arrived; });
            const double rssBefore = statusField(getpid(), "VmRSS:") / 1024.0;
            QElapsedTimer clock;
            clock.start();
            qint64 last = 0;
            QTimer ping;
            ping.setTimerType(Qt::PreciseTimer);
            QObject::connect(&ping, &QTimer::timeout, [&] {
                const qint64 now = clock.elapsed();
                result.longestWait = std::max(result.longestWait, now - last);
                last = now;
            });
            ping.start(5);
            host.setStripShown(true);
            const auto screenKnown = [&] {
                for (int row = 0; row < strip->model()->rowCount(); ++row) {
                    const QModelIndex index = strip->model()->index(row, 0);
                    if (!strip->visualRect(index).intersects(strip->viewport()->rect()))
                        continue;
                    const QString path = QDir(folder).filePath(index.data().toString());
                    if (!thumbnails.tile(path).known)
                        return false;
                }
                return true;
            };
            while (clock.elapsed() < 20000 && std::isnan(result.firstScreen)) {
                runEvents(1);
                if (screenKnown()) {
                    strip->viewport()->repaint();
                    result.firstScreen = clock.nsecsElapsed() / 1e6;
                }
            }
            // A photo chosen in the list (far from the last, so not decoded
            // ahead) until it shows sharp: while the tiles are made, and after.
            const auto step = [&](int photo) {
                const QString name = QStringLiteral("IMG_%1.JPG").arg(photo, 5, 10, QLatin1Char('0'));
                QElapsedTimer stepping;
                stepping.start();
                host.chooseFile(name);
                while ((QFileInfo(viewer->imageView()->path()).fileName() != name || viewer->imageView()->isPreview()
                        || viewer->imageView()->isWaiting())
                       && stepping.elapsed() < 10000)
                    runEvents(1);
                return stepping.nsecsElapsed() / 1e6;
            };
            for (int i = 0; steps && i < Rounds; ++i) {
                result.stepsWhileMaking.push_back(step(500 + 37 * i));
                pause(700);
            }
            while (untilAll && arrived < tiles && clock.elapsed() < 3000000)
                runEvents(5);
            if (arrived >= tiles)
                result.all = clock.nsecsElapsed() / 1e9;
            result.memoryMiB = statusField(getpid(), "VmRSS:") / 1024.0 - rssBefore;
            for (int i = 0; untilAll && i < Rounds; ++i) {
                result.stepsAfter.push_back(step(100 + 37 * i));
                pause(700);
            }
            ping.stop();
            return result;
        };
        const Pass cold = pass(true);
        QTemporaryDir stepsCache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(stepsCache.path()));
        const Pass stepping = pass(false, true);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        std::vector<double> cached;
        qint64 cachedWait = 0;
        for (int i = 0; i < 3; ++i) {
            const Pass warm = pass(false);
            cached.push_back(warm.firstScreen);
            cachedWait = std::max(cachedWait, warm.longestWait);
        }
        const int entries = int(QDir(cache.filePath(QStringLiteral("thumbnails/large"))).entryList(QDir::Files).size());
        QDir::setCurrent(before);
        qputenv("XDG_CACHE_HOME", oldCache);
        add(QStringLiteral("strip on %1 uncached 12 MP JPEGs: the first screen of tiles").arg(many),
            shown(figures({cold.firstScreen})), QStringLiteral("gThumb, 20,000 files: 2.4 s"), cold.firstScreen / 500.0,
            QStringLiteral("≤ 0.5 s"));
        add(QStringLiteral("strip on %1 uncached 12 MP JPEGs: every tile, written to the cache").arg(many),
            QStringLiteral("%1 s (%2 entries written)").arg(cold.all, 0, 'f', 1).arg(entries),
            QStringLiteral("xviewer, 7,500: 580 s"), cold.all / 25.0, QStringLiteral("≤ 25 s"));
        add(QStringLiteral("strip on %1 uncached 12 MP JPEGs: longest the window waits").arg(many),
            QStringLiteral("%1 ms (cached: %2 ms)").arg(cold.longestWait).arg(cachedWait), QString(),
            double(cold.longestWait) / 50.0, QStringLiteral("≤ 50 ms"));
        add(QStringLiteral("strip on %1 uncached 12 MP JPEGs: a photo chosen while the tiles are made, sharp").arg(many),
            shown(figures(stepping.stepsWhileMaking)), QStringLiteral("after: %1").arg(shown(figures(cold.stepsAfter))),
            figures(stepping.stepsWhileMaking).median / figures(cold.stepsAfter).median, QStringLiteral("≤ 1.05×"));
        const Figures c = figures(cached);
        add(QStringLiteral("strip on %1 cached JPEGs: the first screen of tiles").arg(many), shown(c), QString(),
            c.median / 100.0, QStringLiteral("≤ 100 ms"));
        add(QStringLiteral("strip on %1 JPEGs: the window's memory after every tile").arg(many),
            QStringLiteral("+%1 MiB").arg(cold.memoryMiB, 0, 'f', 1), QString(), cold.memoryMiB / 60.0,
            QStringLiteral("≤ +60 MiB"));
    }

    // The other viewers on the same folder of uncached photos, each with a
    // cache of its own: how soon the entries of a first screen (12) and of
    // every photo are written, counted on the disk every 50 ms. What a
    // viewer writes is its business: gThumb and Geeqie the shared cache's
    // normal size (128), qimgv a cache of its own.
    if (wanted("thumbpeers") && qEnvironmentVariable("ZELVO_BENCH_PEERS") != QLatin1String("0")) {
        const int tiles = benchTiles();
        const QString folder = QDir(inputs::manyPhotos(data, photos, tiles)).absolutePath();
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME"),
                         oldHome = qgetenv("HOME");
        for (const Peer &peer : installedPeers()) {
            if (peer.name == QLatin1String("feh"))
                continue; // no thumbnails of a folder
            QTemporaryDir home;
            for (const char *name : {"cache", "config"})
                QDir(home.path()).mkpath(QString::fromLatin1(name));
            qputenv("HOME", QFile::encodeName(home.path()));
            qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
            const auto written = [&home] {
                int count = 0;
                QDirIterator files(home.filePath(QStringLiteral("cache")), QDir::Files, QDirIterator::Subdirectories);
                while (files.hasNext()) {
                    files.next();
                    ++count;
                }
                return count;
            };
            double firstScreen = NAN, all = NAN;
            int last = 0;
            {
                PeerProcess process(peer, folder);
                QElapsedTimer idle;
                idle.start();
                while (millisecondsSince(process.started()) < 600000 && idle.elapsed() < 20000) {
                    const int now = written();
                    if (now != last)
                        idle.restart();
                    last = now;
                    if (std::isnan(firstScreen) && now >= 12)
                        firstScreen = millisecondsSince(process.started());
                    if (now >= tiles) {
                        all = millisecondsSince(process.started()) / 1000.0;
                        break;
                    }
                    QThread::msleep(50);
                }
            }
            add(QStringLiteral("%1 on %2 uncached 12 MP JPEGs: 12 entries written").arg(peer.name).arg(tiles),
                std::isnan(firstScreen) ? QStringLiteral("fewer written") : QStringLiteral("%1 ms").arg(firstScreen, 0, 'f', 0),
                QString(), NAN, QString());
            add(QStringLiteral("%1 on %2 uncached 12 MP JPEGs: every entry written").arg(peer.name).arg(tiles),
                std::isnan(all) ? QStringLiteral("%1 written, then none for 20 s").arg(last)
                                : QStringLiteral("%1 s").arg(all, 0, 'f', 1),
                QString(), NAN, QString());
        }
        qputenv("HOME", oldHome);
        qputenv("XDG_CACHE_HOME", oldCache);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    // A big folder shown while files keep arriving (a camera import): how
    // long the window's thread is away from its events at the worst.
    if (wanted("watch")) {
        qthost::QtHost host;
        Form1 form(host);
        host.attach(Form1::design(), &form);
        host.show();
        const QString folder = inputs::manyFiles(data, 100000);
        (void)host.dir1().setPath(folder);
        host.window()->repaint();
        pause(1000);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer ping;
        ping.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ping, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        int arrived = 0;
        QTimer writer;
        QObject::connect(&writer, &QTimer::timeout, [&] {
            QFile file(QStringLiteral("%1/arrived_%2.JPG").arg(folder).arg(arrived++));
            file.open(QIODevice::WriteOnly);
        });
        ping.start(5);
        writer.start(400);
        pause(8000);
        writer.stop();
        ping.stop();
        const qsizetype listed = host.window()->findChild<QAbstractItemView *>(QStringLiteral("File1"))->model()->rowCount();
        for (int i = 0; i < arrived; ++i)
            QFile::remove(QStringLiteral("%1/arrived_%2.JPG").arg(folder).arg(i));
        add(QStringLiteral("100,000 files, one new every 0.4 s: longest the window waits"),
            QStringLiteral("%1 ms (%2 arrived, %3 listed)").arg(longest).arg(arrived).arg(listed),
            QStringLiteral("1.6 s before"), NAN, QStringLiteral("< 100 ms"));
    }

    // A photo of a gigabyte moved to another file system (a memory card's
    // tmpfs stand-in, /dev/shm, to the disk): how long the window waits at
    // the worst while it goes, and how long the move takes.
    if (wanted("move")) {
        struct Window final : qthost::FileActions::Window
        {
            QString chosen, folder;
            QString chosenFile() const override { return chosen; }
            QString shownFolder() const override { return QFileInfo(chosen).path(); }
            QStringList recentFolders() const override { return {folder}; }
            QWidget *popupParent() const override { return nullptr; }
            QPoint keyboardPopupPosition() const override { return {100, 100}; }
        };
        struct Asker final : qthost::Asker
        {
            bool confirmDelete(const QString &) override { return false; }
            std::optional<QString> newName(const QString &) override { return std::nullopt; }
            std::optional<QString> folder(const QString &, const QString &) override { return std::nullopt; }
            void warn(const QString &text) override { std::fprintf(stderr, "move: %s\n", qUtf8Printable(text)); }
            PairPart pairPartToTrash(const QString &) override { return PairPart::Cancel; }
        };
        QTemporaryDir card(QStringLiteral("/dev/shm/zelvo-bench-XXXXXX"));
        const QString target = data + QStringLiteral("/moved");
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        std::vector<double> longest, took;
        for (int round = 0; round < 3; ++round) {
            Window window;
            window.chosen = card.filePath(QStringLiteral("big.jpg"));
            window.folder = target;
            {
                QFile big(window.chosen);
                big.open(QIODevice::WriteOnly);
                const QByteArray block(1 << 20, char(round));
                for (int i = 0; i < 1024; ++i)
                    big.write(block);
            }
            Asker asker;
            qthost::FileActions actions(window, asker, nullptr, data + QStringLiteral("/trash-data"));
            QElapsedTimer clock;
            qint64 last = 0, worst = 0;
            QTimer ping;
            ping.setTimerType(Qt::PreciseTimer);
            QObject::connect(&ping, &QTimer::timeout, [&] {
                worst = std::max(worst, clock.elapsed() - last);
                last = clock.elapsed();
            });
            // The folder's popup is answered as a user would, with its item.
            QTimer::singleShot(0, [&] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    for (QAction *action : menu->actions()) {
                        if (action->data().toString() == target)
                            menu->setActiveAction(action);
                    }
                    QTest::keyClick(menu, Qt::Key_Return);
                }
            });
            clock.start();
            ping.start(5);
            actions.move({100, 100}, true);
            while (actions.transferring())
                runEvents(5);
            took.push_back(clock.elapsed());
            ping.stop();
            longest.push_back(double(worst));
            QFile::remove(target + QStringLiteral("/big.jpg"));
        }
        const Figures l = figures(longest), t = figures(took);
        add(QStringLiteral("1 GB moved to another file system: longest the window waits"), shown(l),
            QStringLiteral("the move takes %1").arg(shown(t)), NAN, QStringLiteral("< 50 ms"));
    }

    // The photo's details: the panel's content after a step to a photo
    // decoded ahead, and to one that is not (a JPEG, an iPhone's HEIC); then
    // the dates 1,000 photos were taken, read for sorting by fresh helpers.
    if (wanted("details")) {
        qthost::ViewerWidget viewer(nullptr);
        viewer.resize(1200, 800);
        viewer.show();
        viewer.queue().warmUp();
        while (viewer.queue().readyHelpers() < viewer.queue().workers())
            pause(20);
        const QStringList heics = inputs::heicPhotos(data + QStringLiteral("/heic"), photos);
        const auto panelAfter = [&viewer](const QString &path) {
            QElapsedTimer clock;
            clock.start();
            viewer.navigate(path);
            while (viewer.imageView()->detailsPanel()->details().path != path && clock.elapsed() < 10000)
                runEvents(1);
            return double(clock.nsecsElapsed()) / 1e6;
        };
        viewer.toggleDetails();
        std::vector<double> ahead, jpeg, heic;
        QString next;
        // Decoded ahead as when stepping: the shown photo's neighbour.
        viewer.neighbours = [&next](const QString &) { return QStringList{next}; };
        for (int i = 1; i <= Rounds && i < photos.size(); ++i) {
            next = QFileInfo(photos[i]).absoluteFilePath();
            viewer.forgetPictures();
            (void)panelAfter(QFileInfo(photos[i - 1]).absoluteFilePath());
            QElapsedTimer waited;
            waited.start();
            while (!viewer.hasPicture(next) && waited.elapsed() < 10000)
                pause(5);
            pause(100);
            ahead.push_back(viewer.hasPicture(next) ? panelAfter(next) : NAN);
        }
        viewer.neighbours = nullptr;
        for (int i = 0; i < Rounds && i < photos.size(); ++i) {
            viewer.forgetPictures();
            jpeg.push_back(panelAfter(QFileInfo(photos[photos.size() - 1 - i]).absoluteFilePath()));
            pause(200);
        }
        // Each step after the one before has been decoded, as a user looks
        // at a photo before the next.
        const auto settled = [&viewer] {
            while (viewer.queue().pending() > 0)
                pause(5);
        };
        for (int i = 0; i < Rounds && i < heics.size(); ++i) {
            settled();
            viewer.forgetPictures();
            heic.push_back(panelAfter(QFileInfo(heics[i]).absoluteFilePath()));
        }
        // Camera RAW files whose preview is what shows (their details read
        // from the TIFF-shaped file with it).
        std::vector<double> dng;
        for (int i = 0; i < Rounds && i + 3 < photos.size(); ++i) {
            const QString raw = inputs::dngWithPreview(data + QStringLiteral("/details-dng/%1").arg(i), photos[i + 3],
                                                       QStringLiteral(ZELVO_MAKE_DNG));
            settled();
            viewer.forgetPictures();
            dng.push_back(panelAfter(QFileInfo(raw).absoluteFilePath()));
        }
        add(QStringLiteral("details on screen after a step, photo decoded ahead"), shown(figures(ahead)), QString(), NAN,
            QStringLiteral("≤ 16 ms"));
        add(QStringLiteral("details on screen after a step, DNG not decoded ahead"), shown(figures(dng)), QString(), NAN,
            QStringLiteral("≤ 60 ms"));
        add(QStringLiteral("details on screen after a step, JPEG not decoded ahead"), shown(figures(jpeg)), QString(),
            NAN, QStringLiteral("≤ 30 ms"));
        if (!heic.empty())
            add(QStringLiteral("details on screen after a step, HEIC not decoded ahead"), shown(figures(heic)),
                QString(), NAN, QStringLiteral("≤ 30 ms"));

        // 1,000 photos, each its own file (a copy, so no two share an identity).
        const QString folder = data + QStringLiteral("/dates");
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QStringList dated;
        for (int i = 0; i < 1000; ++i) {
            const QString copy = QStringLiteral("%1/IMG_%2.JPG").arg(folder).arg(i, 4, 10, QLatin1Char('0'));
            QFile::copy(photos[i % photos.size()], copy);
            dated.append(copy);
        }
        std::vector<double> took;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer clock;
            clock.start();
            picture::DecodeQueue queue; // helpers started by the first question
            picture::PhotoFacts dates(queue);
            bool arrived = false;
            QObject::connect(&dates, &picture::PhotoFacts::arrived, [&arrived] { arrived = true; });
            for (const QString &photo : dated)
                (void)dates.taken(photo);
            while (!arrived && clock.elapsed() < 60000)
                runEvents(5);
            took.push_back(arrived ? double(clock.elapsed()) : NAN);
        }
        QDir(folder).removeRecursively();
        add(QStringLiteral("1,000 photos' dates taken, from helpers not yet started"), shown(figures(took)),
            QStringLiteral("%1 helpers").arg(picture::DecodeQueue().workers()), NAN, QStringLiteral("≤ 1 s"));
    }

    // Marks and turns in the window: shown at once, written after.
    if (wanted("marks")) {
        QTemporaryDir scratch(data + QStringLiteral("/marks-XXXXXX"));
        const QString folder = scratch.filePath(QStringLiteral("photos"));
        QDir().mkpath(folder);
        // A camera's 12 MP JPEGs for the marks; a phone's (4032 x 3024,
        // whole blocks) for the turns, which then turn block for block.
        QStringList marked, turned;
        const QImage camera(photos[0]);
        const QImage phone = camera.scaled(4032, 3024);
        for (int i = 0; i < Rounds; ++i) {
            marked.append(QStringLiteral("%1/a%2.jpg").arg(folder).arg(i));
            QFile::copy(photos[i], marked.last());
            turned.append(QStringLiteral("%1/b%2.jpg").arg(folder).arg(i));
            phone.save(turned.last(), "JPEG", 90);
        }
        const QString before = QDir::currentPath();
        QDir::setCurrent(folder);
        qthost::QtHost host;
        Form1 form(host);
        host.attach(Form1::design(), &form);
        host.show();
        host.window()->resize(1400, 900);
        auto *viewer = host.window()->findChild<qthost::ViewerWidget *>();
        auto *list = host.window()->findChild<qthost::FileListWidget *>(QStringLiteral("File1"));
        viewer->queue().warmUp();
        while (viewer->queue().readyHelpers() < viewer->queue().workers())
            pause(20);
        bool told = false;
        QObject::connect(host.fileActions(), &qthost::FileActions::told, [&told] { told = true; });
        const auto shownSharp = [viewer](const QString &path) {
            QElapsedTimer waited;
            waited.start();
            while ((viewer->imageView()->path() != path || viewer->imageView()->isPreview()) && waited.elapsed() < 10000)
                runEvents(5);
        };
        // Each action: the time its key takes to come back with the window
        // showing it (the frame it is painted in follows), then to the disk.
        const auto measure = [&](const QString &path, const char *action, const std::function<bool()> &shownOnScreen,
                                 std::vector<double> &screen, std::vector<double> &disk) {
            host.chooseFile(QFileInfo(path).fileName());
            shownSharp(path);
            pause(300);
            told = false;
            QElapsedTimer clock;
            clock.start();
            host.window()->findChild<QAction *>(QLatin1String(action))->trigger();
            screen.push_back(shownOnScreen() ? double(clock.nsecsElapsed()) / 1e6 : NAN);
            while (!told && clock.elapsed() < 10000)
                runEvents(1);
            disk.push_back(told ? double(clock.nsecsElapsed()) / 1e6 : NAN);
        };
        std::vector<double> markScreen, markDisk, turnScreen, turnDisk;
        for (int i = 0; i < Rounds; ++i) {
            const int row = int(list->names().indexOf(QFileInfo(marked[i]).fileName()));
            measure(marked[i], "MarkStars3", [&] {
                return list->model()->index(row, 0).data(qthost::FileNamesModel::MarksRole).value<marks::Marks>().rating == 3
                       && viewer->imageView()->shownMarks().rating == 3;
            }, markScreen, markDisk);
            QSize size;
            measure(turned[i], "TurnRight", [&] {
                size = viewer->imageView()->decodedSize();
                return size.width() < size.height();
            }, turnScreen, turnDisk);
        }
        add(QStringLiteral("a star on a shown 12 MP JPEG: on the screen (the list, the picture)"),
            shown(figures(markScreen)), QStringLiteral("one frame 16 ms"), figures(markScreen).median / 16.0,
            QStringLiteral("the same frame"));
        add(QStringLiteral("a star on a shown 12 MP JPEG: written, checked and in place on the disk"),
            shown(figures(markDisk)), QString(), NAN, QStringLiteral("≤ 100 ms"));
        add(QStringLiteral("a turn of a shown 12 MP JPEG: on the screen"), shown(figures(turnScreen)),
            QStringLiteral("one frame 16 ms"), figures(turnScreen).median / 16.0, QStringLiteral("≤ 16 ms"));
        add(QStringLiteral("a turn of a shown 12 MP JPEG (whole blocks): written without loss, checked, on the disk"),
            shown(figures(turnDisk)), QString(), NAN, QStringLiteral("≤ 300 ms"));

        // 1,000 photos of 0 to 4 stars, their marks read: the list keeps to ★3以上.
        const QString many = scratch.filePath(QStringLiteral("many"));
        QDir().mkpath(many);
        const QImage little = camera.scaled(640, 480);
        picture::DecodeQueue queue;
        qthost::MarkWriter writer(queue);
        for (int stars = 0; stars <= 4; ++stars) {
            const QString base = QStringLiteral("%1/base%2.jpg").arg(scratch.path()).arg(stars);
            little.save(base, "JPEG", 85);
            bool done = false;
            const QMetaObject::Connection written =
                QObject::connect(&writer, &qthost::MarkWriter::written, [&done] { done = true; });
            const QMetaObject::Connection refused =
                QObject::connect(&writer, &qthost::MarkWriter::refused, [&done] { done = true; });
            writer.write({{base}, picture::MarkEdit{stars, std::nullopt, 0}, std::nullopt});
            while (!done)
                runEvents(5);
            QObject::disconnect(written);
            QObject::disconnect(refused);
            for (int i = stars; i < 1000; i += 5)
                QFile::copy(base, QStringLiteral("%1/IMG_%2.jpg").arg(many).arg(i, 4, 10, QLatin1Char('0')));
        }
        (void)host.dir1().setPath(QDir::toNativeSeparators(many));
        std::vector<double> filtered;
        // Every photo's marks read (the filter asks for them): 600 have two stars or more.
        folders::MarkFilter all;
        all.hideRejected = true;
        folders::MarkFilter two;
        two.atLeast = 2;
        list->setMarkFilter(two);
        QElapsedTimer reading;
        reading.start();
        while (list->names().size() != 600 && reading.elapsed() < 60000)
            runEvents(5);
        folders::MarkFilter three;
        three.atLeast = 3;
        for (int i = 0; i < Rounds; ++i) {
            list->setMarkFilter(all);
            QElapsedTimer clock;
            clock.start();
            list->setMarkFilter(three);
            filtered.push_back(list->names().size() == 400 ? double(clock.nsecsElapsed()) / 1e6 : NAN);
        }
        add(QStringLiteral("★3以上 on 1,000 photos whose marks are read"), shown(figures(filtered)), QString(), NAN,
            QStringLiteral("≤ 50 ms"));
        QDir::setCurrent(before);
    }

    std::printf("\n| Measure | Zelvo Viewer | Limit or reference | Ratio | Goal |\n|---|---|---|---|---|\n");
    for (const Row &row : table)
        std::printf("| %s | %s | %s | %s | %s |\n", qUtf8Printable(row.measure), qUtf8Printable(row.ours),
                    qUtf8Printable(row.reference), qUtf8Printable(row.ratio), qUtf8Printable(row.goal));
    return 0;
}
