// What the window takes from a decoder helper's reply, each row a lie a
// compromised helper could tell: hand-made memfds that are not sealed, can
// shrink, are still writable, hold less than claimed; sizes, strides and
// formats that do not fit. Only an honest reply becomes a picture.

#include "picture/window/replycheck.h"
#include "picture/wire/sealedmemory.h"

#include <QTest>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace picture;

namespace {

// A memfd of `bytes` bytes, each `value`, with `seals` added; `keepMapped`
// leaves a writable mapping of it open (the kernel then refuses the write
// seal, so only the future-write seal can be added).
int memory(qint64 bytes, int seals, bool keepMapped = false, uchar value = 0x7F)
{
    const int fd = ::memfd_create("tst-replies", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0 || ::ftruncate(fd, bytes) != 0)
        return -1;
    if (bytes > 0) {
        void *mapped = ::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapped == MAP_FAILED)
            return -1;
        memset(mapped, value, size_t(bytes));
        if (!keepMapped)
            ::munmap(mapped, size_t(bytes));
    }
    if (seals != 0 && ::fcntl(fd, F_ADD_SEALS, seals) != 0)
        return -1;
    return fd;
}

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

constexpr int AllSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL;

} // namespace

class TestReplies : public QObject
{
    Q_OBJECT
private slots:
    void pictureFrom_data();
    void pictureFrom();
    void cannotDisplayIsBelieved();
    void pictureItIsPartOf_data();
    void pictureItIsPartOf();
    void sealedCopyRoundTrip();
    void detailsTheWindowTakes_data();
    void detailsTheWindowTakes();
    void detailsPastTheTail();
    void rewrittenBytes_data();
    void rewrittenBytes();
};

void TestReplies::pictureFrom_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bytesPerLine");
    QTest::addColumn<qint64>("memoryBytes");
    QTest::addColumn<int>("seals");
    QTest::addColumn<bool>("keepMapped");
    QTest::addColumn<bool>("accepted");
    const int rgb32 = QImage::Format_RGB32;
    QTest::newRow("honest") << rgb32 << 30 << 20 << 120 << qint64(2400) << AllSeals << false << true;
    QTest::newRow("honest, larger memory than needed") << rgb32 << 30 << 20 << 120 << qint64(4096) << AllSeals << false
                                                       << true;
    // RGB888 lines are padded to four bytes: 3 x 5 = 15 becomes 16.
    QTest::newRow("honest, padded lines") << int(QImage::Format_RGB888) << 5 << 4 << 16 << qint64(64) << AllSeals
                                          << false << true;
    QTest::newRow("honest, sixteen-bit grey") << int(QImage::Format_Grayscale16) << 3 << 3 << 8 << qint64(24) << AllSeals
                                              << false << true;
    // The memory itself.
    QTest::newRow("unsealed") << rgb32 << 30 << 20 << 120 << qint64(2400) << 0 << false << false;
    QTest::newRow("shrinkable: a mapping past its end would crash")
        << rgb32 << 30 << 20 << 120 << qint64(2400) << int(F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SEAL) << false << false;
    QTest::newRow("writable: changed after the check")
        << rgb32 << 30 << 20 << 120 << qint64(2400) << int(F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) << false << false;
    QTest::newRow("a writable mapping kept (future writes sealed only)")
        << rgb32 << 30 << 20 << 120 << qint64(2400) << int(F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_FUTURE_WRITE) << true
        << false;
    QTest::newRow("too small for the size claimed") << rgb32 << 30 << 20 << 120 << qint64(2399) << AllSeals << false
                                                    << false;
    // The numbers.
    QTest::newRow("a huge pixel count (30000 x 30000, sparse)")
        << rgb32 << 30000 << 30000 << 120000 << qint64(4096) << AllSeals << false << false;
    QTest::newRow("more pixels than the program shows, memory enough")
        << int(QImage::Format_Grayscale8) << 20000 << 10001 << 20000 << qint64(20000) * 10001 << AllSeals << false
        << false;
    QTest::newRow("negative stride") << rgb32 << 30 << 20 << -120 << qint64(2400) << AllSeals << false << false;
    QTest::newRow("huge stride") << rgb32 << 30 << 20 << 0x40000000 << qint64(2400) << AllSeals << false << false;
    QTest::newRow("stride shorter than a line") << rgb32 << 30 << 20 << 100 << qint64(2400) << AllSeals << false << false;
    QTest::newRow("stride longer than the format's") << rgb32 << 30 << 20 << 124 << qint64(2480) << AllSeals << false
                                                     << false;
    QTest::newRow("negative width") << rgb32 << -30 << 20 << 120 << qint64(2400) << AllSeals << false << false;
    QTest::newRow("no height") << rgb32 << 30 << 0 << 120 << qint64(2400) << AllSeals << false << false;
    // Formats whose pixels mean nothing without a colour table that never crosses.
    QTest::newRow("indexed") << int(QImage::Format_Indexed8) << 32 << 20 << 32 << qint64(640) << AllSeals << false
                             << false;
    QTest::newRow("one bit") << int(QImage::Format_Mono) << 32 << 20 << 4 << qint64(80) << AllSeals << false << false;
    QTest::newRow("one bit, little-endian") << int(QImage::Format_MonoLSB) << 32 << 20 << 4 << qint64(80) << AllSeals
                                            << false << false;
    QTest::newRow("a format Qt does not have") << 9999 << 30 << 20 << 120 << qint64(2400) << AllSeals << false << false;
    QTest::newRow("no format") << int(QImage::Format_Invalid) << 30 << 20 << 120 << qint64(2400) << AllSeals << false
                               << false;
}

