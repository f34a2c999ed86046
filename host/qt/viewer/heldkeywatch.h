#pragma once

#include <QObject>

namespace qthost {

// Tells when a key the user held down (its own repeats came) is let go,
// wherever the program's keyboard is: the moment the keys have stopped,
// where otherwise only a pause in them can tell. A key pressed and let go
// without repeats (a tap, as a fast tapper's next one may follow) tells
// nothing.
class HeldKeyWatch final : public QObject
{
    Q_OBJECT
public:
    explicit HeldKeyWatch(QObject *parent);

signals:
    void letGo();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_repeating = 0; // the key whose repeats are coming
};

} // namespace qthost
