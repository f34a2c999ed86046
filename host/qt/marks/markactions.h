#pragma once

#include "common/marks.h"
#include "fileops/operations.h"
#include "host/qt/marks/markwriter.h"
#include "platform/platform.h"

#include <QObject>

#include <optional>

class QAction;

namespace qthost {

// The keys that mark the chosen photo while sorting a shoot: Ctrl+1 to
// Ctrl+5 its stars, Ctrl+0 none; X on the picture (Ctrl+Shift+X anywhere)
// rejects it, U (Ctrl+Shift+U) takes that back; Ctrl+6 to Ctrl+9 its red,
// yellow, green or blue label, again to take it off; Ctrl+R and
// Ctrl+Shift+R turn it right and left. What they do shows at once and is
// written after (MarkWriter), to the photo and to the other half of its
// pair; the window is told what to show, what was done and what undoes it.
class MarkActions final : public QObject
{
    Q_OBJECT
public:
    // What the actions ask the window each time.
    class Window
    {
    public:
        virtual ~Window() = default;
        // The files marked: several the user selected (in the grid), else
        // the one chosen and shown, in internal form; empty when none is.
        virtual QStringList chosenFiles() const = 0;
        // Its marks as the window shows them; nullopt while not known.
        virtual std::optional<marks::Marks> marksOf(const QString &path) const = 0;
        // The file as it was when its picture was shown; nullopt when its
        // picture is not on the screen.
        virtual std::optional<platform::FileStamp> shownStamp(const QString &path) const = 0;
        // Whether a RAW and its JPEG are one photo.
        virtual bool pairsTogether() const = 0;
    };

    MarkActions(Window &window, picture::DecodeQueue &queue, QObject *parent);

    // The keys that act wherever the window has the keyboard, and those
    // (X, U) that act on the picture alone.
    QList<QAction *> windowActions() const { return m_windowActions; }
    QList<QAction *> pictureActions() const { return m_pictureActions; }
    // The turns, for the picture's popup.
    QAction *turnRight() const { return m_turnRight; }
    QAction *turnLeft() const { return m_turnLeft; }

    void rate(int stars);
    void reject(bool rejected);
    void toggleLabel(marks::Label label);
    void turn(int quarterTurns);
    bool isWriting() const { return m_writer->isWriting() || m_waiting > 0; }
    MarkWriter *writer() const { return m_writer; }

signals:
    // The marks to show for the photo while they are written (nullopt: what
    // the file says again, the writing refused), and those it has once written.
    void marksPending(const QString &path, const std::optional<marks::Marks> &marks);
    void marksWritten(const QString &path, const marks::Marks &marks);
    // Turn the picture on the screen so many quarter turns (back, negative,
    // when the turn could not be written).
    void turnShown(const QString &path, int quarterTurns);
    // Written: what undoes it, for the window's undo; the files rewritten.
    void rewritten(const fileops::Done &done, const QStringList &photos);
    // Whether something is being written (undo waits meanwhile).
    void writing(bool busy);
    void told(const QString &text);
    void refusedBecause(const QString &text);

private:
    QAction *add(const QString &name, const QKeySequence &key, bool onPictureOnly, std::function<void()> act);
    // `told(name)`: what to say once written, of the photos' names.
    void order(const picture::MarkEdit &edit, const std::function<QString(const QString &name)> &told);
    void written(const MarkWriter::Order &order, const QList<fileops::Rewrite> &rewrites,
                 const QList<marks::Marks> &marksNow);
    void refused(const MarkWriter::Order &order, const QString &photo, const QString &why);

    Window &m_window;
    MarkWriter *m_writer;
    QList<QAction *> m_windowActions;
    QList<QAction *> m_pictureActions;
    QAction *m_turnRight = nullptr;
    QAction *m_turnLeft = nullptr;
    int m_waiting = 0; // orders given and not yet written or refused
    // What each order tells when it is written, and how many of its photos
    // each photo chosen brings (itself and its pair): in the order given.
    struct Given
    {
        QString told;
        QList<int> photosPerChoice;
    };
    std::deque<Given> m_given;
};

} // namespace qthost
