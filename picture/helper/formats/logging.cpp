#include "picture/ownhandler.h"

Q_LOGGING_CATEGORY(lcDecoders, "zelvo.decoders", QtWarningMsg)
