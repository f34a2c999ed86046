#include "host/qt/marks/markwriter.h"

#include "common/texts.h"
#include "host/qt/actions/failuretext.h"
#include "platform/paths.h"
#include "platform/sidecars.h"

#include <QFile>
#include <QTransform>

namespace qthost {
namespace {

using picture::DecodedPicture;
using picture::DecodeQueue;
using picture::DecodeRequest;

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

// Whether `after` is `expected`, pixel for pixel.
bool samePixels(QImage expected, const QImage &after)
{
    if (expected.size() != after.size() || expected.isNull())
        return false;
    if (expected.format() != after.format())
        expected = expected.convertToFormat(after.format());
    return expected == after;
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
}

void MarkWriter::edited(const DecodedPicture &reply)
{
    Current &current = *m_current;
    Photo &photo = current.photo;
    if (reply.status != DecodedPicture::Status::Rewritten)
        return fail(texts::WhyCannotWriteMarks);
    photo.sidecar = reply.rewroteSidecar;
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
            ask(DecodeRequest::fitted(photo.path, QSize(SidecarCheckSide, SidecarCheckSide)), &Photo::before);
    } else {
        // A helper decodes the new file and the photo as it was side by side
        // and compares them (for a turn, with the photo turned), which spares
        // two whole pictures crossing to the window.
        ask(DecodeRequest::comparisonOf(photo.path, photo.staged->temporary, current.order.edit.quarterTurns),
            &Photo::after);
    }
    checked();
}

void MarkWriter::checked()
{
    Current &current = *m_current;
    Photo &photo = current.photo;
    const picture::MarkEdit &edit = current.order.edit;
    const bool sidecarTurn = photo.sidecar && edit.quarterTurns % 4 != 0;
    if (!photo.staged || !photo.after || (sidecarTurn && !photo.before))
        return; // more to come
    cancelTickets(); // any not needed after all
    const DecodedPicture &after = *photo.after;
    // The marks read back as they were written.
    if ((edit.rating && after.details.marks.rating != *edit.rating)
        || (edit.label && after.details.marks.label != *edit.label))
        return fail(texts::WhyCheckFailed);
    if (!photo.sidecar) {
        // The helper's comparison: the new file shows the photo as it was, turned as asked.
        if (!after.samePixels)
            return fail(texts::WhyCheckFailed);
    } else if (sidecarTurn) {
        // The photo as it shows through its old sidecar and through the new
        // (an animation by its first frame).
        const auto decoded = [](const DecodedPicture &picture) {
            return picture.status == DecodedPicture::Status::Decoded
                   || picture.status == DecodedPicture::Status::Animated;
        };
        if (!decoded(*photo.before))
            return fail(texts::WhyCannotCheck);
        if (!decoded(after) || !samePixels(turned(photo.before->image, edit.quarterTurns), after.image))
            return fail(texts::WhyCheckFailed);
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
