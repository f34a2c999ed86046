#pragma once

namespace picture {

// exiv2 keeps state of its own (the BMFF switch, XMP's parser, its log):
// set up once, before anything of it is used.
void setUpExiv2();

} // namespace picture