void TestReplies::pictureFrom()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bytesPerLine);
    QFETCH(qint64, memoryBytes);
    QFETCH(int, seals);
    QFETCH(bool, keepMapped);
    QFETCH(bool, accepted);
    const int fd = memory(memoryBytes, seals, keepMapped);
    QVERIFY(fd >= 0);
    protocol::Reply reply;
    reply.id = 7;
    reply.status = protocol::Status::Decoded;
    // The picture it is part of is honest: only the pixels' numbers lie.
    reply.fullWidth = reply.regionWidth = 1000;
    reply.fullHeight = reply.regionHeight = 1000;
    reply.width = width;
    reply.height = height;
    reply.bytesPerLine = bytesPerLine;
    reply.format = format;
    const DecodedPicture picture = picture::pictureFrom(reply, {}, fd);
    QVERIFY2(!isOpen(fd), "the descriptor is the check's to close");
    if (!accepted) {
        QCOMPARE(picture.status, DecodedPicture::Status::CannotDisplay);
        QCOMPARE(picture.reason, DecodedPicture::Reason::DecoderFailed);
        QVERIFY(picture.image.isNull());
        return;
    }
    QCOMPARE(picture.status, DecodedPicture::Status::Decoded);
    QCOMPARE(picture.image.size(), QSize(width, height));
    QCOMPARE(int(picture.image.format()), format);
    QCOMPARE(picture.image.constScanLine(height - 1)[0], uchar(0x7F));
}

void TestReplies::pictureItIsPartOf_data()
{
    // The numbers that say what the pixels are part of, which the view
    // zooms and pans by: honest, or refused.
    QTest::addColumn<QSize>("fullSize");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("the whole picture, fitted") << QSize(3000, 2000) << QRect(0, 0, 3000, 2000) << true;
    QTest::newRow("a part of it") << QSize(3000, 2000) << QRect(100, 200, 300, 200) << true;
    QTest::newRow("no size") << QSize(0, 0) << QRect(0, 0, 30, 20) << false;
    QTest::newRow("a negative size") << QSize(-3000, 2000) << QRect(0, 0, 30, 20) << false;
    QTest::newRow("more pixels than the program shows") << QSize(30000, 30000) << QRect(0, 0, 30000, 30000)
                                                         << false;
    QTest::newRow("a part outside it") << QSize(3000, 2000) << QRect(2900, 0, 300, 200) << false;
    QTest::newRow("no part") << QSize(3000, 2000) << QRect() << false;
}

void TestReplies::pictureItIsPartOf()
{
    QFETCH(QSize, fullSize);
    QFETCH(QRect, region);
    QFETCH(bool, accepted);
    protocol::Reply reply;
    reply.status = protocol::Status::Decoded;
    reply.fullWidth = fullSize.width();
    reply.fullHeight = fullSize.height();
    reply.regionX = region.x();
    reply.regionY = region.y();
    reply.regionWidth = region.width();
    reply.regionHeight = region.height();
    reply.width = 30;
    reply.height = 20;
    reply.bytesPerLine = 120;
    reply.format = QImage::Format_RGB32;
    const DecodedPicture picture = picture::pictureFrom(reply, {}, memory(2400, AllSeals));
    QCOMPARE(picture.status, accepted ? DecodedPicture::Status::Decoded : DecodedPicture::Status::CannotDisplay);
}

