#include "host/qt/marks/markwriter.h"

#include "common/texts.h"
#include "host/qt/actions/failuretext.h"
#include "picture/wire/orientation.h"
#include "platform/paths.h"
#include "platform/sidecars.h"

#include <QFile>
#include <QTransform>

#include <algorithm>
#include <cstdlib>

namespace qthost {
namespace {

using picture::DecodedPicture;
using picture::DecodeQueue;
using picture::DecodeRequest;

// Formats whose marks a helper writes into the file itself: their pictures
// are decoded for the check while the helper writes.
bool marksInTheFile(const QString &path)
{
    const QString name = platform::nameOf(path).toLower();
    for (const char *extension : {".jpg", ".jpeg", ".png", ".webp", ".tif", ".tiff"}) {
        if (name.endsWith(QLatin1String(extension)))
            return true;
    }
    return false;
}

std::optional<fileops::FileIdentity> identityOf(const std::optional<platform::FileStamp> &stamp)
{
    if (!stamp || !stamp->regular)
        return std::nullopt;
    return fileops::FileIdentity{stamp->device, stamp->inode, stamp->size, stamp->modifiedNs};
}

std::optional<QByteArray> readWhole(const QString &path)
{
    QFile file;
    if (!platform::openForReading(file, path))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? std::optional(bytes) : std::nullopt;
}

// Why the edit could not be written, in the user's words.
QString whyNotWritten(const fileops::Outcome &outcome)
{
    switch (outcome.failure) {
    case fileops::Failure::DiskFull: return texts::WhyNoRoomToWrite;
    case fileops::Failure::NotTheSameFile: return texts::WhyChangedSinceShown;
    default: return failureText(outcome);
    }
}

QImage turned(const QImage &image, int quarterTurns)
{
    return quarterTurns % 4 == 0 ? image : image.transformed(QTransform().rotate(90.0 * quarterTurns));
}

// Whether `after` is `expected`: exactly, or within `tolerance` levels in
// every channel of every pixel.
bool samePixels(QImage expected, QImage after, int tolerance)
{
    if (expected.size() != after.size() || expected.isNull())
        return false;
    if (expected.format() != after.format())
        expected = expected.convertToFormat(after.format());
    if (tolerance == 0)
        return expected == after;
    const qsizetype line = qsizetype(expected.width()) * expected.depth() / 8;
    if (expected.depth() % 8 != 0 || expected.bytesPerLine() < line)
        return false;
    for (int y = 0; y < expected.height(); ++y) {
        const uchar *p = expected.constScanLine(y);
        const uchar *q = after.constScanLine(y);
        int worst = 0;
        for (qsizetype i = 0; i < line; ++i)
            worst = std::max(worst, std::abs(int(p[i]) - int(q[i])));
        if (worst > tolerance)
            return false;
    }
    return true;
}

} // namespace

MarkWriter::MarkWriter(DecodeQueue &queue, QObject *parent) : QObject(parent), m_queue(queue)
{
    qRegisterMetaType<Order>();
}

MarkWriter::~MarkWriter()
{
    if (m_current) {
        cancelTickets();
        if (m_current->photo.staged)
            fileops::abandonStaged(*m_current->photo.staged);
    }
}

void MarkWriter::write(const Order &order)
{
    m_orders.push_back(order);
    if (!m_current)
        next();
}

void MarkWriter::next()
{
    if (m_current || m_orders.empty())
        return;
    m_current.emplace();
    m_current->order = std::move(m_orders.front());
    m_orders.pop_front();
    startPhoto();
}

DecodeQueue::Ticket MarkWriter::ask(const DecodeRequest &request, std::optional<DecodedPicture> Photo::*into)
{
    const DecodeQueue::Ticket ticket =
        m_queue.decode(request, DecodeQueue::Priority::Shown, this, [this, into](const DecodedPicture &picture) {
            m_current->photo.*into = picture;
            checked();
        });
    m_current->photo.tickets.push_back(ticket);
    return ticket;
}

void MarkWriter::startPhoto()
{
    Current &current = *m_current;
    current.photo = Photo{};
    Photo &photo = current.photo;
    photo.path = current.order.photos.at(current.index);
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(photo.path);
    photo.identity = identityOf(stamp);
    if (!photo.identity)
        return fail(stamp ? texts::WhyNotAFile : texts::WhyVanished);
    if (current.index == 0 && current.order.shown) {
        const platform::FileStamp &shown = *current.order.shown;
        if (shown.device != stamp->device || shown.inode != stamp->inode || shown.size != stamp->size
            || shown.modifiedNs != stamp->modifiedNs)
            return fail(texts::WhyChangedSinceShown);
    }
    photo.tickets.push_back(m_queue.decode(DecodeRequest::editOf(photo.path, current.order.edit),
                                           DecodeQueue::Priority::Shown, this,
                                           [this](const DecodedPicture &reply) { edited(reply); }));
    // A turn's check needs the whole picture as it is, decoded while the helper writes.
    if (marksInTheFile(photo.path) && current.order.edit.quarterTurns % 4 != 0)
        askBefore(QSize());
}

void MarkWriter::askBefore(QSize bounds)
{
    Photo &photo = m_current->photo;
    if (photo.beforeTicket) {
        if (photo.beforeBounds == bounds)
            return;
        // Asked for at another size than the check needs (a file whose
        // name said otherwise than its content).
        m_queue.cancel(*photo.beforeTicket);
        photo.before.reset();
    }
    photo.beforeBounds = bounds;
    // The file itself as stored, to compare with the new file; a photo whose
    // sidecar changes, as it shows.
    photo.beforeTicket = ask(bounds.isEmpty() ? DecodeRequest::storedOf(photo.path) : DecodeRequest::fitted(photo.path, bounds),
                             &Photo::before);
}

void MarkWriter::edited(const DecodedPicture &reply)
{
    Current &current = *m_current;
    Photo &photo = current.photo;
    if (reply.status != DecodedPicture::Status::Rewritten)
        return fail(texts::WhyCannotWriteMarks);
    photo.sidecar = reply.rewroteSidecar;
    photo.pixelsTurned = reply.pixelsTurned;
    photo.newBytes = reply.rewritten;
    const bool turn = current.order.edit.quarterTurns % 4 != 0;
    fileops::Staging staging;
    if (photo.sidecar) {
        const platform::Sidecar sidecar = platform::sidecarOf(photo.path);
        photo.target = sidecar.path;
        if (sidecar.exists) {
            photo.oldBytes = readWhole(sidecar.path);
            if (!photo.oldBytes)
                return fail(texts::WhyIoError);
            staging = fileops::stageReplacement(sidecar.path, photo.newBytes, fileops::KeepTimes::Now);
        } else {
            staging = fileops::stageNewFile(sidecar.path, photo.newBytes);
        }
    } else {
        photo.target = photo.path;
        photo.oldBytes = readWhole(photo.path);
        if (!photo.oldBytes)
            return fail(texts::WhyIoError);
        // Marks leave the picture as it was, and its times; a turn is a new picture.
        staging = fileops::stageReplacement(photo.path, photo.newBytes,
                                            turn ? fileops::KeepTimes::Now : fileops::KeepTimes::Old);
    }
    if (!staging.staged)
        return fail(whyNotWritten(staging.outcome));
    photo.staged = staging.staged;
    if (photo.sidecar) {
        // The photo is not touched: its marks and its turn are read back
        // through the new sidecar.
        DecodeRequest after = turn ? DecodeRequest::shown(photo.path, QSize(SidecarCheckSide, SidecarCheckSide))
                                   : DecodeRequest::detailsOf(photo.path);
        after.sidecar = photo.staged->temporary;
        ask(after, &Photo::after);
        if (turn)
            askBefore(QSize(SidecarCheckSide, SidecarCheckSide));
    } else if (turn) {
        // The whole picture of the new file as stored, and what it says of itself.
        ask(DecodeRequest::storedOf(photo.staged->temporary), &Photo::after);
        askBefore(QSize());
    } else {
        // Marks leave the picture as it was: a helper decodes both files side
        // by side and compares them, which spares two whole pictures crossing
        // to the window.
        ask(DecodeRequest::comparisonOf(photo.path, photo.staged->temporary), &Photo::after);
    }
    checked();
}

void MarkWriter::checked()
{
    Current &current = *m_current;
    Photo &photo = current.photo;
    const picture::MarkEdit &edit = current.order.edit;
    const bool turn = edit.quarterTurns % 4 != 0;
    const bool needsBefore = turn;
    if (!photo.staged || !photo.after || (needsBefore && !photo.before))
        return; // more to come
    cancelTickets(); // any not needed after all
    const DecodedPicture &after = *photo.after;
    const bool detailsOnly = !turn;
    // Marks in the file: the helper's comparison said the picture is as it was.
    if (!turn && !photo.sidecar && !after.samePixels)
        return fail(texts::WhyCheckFailed);
    // An animation is checked by its first frame.
    const auto decoded = [](const DecodedPicture &picture) {
        return picture.status == DecodedPicture::Status::Decoded || picture.status == DecodedPicture::Status::Animated;
    };
    if (!detailsOnly && !decoded(after))
        return fail(texts::WhyCheckFailed);
    // The marks read back as they were written.
    if ((edit.rating && after.details.marks.rating != *edit.rating)
        || (edit.label && after.details.marks.label != *edit.label))
        return fail(texts::WhyCheckFailed);
    if (needsBefore) {
        const DecodedPicture &before = *photo.before;
        if (!decoded(before))
            return fail(texts::WhyCannotCheck);
        if (photo.sidecar) {
            // The photo as it shows through its old sidecar and through the new.
            if (!samePixels(turned(before.image, edit.quarterTurns), after.image, 0))
                return fail(texts::WhyCheckFailed);
        } else {
            // The file as stored: its pixels as they were and its orientation
            // tag turned, or its pixels turned by what the tag said and the
            // tag upright.
            const int was = before.details.orientation == 0 ? 1 : before.details.orientation;
            const int now = after.details.orientation == 0 ? 1 : after.details.orientation;
            const int wanted = picture::composeOrientations(was, picture::turnOrientation(edit.quarterTurns));
            const bool right = photo.pixelsTurned
                                   ? now == 1 && samePixels(picture::upright(before.image, wanted), after.image,
                                                            TurnedBlocksTolerance)
                                   : now == wanted && samePixels(before.image, after.image, 0);
            if (!right)
                return fail(texts::WhyCheckFailed);
        }
    }
    commit();
}

void MarkWriter::commit()
{
    Current &current = *m_current;
    Photo &photo = current.photo;
    if (identityOf(platform::fileStamp(photo.path)) != photo.identity)
        return fail(texts::WhyChangedSinceShown);
    const fileops::Staged staged = *std::exchange(photo.staged, std::nullopt);
    const fileops::Outcome outcome = fileops::commitStaged(staged);
    if (!outcome.ok())
        return fail(whyNotWritten(outcome));
    if (const std::optional<fileops::Rewrite> record = fileops::recordRewrite(staged, photo.oldBytes, photo.newBytes))
        current.rewrites.append(*record);
    // Orders given since for this photo were given for it as it was shown:
    // rewritten by this writer, it is still that photo to them.
    if (const std::optional<platform::FileStamp> now = platform::fileStamp(photo.path)) {
        for (Order &waiting : m_orders) {
            if (waiting.photos.value(0) == photo.path && waiting.shown)
                waiting.shown = now;
        }
    }
    current.marksNow.append(photo.after->details.marks);
    if (++current.index < current.order.photos.size())
        return startPhoto();
    const Current done = std::move(*m_current);
    m_current.reset();
    emit written(done.order, done.rewrites, done.marksNow);
    next();
}

void MarkWriter::cancelTickets()
{
    for (const DecodeQueue::Ticket ticket : m_current->photo.tickets)
        m_queue.cancel(ticket);
    m_current->photo.tickets.clear();
}

void MarkWriter::fail(const QString &why)
{
    cancelTickets();
    Current failed = std::move(*m_current);
    m_current.reset();
    if (failed.photo.staged)
        fileops::abandonStaged(*failed.photo.staged);
    // The order happens whole or not at all: what was written of it goes back.
    for (auto rewrite = failed.rewrites.crbegin(); rewrite != failed.rewrites.crend(); ++rewrite)
        (void)fileops::undoRewrite(*rewrite);
    emit refused(failed.order, failed.photo.path, why);
    next();
}

} // namespace qthost
