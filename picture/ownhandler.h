#pragma once

#include <QImageIOHandler>

namespace picture {

// What the program's own handlers share: a format told by the file's first
// bytes (`Format::canRead(device)`), and the picture's size offered before
// its pixels. Each handler says the rest: how its library reads.
template<typename Format>
class OwnHandler : public QImageIOHandler
{
public:
    bool canRead() const override
    {
        if (!Format::canRead(device()))
            return false;
        setFormat(Format::Name);
        return true;
    }
    bool supportsOption(ImageOption option) const override { return option == Size; }
};

} // namespace picture