void TestReplies::cannotDisplayIsBelieved()
{
    // Memory brought along with a refusal is closed, never mapped.
    const int fd = memory(2400, AllSeals);
    protocol::Reply reply;
    reply.status = protocol::Status::CannotDisplay;
    reply.reason = quint8(DecodedPicture::Reason::Damaged);
    reply.width = 30;
    reply.height = 20;
    reply.bytesPerLine = 120;
    reply.format = QImage::Format_RGB32;
    const DecodedPicture picture = picture::pictureFrom(reply, {}, fd);
    QVERIFY(!isOpen(fd));
    QCOMPARE(picture.status, DecodedPicture::Status::CannotDisplay);
    QCOMPARE(picture.reason, DecodedPicture::Reason::Damaged);
    QVERIFY(picture.image.isNull());
    // A reason past the ones there are reads as the last one.
    reply.reason = 200;
    QCOMPARE(picture::pictureFrom(reply, {}, -1).reason, DecodedPicture::Reason::NoDecoder);
}

void TestReplies::sealedCopyRoundTrip()
{
    // What either side hands over is sealed whole and reads back the same.
    const QByteArray bytes = QByteArray("profile") + QByteArray(5000, '\x01');
    const int fd = protocol::sealedCopy(bytes);
    QVERIFY(fd >= 0);
    QVERIFY(protocol::isSealedWithAtLeast(fd, bytes.size()));
    QVERIFY(!protocol::isSealedWithAtLeast(fd, bytes.size() + 1));
    QCOMPARE(protocol::readSealed(fd, bytes.size()), bytes);
    QCOMPARE(protocol::readSealed(fd, bytes.size() - 1), QByteArray());
    ::close(fd);
    const int open = memory(64, 0);
    QCOMPARE(protocol::readSealed(open, 64), QByteArray());
    ::close(open);
}

void TestReplies::detailsTheWindowTakes_data()
{
    // The photo's details as a compromised helper could word them.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected"); // "field=value;..." of what is taken
    QTest::newRow("honest") << QByteArray("taken\t2024-07-14 10:03:22\noffset\t+09:00\nmake\tApple\n"
                                          "latitude\t-33.5\nlongitude\t151.25\nflash\t1\n")
                            << QStringLiteral("taken=2024-07-14 10:03:22;offset=+09:00;make=Apple;place=-33.5,151.25;flash=1");
    QTest::newRow("a date of another shape, an offset that is no offset")
        << QByteArray("taken\t2024-07-14T10:03\noffset\t+9 hours\n") << QStringLiteral("taken=;offset=");
    QTest::newRow("a place off the globe") << QByteArray("latitude\t95\nlongitude\t10\n") << QStringLiteral("place=");
    QTest::newRow("half a place") << QByteArray("latitude\t45\n") << QStringLiteral("place=");
    QTest::newRow("numbers that are none")
        << QByteArray("iso\tnan\nfnumber\tinf\nflash\t-5\nfocal\t1e300\n")
        << QStringLiteral("iso=0;fnumber=0;flash=-1;focal=0");
    QTest::newRow("a terminal's escapes and line breaks in a value")
        << QByteArray("make\t\x1b[31mRed\x1b[0m\rOK\n") << QStringLiteral("make=[31mRed [0m OK");
    QTest::newRow("a value past its bound")
        << (QByteArray("model\t") + QByteArray(5000, 'x') + '\n')
        << QStringLiteral("model=") + QString(MaxDetailValueLength, QLatin1Char('x')) + QChar(0x2026);
    QByteArray many;
    for (int i = 0; i < 5000; ++i)
        many += "tag:Exif.Image.T" + QByteArray::number(i) + "\tv\n";
    QTest::newRow("more tags than are taken") << many << QStringLiteral("tags=%1").arg(MaxDetailTags);
    QTest::newRow("not text at all") << QByteArray("\xff\xfe\0\0\t\t\n\n") << QStringLiteral("tags=0;make=");
}

