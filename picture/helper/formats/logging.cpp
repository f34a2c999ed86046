#include "picture/helper/formats/ownhandler.h"

Q_LOGGING_CATEGORY(lcDecoders, "zelvo.decoders", QtWarningMsg)
