#pragma once

#include "fileops/rewrite.h"
#include "picture/window/decodequeue.h"
#include "platform/platform.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <deque>
#include <optional>

namespace qthost {

// Writes marks and turns into photos, one order at a time, so that nothing
// is ever lost: a helper writes the edit into the photo's bytes (or its
// sidecar's) and hands them back; they go beside the file under a hidden
// name (fileops::stageReplacement), are decoded again and compared with
// the photo as it was (pixel for pixel for marks; the turn and nothing else
// for a turn) and read back, and only then take the file's place, while the
// file is still the one that was shown. Any failure leaves every file of
// the order as it was.
class MarkWriter final : public QObject
{
    Q_OBJECT
public:
    struct Order
    {
        QStringList photos; // the photo, then the other half of its pair
        picture::MarkEdit edit;
        // The photo as it was on the screen: written only while it is still
        // that file. Nullopt: as it is when its turn comes.
        std::optional<platform::FileStamp> shown;
    };

    explicit MarkWriter(picture::DecodeQueue &queue, QObject *parent = nullptr);
    ~MarkWriter() override;

    // Written after the orders before it.
    void write(const Order &order);
    bool isWriting() const { return m_current.has_value(); }

    // The size the check of a sidecar's turn decodes the photo at.
    static constexpr int SidecarCheckSide = 512;

signals:
    // Every photo of the order written: what undoes it, and the marks each
    // photo says it has now, in the order's order.
    void written(const qthost::MarkWriter::Order &order, const QList<fileops::Rewrite> &rewrites,
                 const QList<marks::Marks> &marksNow);
    // Nothing of the order written (what was, put back); why, for `photo`.
    void refused(const qthost::MarkWriter::Order &order, const QString &photo, const QString &why);

private:
    // One photo of the order on its way.
    struct Photo
    {
        QString path;
        std::optional<fileops::FileIdentity> identity; // as the order began with it
        QString target;                                // the file or sidecar rewritten
        std::optional<QByteArray> oldBytes;            // nullopt: a sidecar made
        QByteArray newBytes;
        bool sidecar = false;
        std::optional<fileops::Staged> staged;
        std::optional<picture::DecodedPicture> before;  // a sidecar's turn: the photo as it was
        std::optional<picture::DecodedPicture> after;   // as it would be, or the helper's comparison
        std::vector<picture::DecodeQueue::Ticket> tickets;
    };
    struct Current
    {
        Order order;
        int index = 0;
        Photo photo;
        QList<fileops::Rewrite> rewrites;
        QList<marks::Marks> marksNow;
    };

    void next();
    void startPhoto();
    void edited(const picture::DecodedPicture &reply);
    void checked();
    void commit();
    void fail(const QString &why);
    void cancelTickets();
    picture::DecodeQueue::Ticket ask(const picture::DecodeRequest &request,
                                     std::optional<picture::DecodedPicture> Photo::*into);

    picture::DecodeQueue &m_queue;
    std::deque<Order> m_orders;
    std::optional<Current> m_current;
};

} // namespace qthost

Q_DECLARE_METATYPE(qthost::MarkWriter::Order)