void TestReplies::detailsTheWindowTakes()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    const PhotoDetails d = decodeDetails(text);
    const QHash<QString, QString> fields{
        {QStringLiteral("taken"), d.taken},
        {QStringLiteral("offset"), d.takenOffset},
        {QStringLiteral("make"), d.make},
        {QStringLiteral("model"), d.model},
        {QStringLiteral("place"), d.latitude ? QStringLiteral("%1,%2").arg(*d.latitude).arg(*d.longitude) : QString()},
        {QStringLiteral("flash"), QString::number(d.flash)},
        {QStringLiteral("iso"), QString::number(d.iso)},
        {QStringLiteral("fnumber"), QString::number(d.fNumber)},
        {QStringLiteral("focal"), QString::number(d.focalLength)},
        {QStringLiteral("tags"), QString::number(d.tags.size())},
    };
    for (const QString &pair : expected.split(QLatin1Char(';'))) {
        const QString field = pair.section(QLatin1Char('='), 0, 0);
        QVERIFY2(fields.contains(field), qPrintable(field));
        QCOMPARE(fields.value(field), pair.section(QLatin1Char('='), 1));
    }
    // What is taken encodes within the bound a reply may carry.
    QVERIFY(encodeDetails(d).size() <= MaxDetailsBytes);
}

void TestReplies::detailsPastTheTail()
{
    // Details claimed past what the reply carries, or larger than they may
    // be, are left out; the picture itself is still taken.
    const QByteArray details("make\tApple\n");
    for (const auto &[claimed, taken] :
         {std::pair{quint32(details.size()), true}, std::pair{quint32(details.size() + 1), false},
          std::pair{quint32(MaxDetailsBytes + 1), false}, std::pair{quint32(0xFFFFFFFF), false}}) {
        protocol::Reply reply;
        reply.status = protocol::Status::Decoded;
        reply.fullWidth = reply.width = reply.regionWidth = 30;
        reply.fullHeight = reply.height = reply.regionHeight = 20;
        reply.bytesPerLine = 120;
        reply.format = QImage::Format_RGB32;
        reply.detailsBytes = claimed;
        const DecodedPicture picture = picture::pictureFrom(reply, details, memory(2400, AllSeals));
        QCOMPARE(picture.status, DecodedPicture::Status::Decoded);
        QCOMPARE(picture.details.make, taken ? QStringLiteral("Apple") : QString());
    }
}

void TestReplies::rewrittenBytes_data()
{
    // The bytes of a file a helper rewrote: taken only from sealed memory
    // that holds at least as many as it says, and then copied out of it.
    QTest::addColumn<quint64>("said");
    QTest::addColumn<qint64>("memoryBytes");
    QTest::addColumn<int>("seals");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("honest") << quint64(3000) << qint64(3000) << AllSeals << true;
    QTest::newRow("more said than the memory holds") << quint64(3001) << qint64(3000) << AllSeals << false;
    QTest::newRow("unsealed: changed after the check") << quint64(3000) << qint64(3000) << 0 << false;
    QTest::newRow("writable") << quint64(3000) << qint64(3000) << int(F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) << false;
    QTest::newRow("nothing") << quint64(0) << qint64(4096) << AllSeals << false;
    QTest::newRow("past what a size can be") << (quint64(1) << 62) << qint64(4096) << AllSeals << false;
}

void TestReplies::rewrittenBytes()
{
    QFETCH(quint64, said);
    QFETCH(qint64, memoryBytes);
    QFETCH(int, seals);
    QFETCH(bool, accepted);
    const int fd = memory(memoryBytes, seals, false, 0x5A);
    QVERIFY(fd >= 0);
    protocol::Reply reply;
    reply.status = protocol::Status::Rewritten;
    reply.memoryBytes = said;
    reply.flags = protocol::RewroteSidecar;
    const DecodedPicture result = picture::pictureFrom(reply, {}, fd);
    QVERIFY(!isOpen(fd));
    QCOMPARE(result.status == DecodedPicture::Status::Rewritten, accepted);
    if (accepted) {
        QCOMPARE(result.rewritten, QByteArray(qsizetype(said), char(0x5A)));
        QVERIFY(result.rewroteSidecar);
    } else {
        QVERIFY(result.rewritten.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
